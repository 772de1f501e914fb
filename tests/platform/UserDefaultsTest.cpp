#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/Container.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

using nlohmann::json;
using platform::UserDefaults;

TEST(UserDefaults, ValuesKeepTheirTypesAcrossARestart) {
    auto& prefs = UserDefaults::standard();
    EXPECT_FALSE(prefs.objectForKey("cityId"));
    prefs.setObject(16, "cityId");
    prefs.setObject("大同", "cityName");
    prefs.setObject("100", "refreshTime");
    prefs.synchronize();

    UserDefaults fresh(platform::Container::preferencesFile());  // what the next run reads
    ASSERT_TRUE(fresh.objectForKey("cityId"));
    EXPECT_TRUE(fresh.objectForKey("cityId")->is_number_integer());
    EXPECT_EQ(*fresh.objectForKey("cityId"), json(16));
    EXPECT_TRUE(fresh.objectForKey("refreshTime")->is_string());
    EXPECT_EQ(*fresh.objectForKey("refreshTime"), json("100"));
    EXPECT_EQ(*fresh.stringForKey("cityName"), "大同");
    EXPECT_EQ(*fresh.stringForKey("cityId"), "16");
}

TEST(UserDefaults, EveryWriteIsOnDiskWithoutSynchronize) {
    auto& prefs = UserDefaults::standard();
    prefs.setObject("7", "orderNo");
    // A crash right now loses nothing: the file already holds the value.
    UserDefaults afterCrash(platform::Container::preferencesFile());
    EXPECT_EQ(*afterCrash.stringForKey("orderNo"), "7");
    // And no temporary file is left behind by the atomic replace.
    EXPECT_FALSE(std::filesystem::exists(platform::Container::preferencesFile().string() + ".tmp"));
}

TEST(UserDefaults, AHalfWrittenTempFileFromACrashDoesNotDamageTheStore) {
    const auto file = platform::Container::preferencesFile();
    {
        UserDefaults prefs(file);
        prefs.setObject("20", "refreshTime");
    }
    std::ofstream(file.string() + ".tmp") << "{\"refreshTime\": \"3";  // crash mid-write
    UserDefaults next(file);
    EXPECT_EQ(*next.stringForKey("refreshTime"), "20");
    next.setObject("30", "refreshTime");
    EXPECT_EQ(*UserDefaults(file).stringForKey("refreshTime"), "30");
}

TEST(UserDefaults, CorruptFileIsLoggedOnceSetAsideAndTheStoreStartsEmpty) {
    const auto file = platform::Container::preferencesFile();
    std::ofstream(file) << "{ this is not json";
    platform::LogCapture log;
    UserDefaults prefs(file);
    EXPECT_FALSE(prefs.objectForKey("cityId"));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_NE(log.lines()[0].find("preferences"), std::string::npos);
    EXPECT_EQ(bus::test::readFile(file.string() + ".corrupt"), "{ this is not json");

    prefs.setObject(1, "cityId");
    EXPECT_EQ(*UserDefaults(file).objectForKey("cityId"), json(1));
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST(UserDefaults, StandardStoreFollowsTheContainer) {
    UserDefaults::standard().setObject("a", "k");
    const auto other = bus::test::containerRoot() / "second";
    platform::Container::setRoot(other);
    EXPECT_FALSE(UserDefaults::standard().objectForKey("k"));
    UserDefaults::standard().setObject("b", "k");
    platform::Container::setRoot(bus::test::containerRoot());
    EXPECT_EQ(*UserDefaults::standard().stringForKey("k"), "a");
}

TEST(UserDefaults, RemoveKeyPersists) {
    auto& prefs = UserDefaults::standard();
    prefs.setObject("1", "orderNo");
    prefs.removeObjectForKey("orderNo");
    prefs.reload();
    EXPECT_FALSE(prefs.objectForKey("orderNo"));
}
