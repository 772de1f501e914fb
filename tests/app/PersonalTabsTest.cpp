// A rider's favourites, cities and journeys in the app binary, against the
// bundled stand-in on free ports, the app told where its directory is
// (--directory): a favourite added through the
// favourite search, listed with its live text and opened; a city change that
// the buttons, the favourites and the history follow, with no screen of the
// old city left open in another tab, and back; the favourite deleted; a
// journey with a change between two 大同 lines and one with a direct ride,
// each first plan tapped to its first line's live screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "StandinTestSupport.h"
#include "app/AppRun.h"
#include "app/Dumps.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

namespace bus::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Cells = std::vector<std::vector<std::string>>;

// A plan's row reads: its lines, the ride, then for each leg "1路 开往 X方向"
// and "大同站上车 → 华严寺下车，共5站". The live screen that the first plan
// opened shows that line and direction, waits at the stop to board, and
// passes the stop to leave after it.
void expectFirstLegLive(const Cells& plans, const json& liveDump, const std::string& start) {
    ASSERT_FALSE(plans.empty());
    ASSERT_GE(plans[0].size(), 4u);
    const std::string &way = plans[0][2], &ride = plans[0][3];
    const std::string line = way.substr(0, way.find(' ')), direction = way.substr(way.find(' ') + 1);
    const std::string board = ride.substr(0, ride.find("上车 → ")), leaveFrom = ride.substr(ride.find("→ ") + 4);
    const std::string leave = leaveFrom.substr(0, leaveFrom.find("下车"));
    EXPECT_EQ(board, start);
    const Live live = readLive(liveDump);
    EXPECT_TRUE(showsText(liveDump, line)) << line;
    EXPECT_EQ(live.title, direction);
    ASSERT_GT(live.waiting, 0);
    EXPECT_EQ(live.stops[static_cast<std::size_t>(live.waiting - 1)], board);
    EXPECT_NE(std::find(live.stops.begin() + live.waiting, live.stops.end(), leave), live.stops.end()) << leave;
}

TEST(PersonalTabsTest, FavouritesCitiesAndAJourneyWithAChange) {
    standin::test::RunningStandin standin;
    const fs::path container = containerRoot() / "app", work = containerRoot() / "work";
    fs::create_directories(work);
    chooseCity(container, standin.standin().cityBaseUrl(16));
    const auto [status, errors] = runApp(fs::path(APP_TEST_SCRIPTS) / "personal_tabs.txt", container, work,
                                         {"--directory", standin.standin().directoryBaseUrl()});
    ASSERT_EQ(status, 0) << errors;
    const auto dump = [&](const char* name) { return readDump(work / name); };

    // The favourite: its line and stop, its direction, and the stop's live text.
    // 古城墙 on 9路 carries 大同's sample alert: the row shows its mark by
    // the live text.
    Cells listed = readCells(dump("favourites.json"));
    ASSERT_EQ(listed.size(), 1u);
    ASSERT_EQ(listed[0].size(), 4u);
    EXPECT_EQ(listed[0][1], "有提醒");
    listed[0].erase(listed[0].begin() + 1);
    EXPECT_NE(listed[0][0].find("古城墙"), std::string::npos);
    EXPECT_EQ(listed[0][2], "西客运站方向");
    EXPECT_FALSE(listed[0][1].empty());
    const Live live = readLive(dump("favourite-live.json"));
    ASSERT_GT(live.waiting, 0);
    EXPECT_EQ(live.stops[live.waiting - 1], "古城墙");
    EXPECT_TRUE(live.waitingIsFavourite);

    // 太原 shows on the buttons with its own empty lists; 大同's come back.
    for (const char* name : {"taiyuan-favourites.json", "taiyuan-search.json"}) {
        EXPECT_TRUE(showsText(dump(name), "太原")) << name;
        EXPECT_TRUE(readCells(dump(name)).empty()) << name;
        EXPECT_FALSE(showsText(dump(name), "最近三辆车：")) << name << ": 大同's line is still live";
    }
    EXPECT_TRUE(readCells(dump("favourites-deleted.json")).empty());
    EXPECT_EQ(cellTitles(dump("datong-search.json")), std::vector<std::string>{"9路"});
    platform::UserDefaults prefs(container / "Library" / "Preferences" / "preferences.json");
    EXPECT_EQ(prefs.objectForKey("postUrl"), json(standin.standin().cityBaseUrl(16)));

    // Plans between 大同站 and 北关: each names its two lines and where to change.
    const Cells plans = readCells(dump("transfer.json"));
    ASSERT_FALSE(plans.empty());
    for (const auto& plan : plans) {
        ASSERT_EQ(plan.size(), 6u);
        EXPECT_NE(plan[0].find("→"), std::string::npos) << plan[0];
        EXPECT_NE(plan[1].find("同站换乘"), std::string::npos) << plan[1];
    }
    expectFirstLegLive(plans, dump("transfer-live.json"), "大同站");
    // To 华严寺 a line goes direct in fewer stops than any change costs.
    const Cells direct = readCells(dump("transfer-direct.json"));
    ASSERT_FALSE(direct.empty());
    EXPECT_EQ(direct[0].size(), 4u);
    EXPECT_NE(direct[0][1].find("无需换乘"), std::string::npos) << direct[0][1];
    expectFirstLegLive(direct, dump("transfer-direct-live.json"), "大同站");

    fs::create_directories(APP_TEST_SHOTS);
    for (const char* shot : {"line-stations.png", "favourites.png", "cities.png", "transfer.png", "transfer-direct.png"})
        fs::copy_file(work / shot, fs::path(APP_TEST_SHOTS) / shot, fs::copy_options::overwrite_existing);
}

}  // namespace
}  // namespace bus::test
