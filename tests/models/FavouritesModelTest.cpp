// The favourites model against a city service that holds each live text
// until the test lets it go: rows come at once, each text as its reply does,
// in the rows' order on the wire; a reply that a newer reload overtook is
// dropped; a city that does not answer tells the rider once.
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "city/CityService.h"
#include "model/Preferences.h"
#include "models/Favourites.h"
#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"
#include "service/XmlText.h"
#include "storage/FavouriteStore.h"
#include "support/Language.h"
#include "support/TestSupport.h"

namespace bus::models {
namespace {

using Texts = std::vector<std::string>;

// realBusStation answered "N站" for stop N once the test lets stop N go;
// every request's stop in the order they came, and the language each alerts
// request asked in.
class HeldService {
public:
    HeldService() {
        server_.server().Post(".*", [this](const httplib::Request& request, httplib::Response& reply) {
            const auto at = request.body.find("<orderNo>");
            if (at == std::string::npos) {  // alerts: a service of the five designed operations
                const auto lang = request.body.find("<lang>"), end = request.body.find("</lang>");
                std::lock_guard lock(mutex_);
                if (lang != std::string::npos && end > lang)
                    alertLanguages_.push_back(request.body.substr(lang + 6, end - lang - 6));
                reply.status = 500;
                return;
            }
            const int stop = std::stoi(request.body.substr(at + 9));
            std::unique_lock lock(mutex_);
            asked_.push_back(stop);
            changed_.notify_all();
            changed_.wait_for(lock, std::chrono::seconds(20), [&] { return released_.count(stop) > 0; });
            reply.set_content(test::soapReply("realBusStation", xml::escape(std::to_string(stop) + "站")), "text/xml");
        });
        server_.start();
    }
    ~HeldService() {
        releaseAll();
        server_.stop();
    }
    std::string url() const { return server_.baseUrl(); }
    void release(int stop) {
        std::lock_guard lock(mutex_);
        released_.insert({stop, true});
        changed_.notify_all();
    }
    void releaseAll() {
        for (int stop = 1; stop <= 20; ++stop) release(stop);
    }
    // Waits until `n` requests came.
    std::vector<int> asked(std::size_t n) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return asked_.size() >= n; });
        return asked_;
    }

    Texts alertLanguages() {
        std::lock_guard lock(mutex_);
        return alertLanguages_;
    }

private:
    test::HttpTestServer server_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<int> asked_;
    Texts alertLanguages_;
    std::map<int, bool> released_;
};

void addFavourite(int orderNo) {
    BusCollection f;
    f.lineName = "12路", f.stationName = "第" + std::to_string(orderNo) + "站", f.endLine = "东门";
    f.lineId = 12, f.direction = 1, f.orderNo = orderNo, f.gprsId = 1201, f.cityId = 16;
    FavouriteStore().save(f);
}

void makeCurrentCity(const std::string& url) {
    auto& prefs = platform::UserDefaults::standard();
    prefs.setObject(16, prefs::kCityId);
    prefs.setObject(url, prefs::kPostUrl);
    prefs.setObject(prefs::kDefaultWebService, prefs::kPostWebService);
}

// Each row's live text, "…" while it is still to come.
Texts texts(const Favourites::Snapshot& s) {
    Texts out;
    for (const auto& row : s.rows) out.push_back(row.liveText.value_or("…"));
    return out;
}

class FavouritesModelTest : public testing::Test {
protected:
    void SetUp() override {
        city::forgetOutages();
        makeCurrentCity(service.url());
        for (int stop : {1, 2, 3}) addFavourite(stop);  // listed newest first: 3, 2, 1
        model.changed = [this](const std::shared_ptr<const Favourites::Snapshot>& s) { seen.push_back(texts(*s)); };
    }
    bool until(const std::function<bool()>& done) { return platform::RunLoop::main().runUntil(done, 10.0); }

    HeldService service;
    Favourites model;
    std::vector<Texts> seen;  // every snapshot the screen was handed
};

