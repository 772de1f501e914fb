#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/Container.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

using nlohmann::json;
using platform::UserDefaults;
namespace fs = std::filesystem;

TEST(UserDefaults, EachChangeIsOnDiskWithItsTypeWithoutSynchronize) {
    const fs::path file = platform::Container::preferencesFile();
    auto& prefs = UserDefaults::standard();
    prefs.setObject(16, "cityId");
    prefs.setObject("100", "refreshTime");
    prefs.setObject("大同", "cityName");
    prefs.removeObjectForKey("cityName");
    std::ofstream(file.string() + ".tmp") << "{\"cityId\": \"3";  // a crash mid-write
    // What a restart after a crash of the process at this point reads.
    UserDefaults afterCrash(file);
    EXPECT_TRUE(afterCrash.objectForKey("cityId")->is_number_integer());
    EXPECT_EQ(*afterCrash.stringForKey("cityId"), "16");
    EXPECT_EQ(*afterCrash.objectForKey("refreshTime"), json("100"));
    EXPECT_FALSE(afterCrash.objectForKey("cityName"));
    afterCrash.setObject("大同", "cityName");
    EXPECT_TRUE(afterCrash.synchronize());
    EXPECT_EQ(*UserDefaults(file).stringForKey("cityName"), "大同");
    EXPECT_FALSE(fs::exists(file.string() + ".tmp"));
}

// A file that was read and is no usable store (not JSON, nested so deep that
// reading a key would overflow the stack, far too large) is set aside and
// replaced. One that cannot be read at all (a folder, a link to itself:
// unreadable for root as well) is left exactly as it is, and the run's
// changes stay in memory.
TEST(UserDefaults, UnusableFileIsLoggedOnceAndOnlyAReadOneIsReplaced) {
    enum Kind { NotJson, TooDeep, TooLarge, Folder, LinkToItself };
    const std::string deep = "{\"cityId\":" + std::string(300000, '[') + std::string(300000, ']') + "}";
    const std::string large = "{\"cityName\":\"" + std::string(5 << 20, 'a') + "\"}";
    for (const Kind kind : {NotJson, TooDeep, TooLarge, Folder, LinkToItself}) {
        SCOPED_TRACE(kind);
        const fs::path file = bus::test::containerRoot() / ("prefs" + std::to_string(kind));
        const std::string text = kind == NotJson ? "{ this is not json" : kind == TooDeep ? deep : large;
        const bool setAside = kind == NotJson || kind == TooDeep || kind == TooLarge;
        if (setAside) std::ofstream(file) << text;
        if (kind == Folder) fs::create_directory(file);
        if (kind == LinkToItself) fs::create_symlink(file.filename(), file);
        const auto type = fs::symlink_status(file).type();
        platform::LogCapture log;
        UserDefaults prefs(file);
        EXPECT_FALSE(prefs.objectForKey("cityId"));
        prefs.setObject("http://10.0.0.1:9000", "postUrl");
        EXPECT_EQ(*prefs.stringForKey("postUrl"), "http://10.0.0.1:9000");
        EXPECT_EQ(prefs.synchronize(), setAside);
        EXPECT_EQ(log.lines().size(), 1u);
        EXPECT_TRUE(bus::test::readFile(file.string() + ".corrupt") == (setAside ? text : ""));
        if (setAside) {
            EXPECT_EQ(*UserDefaults(file).stringForKey("postUrl"), "http://10.0.0.1:9000");
        } else {
            EXPECT_EQ(fs::symlink_status(file).type(), type);
        }
        EXPECT_FALSE(fs::exists(file.string() + ".tmp"));
    }
}

TEST(UserDefaults, StandardStoreFollowsTheContainer) {
    UserDefaults::standard().setObject("a", "k");
    platform::Container::setRoot(bus::test::containerRoot() / "second");
    EXPECT_FALSE(UserDefaults::standard().objectForKey("k"));
    UserDefaults::standard().setObject("b", "k");
    platform::Container::setRoot(bus::test::containerRoot());
    EXPECT_EQ(*UserDefaults::standard().stringForKey("k"), "a");
}
