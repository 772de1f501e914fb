// The live line's model against a city service the test drives: a vehicle
// reply that a newer ask overtook is dropped whatever order the replies
// come in, and a line its service cannot give comes from the last good
// reply, as of the time that reply came, on the virtual clock.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "city/CityService.h"
#include "model/Preferences.h"
#include "model/Value.h"
#include "models/LiveLine.h"
#include "platform/RunLoop.h"
#include "platform/Thread.h"
#include "platform/UserDefaults.h"
#include "service/XmlText.h"
#include "support/TestSupport.h"

namespace bus::models {
namespace {

const std::string kLine = R"({"lineName":"12路","gprsId":1201,"stations":[{"stationName":"东站","orderNo":1},)"
                          R"({"stationName":"西站","orderNo":2}]})";

// queryLine answered with `lineText` while the service is up, status 500
// while it is down; realBus for stop N held until the test lets N go, then
// answered with one vehicle at stop N.
class DrivenService {
public:
    DrivenService() {
        server_.server().Post(".*", [this](const httplib::Request& request, httplib::Response& reply) {
            std::unique_lock lock(mutex_);
            if (request.body.find("queryLine") != std::string::npos) {
                if (down_) reply.status = 500;
                else reply.set_content(test::soapReply("queryLine", xml::escape(lineText_)), "text/xml");
                return;
            }
            const auto at = request.body.find("<orderNo>");
            const int stop = std::stoi(request.body.substr(at + 9));
            changed_.wait_for(lock, std::chrono::seconds(20), [&] { return released_.count(stop) > 0; });
            const std::string vehicles = R"([{"stationNo":)" + std::to_string(stop) + R"(,"inStation":1}])";
            reply.set_content(test::soapReply("realBus", xml::escape(vehicles)), "text/xml");
        });
        server_.start();
    }
    ~DrivenService() {
        for (int stop = 1; stop <= 9; ++stop) release(stop);
        server_.stop();
    }
    std::string url() const { return server_.baseUrl(); }
    void release(int stop) {
        std::lock_guard lock(mutex_);
        released_.insert(stop);
        changed_.notify_all();
    }
    void answer(bool up, std::string lineText = kLine) {
        std::lock_guard lock(mutex_);
        down_ = !up;
        lineText_ = std::move(lineText);
    }

private:
    test::HttpTestServer server_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<int> released_;
    bool down_ = false;
    std::string lineText_ = kLine;
};

class LiveLineModelTest : public testing::Test {
protected:
    void SetUp() override {
        city::forgetOutages();
        auto& prefs = platform::UserDefaults::standard();
        prefs.setObject(16, prefs::kCityId);
        prefs.setObject(service.url(), prefs::kPostUrl);
        prefs.setObject(prefs::kDefaultWebService, prefs::kPostWebService);
        model.lineAnswered = [this](LiveLine::LineAnswer a) { lines.push_back(std::move(a)); };
        model.vehiclesAnswered = [this](LiveLine::VehiclesAnswer a) { vehicles.push_back(std::move(a)); };
    }
    bool until(const std::function<bool()>& done) { return platform::RunLoop::main().runUntil(done, 10.0); }
    // Asks the line and waits for its answer.
    const LiveLine::LineAnswer& line(int direction) {
        model.askLine(direction, 12);
        EXPECT_TRUE(until([&] { return !model.waitingForLine(); }));
        return lines.back();
    }

    DrivenService service;
    LiveLine model;
    std::vector<LiveLine::LineAnswer> lines;
    std::vector<LiveLine::VehiclesAnswer> vehicles;
};

// The rider moved the waiting stop from 3 to 5 while stop 3's vehicles were
// on their way; stop 3's reply comes last and is dropped.
TEST_F(LiveLineModelTest, AVehicleReplyThatANewerAskOvertookOrThatWasForgottenIsDropped) {
    model.askVehicles(1201, 3, 0);
    model.askVehicles(1201, 5, 0);
    service.release(5);
    ASSERT_TRUE(until([&] { return !vehicles.empty(); }));
    service.release(3);
    ASSERT_TRUE(platform::waitForWorkerThreads(10.0));
    platform::RunLoop::main().drain();
    ASSERT_EQ(vehicles.size(), 1u);
    ASSERT_EQ(vehicles[0].value().size(), 1u);
    EXPECT_EQ(integerValue(vehicles[0].value()[0].stationNo), 5);
    EXPECT_FALSE(model.waiting());
    // Forgotten (a direction switch), an answer still to come never comes.
    model.askVehicles(1201, 6, 0);
    model.forget();
    EXPECT_FALSE(model.waiting());
    service.release(6);
    ASSERT_TRUE(platform::waitForWorkerThreads(10.0));
    platform::RunLoop::main().drain();
    EXPECT_EQ(vehicles.size(), 1u);
}

// Answered at second 0; the service down at second 300: the same stops, as
// of second 0. A direction never answered has no copy; a reply that is no
// line does not replace it; the service up again answers live.
TEST_F(LiveLineModelTest, ALineItsServiceCannotGiveComesFromTheLastGoodReplyAsOfItsTime) {
    auto& loop = platform::RunLoop::main();
    ASSERT_FALSE(line(0).failed());
    ASSERT_FALSE(lines.back().fromCopy());
    const double answeredAt = loop.secondsSince1970();
    service.answer(true, "停运");  // answered, but no line
    EXPECT_FALSE(line(0).value().line.has_value());
    loop.advance(300);
    service.answer(false);
    const auto& copy = line(0);
    ASSERT_TRUE(copy.fromCopy());
    EXPECT_FALSE(copy.failed());
    EXPECT_DOUBLE_EQ(loop.secondsSince1970() - copy.asOf(), 300);
    EXPECT_DOUBLE_EQ(copy.asOf(), answeredAt);
    ASSERT_EQ(copy.value().stations.size(), 2u);
    EXPECT_EQ(copy.value().stations[1].stationName, "西站");
    EXPECT_EQ(integerValue(copy.value().line->gprsId), 1201);
    EXPECT_TRUE(line(1).failed()) << "never answered, so nothing kept";
    service.answer(true);
    EXPECT_FALSE(line(0).fromCopy());
}

}  // namespace
}  // namespace bus::models
