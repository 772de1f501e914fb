// The app binary on a fresh container, driven by scripts on Qt's offscreen
// platform: what a rider does on the refresh interval screen, what the
// window then shows (its view tree, dumped by the script), what lands in the
// preference file, and what the next start shows.

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "app/AppRun.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

namespace bus::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// A row of a table as the dump shows it, with the frames of its check marks.
struct Row {
    std::string text;
    std::vector<json> marks;
    double y = 0;  // in window points, as the marks' frames
};

// The shown rows below `node`: hidden views and everything in them are left out.
void collectRows(const json& node, std::vector<Row>& rows, int row = -1) {
    if (node.value("hidden", false) || node.value("alpha", 1.0) < 0.01) return;
    const std::string cls = node.value("class", "");
    if (cls == "TableViewCell") {
        rows.push_back({.text = {}, .marks = {}, .y = node["frame"][1].get<double>()});
        row = static_cast<int>(rows.size()) - 1;
    } else if (row >= 0 && cls == "Label" && node.contains("text")) {
        rows[static_cast<std::size_t>(row)].text = node["text"];
    } else if (row >= 0 && cls == "ImageView" && node.value("image", "") == "选中.png") {
        rows[static_cast<std::size_t>(row)].marks.push_back(node["frame"]);
    }
    for (const auto& child : node.value("children", json::array())) collectRows(child, rows, row);
}

class EndToEndTest : public testing::Test {
protected:
    void SetUp() override { fs::create_directories(work); }

    std::pair<int, std::string> run(const fs::path& script) { return runApp(script, container, work); }

    // The dumped refresh interval screen shows its four rows, the mark on
    // `marked` alone (on none if empty), 50 points from the right edge of
    // the full-width table and 15 below the top of its row.
    void expectMarked(const std::string& dump, const std::string& marked) {
        SCOPED_TRACE(dump);
        const json tree = readDump(work / dump);
        ASSERT_FALSE(tree.is_discarded());
        std::vector<Row> rows;
        collectRows(tree, rows);
        std::vector<std::string> texts, markedTexts;
        for (const auto& r : rows) {
            texts.push_back(r.text);
            if (r.marks.empty()) continue;
            markedTexts.push_back(r.text);
            EXPECT_EQ(r.marks, std::vector<json>{json::array({375 - 50, r.y + 15, 18, 12})});
        }
        EXPECT_EQ(texts, (std::vector<std::string>{"10秒", "20秒", "30秒", "手动刷新"}));
        EXPECT_EQ(markedTexts, marked.empty() ? std::vector<std::string>{} : std::vector<std::string>{marked});
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

}  // namespace
}  // namespace bus::test
