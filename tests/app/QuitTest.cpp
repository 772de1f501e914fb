// Quitting while a worker thread is still asking the service: the journey
// planner's requests are answered slowly, so it has dozens left when the
// script ends. The app drops them, waits for its worker and exits with
// status 0; in the sanitizer build any use of what the exit tears down (the
// preference store every request reads, the run loop every notice goes
// through) fails the run.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "app/AppRun.h"
#include "service/XmlText.h"
#include "support/TestSupport.h"

namespace bus::test {
namespace {

namespace fs = std::filesystem;

// Answers the stop picker's two searches at once; then, each after a
// while, the planner's searches (twenty lines at either stop) and its line
// fetches, so that its worker is still asking when the script ends.
struct SlowService {
    SlowService() {
        server.server().Post(".*", [this](const httplib::Request& request, httplib::Response& reply) {
            const bool keyword = request.body.find("<ns1:queryKeyword>") != std::string::npos;
            if (!keyword || answered++ >= 2) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            reply.set_content(soapReply(keyword ? "queryKeyword" : "queryLine", xml::escape(keyword ? hits() : line())),
                              "text/xml");
        });
        server.start();
    }
    static std::string hits() {
        auto all = nlohmann::json::array();
        for (int id = 1; id <= 40; ++id)
            all.push_back({{"stationName", id <= 20 ? "甲站" : "乙站"}, {"attribute", 1}, {"lineId", id},
                           {"direction", 0}, {"lineName", std::to_string(id) + "路"}});
        return all.dump();
    }
    static std::string line() {
        return R"({"lineName":"1路","gprsId":1,"upDown":[{"orderNo":1,"stationName":"甲站"},{"orderNo":2,"stationName":"丙站"}]})";
    }

    std::atomic<int> answered{0};
    HttpTestServer server;
};

// The exit meets the worker at a different point of its run each time: a
// few runs make it likely that one lands in the middle of a request.
TEST(QuitTest, QuittingWhileAPlanningAsksTheServiceExitsCleanlyAndAtOnce) {
    for (int run = 0; run < 4; ++run) {
        SCOPED_TRACE(run);
        SlowService service;
        const fs::path container = containerRoot() / ("app" + std::to_string(run)), work = containerRoot() / "work";
        fs::create_directories(work);
        chooseCity(container, service.server.baseUrl());
        const auto started = std::chrono::steady_clock::now();
        const auto [status, errors] = runApp(fs::path(APP_TEST_SCRIPTS) / "quit_while_planning.txt", container, work);
        ASSERT_EQ(status, 0) << errors;
        EXPECT_EQ(errors.find("Sanitizer"), std::string::npos) << errors;
        EXPECT_EQ(errors.find("runtime error"), std::string::npos) << errors;
        // Not the requests' 30 s time-out.
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(25));
    }
}

}  // namespace
}  // namespace bus::test
