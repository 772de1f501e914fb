// First-start seeding of the city keys.
#include <string>

#include <gtest/gtest.h>

#include "model/Config.h"
#include "model/Preferences.h"
#include "support/TestSupport.h"

using namespace bus;
using nlohmann::json;
using platform::UserDefaults;

// Each row presets a store, seeds it, and checks what the next run reads:
// seeding happens exactly when "postUrl" is missing or null, and only once.
TEST(ModelPreferences, FirstStartSeedsTheDefaultCityOnlyWithoutAPostUrl) {
    const json seeded = {{"cityId", 16}, {"cityName", "大同"}, {"postUrl", config::kDefaultCityUrl},
                         {"postWebService", "/realBus/CXFWebService/bus"}};
    json seededBesideARefreshTime = seeded;
    seededBesideARefreshTime["refreshTime"] = "30";
    const json chosen = {{"cityId", 1}, {"cityName", "北京"}, {"postUrl", "http://10.0.0.1:9000"},
                         {"postWebService", "/realBus/CXFWebService/bus"}};
    struct Case {
        const char* name;
        json before;
        bool seeds;
        json after;
    };
    const Case cases[] = {
        {"fresh", json::object(), true, seeded},
        {"null-postUrl", {{"postUrl", nullptr}}, true, seeded},
        {"other-keys", {{"refreshTime", "30"}, {"cityId", 5}}, true, seededBesideARefreshTime},
        {"chosen-city", chosen, false, chosen},
        {"postUrl-alone", {{"postUrl", "http://10.0.0.1:9000"}}, false, {{"postUrl", "http://10.0.0.1:9000"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = test::containerRoot() / c.name;
        {
            UserDefaults store(file);
            for (const auto& [key, value] : c.before.items()) store.setObject(value, key);
            EXPECT_EQ(prefs::seedFirstStart(store), c.seeds);
        }
        UserDefaults nextRun(file);
        for (const char* key : {prefs::kCityId, prefs::kCityName, prefs::kPostUrl, prefs::kPostWebService,
                                prefs::kRefreshTime, prefs::kOrderNo})  // dumped, so 16 and 16.0 differ
            EXPECT_EQ(nextRun.objectForKey(key).value_or(json()).dump(), c.after.value(key, json()).dump()) << key;
        EXPECT_FALSE(prefs::seedFirstStart(nextRun)) << "a restart seeds no more";
    }
    EXPECT_FALSE(UserDefaults::standard().objectForKey(prefs::kPostUrl)) << "only the given store is seeded";
    EXPECT_TRUE(prefs::seedFirstStart());
    EXPECT_EQ(*UserDefaults::standard().objectForKey(prefs::kCityId), json(16));
}
