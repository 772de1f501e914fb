// The keyword search against a city service that holds each keyword's reply
// until the test lets it go: the hits shown are those of the keyword typed
// last, whatever order the replies come in.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "city/CityService.h"
#include "model/Preferences.h"
#include "models/KeywordSearch.h"
#include "platform/RunLoop.h"
#include "platform/Thread.h"
#include "platform/UserDefaults.h"
#include "service/XmlText.h"
#include "support/TestSupport.h"

namespace bus::models {
namespace {

// queryKeyword answered with one line hit named after the keyword, once the
// test lets that keyword go.
class HeldKeywords {
public:
    HeldKeywords() {
        server_.server().Post(".*", [this](const httplib::Request& request, httplib::Response& reply) {
            const auto from = request.body.find("<keyword>") + 9;
            const std::string keyword = request.body.substr(from, request.body.find("</keyword>") - from);
            std::unique_lock lock(mutex_);
            asked_.push_back(keyword);
            changed_.notify_all();
            changed_.wait_for(lock, std::chrono::seconds(20), [&] { return released_.count(keyword) > 0; });
            const auto hits = nlohmann::json::array({{{"lineName", keyword + "路"}, {"attribute", 0}, {"lineId", 1}}});
            reply.set_content(test::soapReply("queryKeyword", xml::escape(hits.dump())), "text/xml");
        });
        server_.start();
    }
    ~HeldKeywords() {
        for (const char* k : {"1", "12", "123"}) release(k);
        server_.stop();
    }
    std::string url() const { return server_.baseUrl(); }
    void release(const std::string& keyword) {
        std::lock_guard lock(mutex_);
        released_.insert(keyword);
        changed_.notify_all();
    }
    void waitForRequests(std::size_t n) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return asked_.size() >= n; });
    }

private:
    test::HttpTestServer server_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> asked_;
    std::set<std::string> released_;
};

class KeywordSearchTest : public testing::Test {
protected:
    void SetUp() override {
        city::forgetOutages();
        auto& prefs = platform::UserDefaults::standard();
        prefs.setObject(service.url(), prefs::kPostUrl);
        prefs.setObject(prefs::kDefaultWebService, prefs::kPostWebService);
        search.changed = [this](const auto& s) { shown.push_back(s->hits.empty() ? s->keyword : s->hits[0].lineName.template get<std::string>()); };
    }
    HeldKeywords service;
    KeywordSearch search;
    std::vector<std::string> shown;  // the first hit of every snapshot handed over
};

// "1" answers after "12": its late reply is dropped, and "12" stays shown.
TEST_F(KeywordSearchTest, ALateReplyToAKeywordTypedPastIsDropped) {
    search.search("1");
    search.search("12");
    service.waitForRequests(2);
    EXPECT_TRUE(search.waiting());
    service.release("12");
    ASSERT_TRUE(platform::RunLoop::main().runUntil([&] { return !search.waiting(); }));
    service.release("1");
    ASSERT_TRUE(platform::waitForWorkerThreads(10.0));
    platform::RunLoop::main().drain();
    EXPECT_EQ(shown, std::vector<std::string>{"12路"});
    EXPECT_EQ(search.snapshot()->keyword, "12");
}

// An emptied field asks nothing and keeps the hits it has.
TEST_F(KeywordSearchTest, AnEmptiedFieldKeepsTheLastHits) {
    service.release("1");
    search.search("1");
    ASSERT_TRUE(platform::RunLoop::main().runUntil([&] { return !search.waiting(); }));
    search.search("");
    EXPECT_FALSE(search.waiting());
    EXPECT_EQ(search.snapshot()->hits.size(), 1u);
}

}  // namespace
}  // namespace bus::models