TEST_F(FavouritesModelTest, RowsComeAtOnceAndEachTextAsItsReplyComesInTheRowsOrder) {
    model.reload();
    // Nothing answered yet, and the rows are there.
    EXPECT_EQ(seen, (std::vector<Texts>{{"…", "…", "…"}}));
    EXPECT_EQ(model.snapshot()->waiting(), 3u);
    for (int stop : {3, 2, 1}) {
        EXPECT_EQ(service.asked(4 - static_cast<std::size_t>(stop)).back(), stop);  // one at a time, in row order
        service.release(stop);
        ASSERT_TRUE(until([&] { return model.snapshot()->waiting() == static_cast<std::size_t>(stop - 1); }));
    }
    EXPECT_EQ(seen, (std::vector<Texts>{{"…", "…", "…"}, {"3站", "…", "…"}, {"3站", "2站", "…"}, {"3站", "2站", "1站"}}));
    EXPECT_EQ(service.asked(3), (std::vector<int>{3, 2, 1}));
}

// A reload while the first one's reply is held: that reply is dropped when
// it comes, and the rows it would have filled are asked again.
TEST_F(FavouritesModelTest, AReplyThatANewerReloadOvertookIsDropped) {
    model.reload();
    ASSERT_EQ(service.asked(1), (std::vector<int>{3}));
    model.reload();
    service.release(3);
    ASSERT_TRUE(until([&] { return model.snapshot()->rows[0].liveText.has_value(); }));
    service.releaseAll();
    ASSERT_TRUE(until([&] { return model.snapshot()->waiting() == 0; }));
    // Every snapshot came from the second reload but its first: the first
    // reload's reply for stop 3 never reached the screen as a change of its own.
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen.back(), (Texts{"3站", "2站", "1站"}));
    // The first reload asked stop 3 only: the rest of its rows were not sent.
    EXPECT_EQ(service.asked(4), (std::vector<int>{3, 3, 2, 1}));
}

// A model that goes while its requests are out hears nothing back.
TEST_F(FavouritesModelTest, AModelThatIsGoneHearsNoReply) {
    {
        Favourites gone;
        gone.changed = [this](const auto&) { seen.push_back({"changed"}); };
        gone.reload();
        seen.clear();
        ASSERT_EQ(service.asked(1).size(), 1u);
    }
    service.releaseAll();
    ASSERT_TRUE(platform::waitForWorkerThreads(10.0));
    platform::RunLoop::main().drain();
    EXPECT_TRUE(seen.empty());
}

// Seven rows against a city that does not answer: every row says so, and
// the rider is told once.
TEST_F(FavouritesModelTest, ACityThatDoesNotAnswerFillsEveryRowAndTellsOnce) {
    for (int stop : {4, 5, 6, 7}) addFavourite(stop);
    makeCurrentCity("http://127.0.0.1:" + std::to_string(test::closedPort()));
    model.reload();
    ASSERT_TRUE(until([&] { return model.snapshot()->waiting() == 0; }));
    EXPECT_EQ(texts(*model.snapshot()), Texts(7, ""));
    std::size_t notices = 0;
    for (const auto& e : platform::AlertCenter::shared().history())
        notices += e.kind == platform::AlertCenter::Event::Shown && e.message == "无法连接服务器";
    EXPECT_EQ(notices, 1u);
}

// A deletion takes the row away without asking the others again.
TEST_F(FavouritesModelTest, ARemovedRowGoesWithoutAskingTheOthersAgain) {
    service.releaseAll();
    model.reload();
    ASSERT_TRUE(until([&] { return model.snapshot()->waiting() == 0; }));
    model.remove(model.snapshot()->rows[1].favourite);
    EXPECT_EQ(texts(*model.snapshot()), (Texts{"3站", "1站"}));
    EXPECT_EQ(FavouriteStore().query(16).size(), 2u);
    ASSERT_TRUE(platform::waitForWorkerThreads(10.0));
    EXPECT_EQ(service.asked(3).size(), 3u);
}

// The alerts of the favourites' lines are asked in the rider's language.
TEST_F(FavouritesModelTest, AlertsAreAskedInTheRidersLanguage) {
    service.releaseAll();
    const struct {
        bool english;
        Texts asked;
    } cases[] = {{false, {"zh"}}, {true, {"zh", "en"}}};
    for (const auto& c : cases) {
        std::optional<test::InEnglish> language;
        if (c.english) language.emplace();
        // The service has no alerts: forgotten, so that it is asked again.
        city::forgetServicesWithoutAlerts();
        model.reload();
        // They are asked once every live text is in.
        ASSERT_TRUE(until([&] { return service.alertLanguages().size() == c.asked.size(); }));
        EXPECT_EQ(service.alertLanguages(), c.asked);
        // Its answer, that the service has none, is heard before it is forgotten.
        ASSERT_TRUE(platform::waitForWorkerThreads(10.0));
    }
}

}  // namespace
}  // namespace bus::models
