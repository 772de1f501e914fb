// The preference keys and the first-start seeding.
#include <string>

#include <gtest/gtest.h>

#include "model/Config.h"
#include "model/Preferences.h"
#include "platform/Container.h"
#include "platform/UserDefaults.h"

using namespace bus;
using nlohmann::json;
using platform::UserDefaults;

TEST(ModelPreferences, KeyTextsAreThoseOfTheSpec) {
    EXPECT_STREQ(prefs::kCityId, "cityId");
    EXPECT_STREQ(prefs::kCityName, "cityName");
    EXPECT_STREQ(prefs::kPostUrl, "postUrl");
    EXPECT_STREQ(prefs::kPostWebService, "postWebService");
    EXPECT_STREQ(prefs::kRefreshTime, "refreshTime");
    EXPECT_STREQ(prefs::kOrderNo, "orderNo");
    EXPECT_STREQ(prefs::kDefaultWebService, "/realBus/CXFWebService/bus");
}

TEST(ModelPreferences, FirstStartSeedsTheDefaultCity) {
    auto& store = UserDefaults::standard();
    ASSERT_FALSE(store.objectForKey("postUrl"));
    EXPECT_TRUE(prefs::seedFirstStart());

    ASSERT_TRUE(store.objectForKey("cityId"));
    EXPECT_TRUE(store.objectForKey("cityId")->is_number_integer());
    EXPECT_EQ(*store.objectForKey("cityId"), json(16));
    EXPECT_EQ(*store.objectForKey("cityName"), json("大同"));
    EXPECT_EQ(*store.objectForKey("postUrl"), json(std::string(config::kDefaultCityUrl)));
    EXPECT_EQ(*store.objectForKey("postWebService"), json("/realBus/CXFWebService/bus"));
    // Seeding touches the city keys only.
    EXPECT_FALSE(store.objectForKey("refreshTime"));
    EXPECT_FALSE(store.objectForKey("orderNo"));
}

TEST(ModelPreferences, SeedingIsOnDiskAndTypesSurviveARestart) {
    prefs::seedFirstStart();
    // What the next run of the process reads from the file.
    UserDefaults nextRun(platform::Container::preferencesFile());
    ASSERT_TRUE(nextRun.objectForKey("cityId"));
    EXPECT_TRUE(nextRun.objectForKey("cityId")->is_number_integer());
    EXPECT_EQ(*nextRun.objectForKey("cityId"), json(16));
    EXPECT_TRUE(nextRun.objectForKey("postUrl")->is_string());

    auto& store = UserDefaults::standard();
    store.reload();
    EXPECT_EQ(*store.objectForKey("cityId"), json(16));
    EXPECT_TRUE(store.objectForKey("cityId")->is_number_integer());
    EXPECT_EQ(*store.objectForKey("cityName"), json("大同"));
    EXPECT_FALSE(prefs::seedFirstStart()) << "the restarted app must not seed again";
}

TEST(ModelPreferences, NoSeedingAfterTheFirstStart) {
    auto& store = UserDefaults::standard();
    ASSERT_TRUE(prefs::seedFirstStart());
    // The rider chooses another city.
    store.setObject(1, "cityId");
    store.setObject("北京", "cityName");
    store.setObject("http://10.0.0.1:9000", "postUrl");
    store.synchronize();
    store.reload();

    EXPECT_FALSE(prefs::seedFirstStart());
    EXPECT_EQ(*store.objectForKey("cityId"), json(1));
    EXPECT_EQ(*store.objectForKey("cityName"), json("北京"));
    EXPECT_EQ(*store.objectForKey("postUrl"), json("http://10.0.0.1:9000"));
    EXPECT_EQ(*store.objectForKey("postWebService"), json("/realBus/CXFWebService/bus"));
}

TEST(ModelPreferences, PostUrlAloneIsTheFirstStartTest) {
    auto& store = UserDefaults::standard();
    store.setObject("http://10.0.0.1:9000", "postUrl");
    EXPECT_FALSE(prefs::seedFirstStart());
    EXPECT_FALSE(store.objectForKey("cityId"));
    EXPECT_FALSE(store.objectForKey("postWebService"));
}

TEST(ModelPreferences, OtherKeysDoNotPreventSeeding) {
    auto& store = UserDefaults::standard();
    store.setObject("30", "refreshTime");
    store.setObject(5, "cityId");
    EXPECT_TRUE(prefs::seedFirstStart());
    EXPECT_EQ(*store.objectForKey("cityId"), json(16));
    EXPECT_EQ(*store.objectForKey("refreshTime"), json("30"));
}

TEST(ModelPreferences, SeedsTheStoreItIsGiven) {
    UserDefaults other(platform::Container::root() / "other.json");
    EXPECT_TRUE(prefs::seedFirstStart(other));
    EXPECT_EQ(*other.objectForKey("cityId"), json(16));
    EXPECT_FALSE(UserDefaults::standard().objectForKey("postUrl"));
}
