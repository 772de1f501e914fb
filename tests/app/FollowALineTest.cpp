// A rider follows a line in the app binary, against the bundled stand-in on
// free ports with a clock the test holds: search, the live screen with its
// rows, vehicles and panel, a timer tick after the clock moved, a stop tap, a
// vehicle tap, a favourite, a direction switch, then the history and its
// clearing. The script dumps the window at each step; the checks read the
// dumps as a rider reads the screen.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "StandinTestSupport.h"
#include "app/AppRun.h"
#include "app/Dumps.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

namespace bus::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class FollowALineTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(work);
        chooseCity(container, standin.standin().cityBaseUrl(16));
        platform::UserDefaults prefs(container / "Library" / "Preferences" / "preferences.json");
        prefs.setObject("10", "refreshTime");
        prefs.synchronize();
    }

    Live live(const std::string& dump) {
        const json tree = readDump(work / dump);
        EXPECT_FALSE(tree.is_discarded()) << dump;
        return readLive(tree);
    }

    std::vector<std::string> historyRows(const std::string& dump) { return cellTitles(readDump(work / dump)); }

    standin::test::RunningStandin standin;
    const fs::path container = containerRoot() / "app", work = containerRoot() / "work";
};

TEST_F(FollowALineTest, SearchFollowPickMarkSwitchAndComeBackToTheHistory) {
    AppRun app(fs::path(APP_TEST_SCRIPTS) / "follow_a_line.txt", container, work);
    // Move the service's clock on once the live screen has shown its first
    // vehicles, so that the timer's fetch sees them elsewhere.
    EXPECT_TRUE(waitForFile(work / "live.json", 60));
    standin.clock.advance(std::chrono::minutes(3));
    const auto [status, errors] = app.finish();
    ASSERT_EQ(status, 0) << errors;

    // 9路 opened from a line hit: 40 rows, stop 3 waits, vehicles and one panel.
    const Live first = live("live.json");
    EXPECT_EQ(first.stops.size(), 40u);
    EXPECT_EQ(first.waiting, 3);
    EXPECT_EQ(first.panels, 1);
    ASSERT_FALSE(first.vehicleFrames.empty());
    // 大同's sample alert on 9路: its title over the route, its stop marked.
    const json liveTree = readDump(work / "live.json");
    EXPECT_TRUE(showsText(liveTree, "9路古城墙站临时迁移"));
    EXPECT_EQ(countShown(liveTree, "有提醒"), 1);

    // The timer fetched again after the clock moved: the rows stay, vehicles moved.
    const Live ticked = live("ticked.json");
    EXPECT_EQ(ticked.stops, first.stops);
    EXPECT_NE(ticked.vehicleFrames, first.vehicleFrames);

    // A tap on a stop makes it the waiting stop; a tap on a vehicle past it
    // makes the stop before that vehicle the waiting stop.
    EXPECT_EQ(live("stop-tapped.json").waiting, 4);
    const Live afterVehicle = live("vehicle-tapped.json");
    EXPECT_GE(afterVehicle.waiting, 4);

    // The star marks the waiting stop; the rebuild shows it as a favourite,
    // and the stored waiting stop is that stop.
    const Live marked = live("favourite.json");
    EXPECT_EQ(marked.waiting, afterVehicle.waiting);
    EXPECT_TRUE(marked.waitingIsFavourite);
    platform::UserDefaults prefs(container / "Library" / "Preferences" / "preferences.json");
    EXPECT_EQ(prefs.objectForKey("orderNo"), json(std::to_string(afterVehicle.waiting)));

    // The other direction: its own terminal, the same stop waiting by name.
    const Live switched = live("switched.json");
    ASSERT_GT(switched.waiting, 0);
    EXPECT_NE(switched.title, marked.title);
    EXPECT_EQ(switched.stops[switched.waiting - 1], marked.stops[marked.waiting - 1]);
    EXPECT_FALSE(switched.waitingIsFavourite);

    // Back on the search screen the line is the history's last row, until cleared.
    const auto history = historyRows("history.json");
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.back(), "9路");
    EXPECT_TRUE(historyRows("cleared.json").empty());

    // Pictures of the hits and the live screen, kept for a person to look at.
    fs::create_directories(APP_TEST_SHOTS);
    for (const char* shot : {"hits.png", "live.png", "favourite.png", "switched.png"})
        fs::copy_file(work / shot, fs::path(APP_TEST_SHOTS) / shot, fs::copy_options::overwrite_existing);
}

}  // namespace
}  // namespace bus::test
