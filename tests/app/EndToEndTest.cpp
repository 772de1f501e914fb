// The app binary on a fresh container, driven by scripts on Qt's offscreen
// platform: what a rider does on the refresh interval screen, what the
// window then shows (its view tree, dumped by the script), what lands in the
// preference file, and what the next start shows.

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "app/AppRun.h"
#include "app/Dumps.h"
#include "platform/Container.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

namespace bus::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class EndToEndTest : public testing::Test {
protected:
    void SetUp() override { fs::create_directories(work); }

    std::pair<int, std::string> run(const fs::path& script) { return runApp(script, container, work); }

    // The dumped refresh interval screen shows its four rows and the check
    // mark on `marked` alone (on none if empty); where the mark stands in
    // its row, the screen's own suite checks.
    void expectMarked(const std::string& dump, const std::string& marked) {
        const json tree = readDump(work / dump);
        EXPECT_EQ(cellTitles(tree), (std::vector<std::string>{"10秒", "20秒", "30秒", "手动刷新"})) << dump;
        const auto rows = cellTitles(tree, "选中.png");
        EXPECT_EQ(rows, marked.empty() ? std::vector<std::string>{} : std::vector<std::string>{marked}) << dump;
    }

    std::optional<json> stored() {
        return platform::UserDefaults(container / "Library" / "Preferences" / "preferences.json").objectForKey("refreshTime");
    }

    const fs::path container = containerRoot() / "app", work = containerRoot() / "work";
    const fs::path scripts = APP_TEST_SCRIPTS;
};

TEST_F(EndToEndTest, ChoosingByHandStoresOneHundredMovesTheMarkAndKeepsItForTheNextStart) {
    const auto fresh = run(scripts / "open_refresh_interval.txt");
    ASSERT_EQ(fresh.first, 0) << fresh.second;
    expectMarked("refresh-interval.json", "");
    EXPECT_EQ(stored(), std::nullopt);
    // Screenshots through the desktop host: the phone's 375 x 667 points at
    // 2x, each showing the window as it is at its step.
    const auto shot = [&](const char* name) { return QImage(QString::fromStdString((work / name).string())); };
    EXPECT_EQ(shot("first-tab.png").size(), QSize(750, 1334));
    EXPECT_NE(shot("first-tab.png"), shot("refresh-interval.png"));

    // More -> 设置刷新时间 -> 手动刷新, then back to the menu and in again.
    const auto chosen = run(scripts / "choose_by_hand.txt");
    ASSERT_EQ(chosen.first, 0) << chosen.second;
    EXPECT_EQ(stored(), json("100"));
    expectMarked("after-tap.json", "手动刷新");
    expectMarked("reopened.json", "手动刷新");

    const auto next = run(scripts / "open_refresh_interval.txt");
    ASSERT_EQ(next.first, 0) << next.second;
    expectMarked("refresh-interval.json", "手动刷新");
}

// Two copies on one container would each write their whole preference store
// over the other's: the second says the container is in use, exits, and
// leaves the files as they were.
TEST_F(EndToEndTest, ASecondCopyOnAContainerInUseSaysSoAndLeavesItAlone) {
    ASSERT_EQ(run(scripts / "choose_by_hand.txt").first, 0);
    const fs::path prefs = container / "Library" / "Preferences" / "preferences.json";
    const std::string before = readFile(prefs);
    std::string error;
    auto first = platform::ContainerLock::acquire(container, &error);
    ASSERT_TRUE(first) << error;
    const auto second = run(scripts / "open_refresh_interval.txt");
    EXPECT_NE(second.first, 0);
    EXPECT_NE(second.second.find("is in use"), std::string::npos) << second.second;
    EXPECT_FALSE(fs::exists(work / "first-tab.png"));
    EXPECT_EQ(readFile(prefs), before);
    first.reset();
    EXPECT_EQ(run(scripts / "open_refresh_interval.txt").first, 0) << "free again once the first copy is gone";
}

}  // namespace
}  // namespace bus::test
