// The refresh interval screen: what each row stores and where the check mark
// stands for what is stored.
#include <gtest/gtest.h>

#include "platform/Container.h"
#include "platform/UserDefaults.h"
#include "screens/ScreenFixture.h"
#include "screens/personal/BusRefreshTimeViewController.h"

namespace bus::test {
namespace {

using nlohmann::json;

const std::vector<std::string> kRows{"10秒", "20秒", "30秒", "手动刷新"};

class RefreshTimeTest : public ScreenFixture {
protected:
    void SetUp() override {
        storyboard.screen<BusRefreshTimeViewController>("RefreshTime", tableLayout<BusRefreshTimeViewController>())
            .screen<BusRefreshTimeViewController>("Narrow", tableLayout<BusRefreshTimeViewController>({0, 0, 320, 400}));
    }
    // Opens the screen afresh, as a rider coming back to it would.
    void open(const std::string& name = "RefreshTime") {
        screen = std::dynamic_pointer_cast<BusRefreshTimeViewController>(show(name));
        ASSERT_TRUE(screen);
        table = screen->queryUITableView.lock();
        ASSERT_TRUE(table);
        EXPECT_EQ(rowTexts(*table), kRows);
    }

    static std::optional<json> stored() { return platform::UserDefaults::standard().objectForKey("refreshTime"); }

    // One mark on `row` (none for -1), 50 points from the table's right edge,
    // and no views left over in any cell from the row it showed before a
    // reload: its label, and the mark.
    void expectMarkOn(int row) {
        EXPECT_EQ(rowsWithCheckMark(*table), row < 0 ? std::vector<int>{} : std::vector<int>{row});
        for (int r = 0; r < 4; ++r) {
            const auto content = table->cellForRowAtIndexPath(ui::IndexPath::forRow(r))->contentView();
            ASSERT_EQ(content->subviews().size(), r == row ? 2u : 1u) << "row " << r;
            if (r != row) continue;
            EXPECT_EQ(checkMarks(*content)[0]->frame(), (ui::Rect{table->frame().width() - 50, 15, 18, 12}));
        }
    }

    std::shared_ptr<BusRefreshTimeViewController> screen;
    std::shared_ptr<ui::TableView> table;
};

// What another screen, or an older run, stored: the value is read as an
// integer from the start of its text, only the four rows' values mark a row,
// and the screen leaves the value as it found it.
TEST_F(RefreshTimeTest, TheStoredValueMarksItsRow) {
    const std::pair<std::optional<json>, int> cases[] = {
        {std::nullopt, -1}, {json("10"), 0},  {json("30 seconds"), 2}, {json(100), 3}, {json("15"), -1},
        {json("0"), -1},    {json("abc"), -1}, {json("99"), -1},        {json("-10"), -1}};
    for (const auto& [value, row] : cases) {
        SCOPED_TRACE(value ? value->dump() : "nothing stored");
        if (value) platform::UserDefaults::standard().setObject(*value, "refreshTime");
        open("Narrow");
        expectMarkOn(row);
        EXPECT_EQ(stored(), value);
    }
}

TEST_F(RefreshTimeTest, EachRowStoresItsValueOnDiskAndTheMarkMovesToIt) {
    open();
    // Row 7 lies past the table: reached only by a direct call, it counts as by hand.
    const std::pair<int, const char*> taps[] = {{2, "30"}, {0, "10"}, {3, "100"}, {1, "20"}, {1, "20"}, {7, "100"}};
    for (const auto& [row, value] : taps) {
        SCOPED_TRACE("row " + std::to_string(row));
        if (row < 4)
            tapRow(*table, row);
        else
            screen->didSelectRowAtIndexPath(*table, ui::IndexPath::forRow(row));
        EXPECT_EQ(stored(), json(value));
        // What a later run of the app finds in the preference file.
        EXPECT_EQ(platform::UserDefaults(platform::Container::preferencesFile()).objectForKey("refreshTime"), json(value));
        expectMarkOn(std::min(row, 3));
        EXPECT_EQ(navigation->topViewController(), screen);
    }
}

}  // namespace
}  // namespace bus::test
