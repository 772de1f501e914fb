// The refresh interval screen: what each row stores and where the check mark
// stands for what is stored.
#include <gtest/gtest.h>

#include "platform/Container.h"
#include "platform/UserDefaults.h"
#include "platform/ui/ImageView.h"
#include "screens/ScreenFixture.h"
#include "screens/personal/BusRefreshTimeViewController.h"

namespace bus::test {
namespace {

const std::vector<std::string> kRows{"10秒", "20秒", "30秒", "手动刷新"};

class RefreshTimeTest : public ScreenFixture {
protected:
    void open(ui::Rect tableFrame = {0, 0, 375, 554}) {
        storyboard.screen<BusRefreshTimeViewController>("RefreshTime",
                                                        tableLayout<BusRefreshTimeViewController>(tableFrame));
        screen = std::dynamic_pointer_cast<BusRefreshTimeViewController>(show("RefreshTime"));
        ASSERT_TRUE(screen);
        table = screen->queryUITableView.lock();
        ASSERT_TRUE(table);
    }

    // What a later run of the app would find in the preference file.
    static std::optional<nlohmann::json> storedOnDisk() {
        platform::UserDefaults fromFile(platform::Container::preferencesFile());
        return fromFile.objectForKey("refreshTime");
    }

    std::shared_ptr<BusRefreshTimeViewController> screen;
    std::shared_ptr<ui::TableView> table;
};

TEST_F(RefreshTimeTest, FreshInstallShowsTheFourRowsWithoutACheckMark) {
    open();
    EXPECT_EQ(table->numberOfSections(), 1);
    EXPECT_EQ(rowTexts(*table), kRows);
    EXPECT_EQ(screen->data, kRows);
    EXPECT_TRUE(rowsWithCheckMark(*table).empty());
    EXPECT_FALSE(platform::UserDefaults::standard().objectForKey("refreshTime"));
}

TEST_F(RefreshTimeTest, CellsAreSubtitleStyleWithoutSeparatorsBelowTheLastRow) {
    open();
    auto cell = table->cellForRowAtIndexPath(ui::IndexPath::forRow(0));
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->reuseIdentifier(), "mycell");
    EXPECT_EQ(cell->style(), ui::TableViewCellStyle::Subtitle);
    EXPECT_EQ(table->separatorInset, (ui::EdgeInsets{0, 0, 0, 0}));
    ASSERT_TRUE(table->tableFooterView());
    EXPECT_TRUE(table->tableFooterView()->subviews().empty());
}

TEST_F(RefreshTimeTest, EachRowStoresItsValueAndTheMarkMovesToIt) {
    open();
    const std::vector<std::string> values{"10", "20", "30", "100"};
    for (int r : {2, 0, 3, 1}) {
        SCOPED_TRACE(kRows[static_cast<std::size_t>(r)]);
        tapRow(*table, r);
        EXPECT_EQ(platform::UserDefaults::standard().objectForKey("refreshTime"),
                  nlohmann::json(values[static_cast<std::size_t>(r)]));
        EXPECT_EQ(storedOnDisk(), nlohmann::json(values[static_cast<std::size_t>(r)]));
        EXPECT_EQ(rowsWithCheckMark(*table), std::vector<int>{r});
        // The screen stays open.
        EXPECT_EQ(navigation->topViewController(), screen);
    }
}

TEST_F(RefreshTimeTest, TheMarkSitsFiftyPointsFromTheTablesRightEdge) {
    platform::UserDefaults::standard().setObject("30", "refreshTime");
    open({0, 0, 320, 400});
    auto cell = table->cellForRowAtIndexPath(ui::IndexPath::forRow(2));
    ASSERT_TRUE(cell);
    const auto marks = checkMarks(*cell);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0]->superview(), cell->contentView().get());
    EXPECT_EQ(marks[0]->frame(), (ui::Rect{270, 15, 18, 12}));
    EXPECT_NE(dynamic_cast<const ui::ImageView*>(marks[0]), nullptr);
}

TEST_F(RefreshTimeTest, TappingTheSameRowTwiceLeavesOneMark) {
    open();
    tapRow(*table, 1);
    tapRow(*table, 1);
    EXPECT_EQ(platform::UserDefaults::standard().objectForKey("refreshTime"), nlohmann::json("20"));
    ASSERT_EQ(rowsWithCheckMark(*table), std::vector<int>{1});
    auto cell = table->cellForRowAtIndexPath(ui::IndexPath::forRow(1));
    EXPECT_EQ(checkMarks(*cell).size(), 1u);
}

TEST_F(RefreshTimeTest, AValueStoredElsewhereMarksItsRow) {
    // The live bus screen stores "10" when it first loads.
    platform::UserDefaults::standard().setObject("10", "refreshTime");
    open();
    EXPECT_EQ(rowsWithCheckMark(*table), std::vector<int>{0});
}

TEST_F(RefreshTimeTest, AStoredNumberReadsLikeItsText) {
    platform::UserDefaults::standard().setObject(100, "refreshTime");
    open();
    EXPECT_EQ(rowsWithCheckMark(*table), std::vector<int>{3});
}

TEST_F(RefreshTimeTest, OtherStoredValuesMarkNoRowAndAreLeftAsTheyAre) {
    for (const char* odd : {"15", "0", "abc", "99", "-10"}) {
        SCOPED_TRACE(odd);
        platform::UserDefaults::standard().setObject(odd, "refreshTime");
        table.reset();
        window->setRootViewController(nullptr);
        storyboard.clear();
        open();
        EXPECT_EQ(rowTexts(*table), kRows);
        EXPECT_TRUE(rowsWithCheckMark(*table).empty());
        EXPECT_EQ(platform::UserDefaults::standard().objectForKey("refreshTime"), nlohmann::json(odd));
    }
}

TEST_F(RefreshTimeTest, TextAfterTheNumberStillReadsAsTheNumber) {
    // The stored text is read as an integer from its start.
    platform::UserDefaults::standard().setObject("30 seconds", "refreshTime");
    open();
    EXPECT_EQ(rowsWithCheckMark(*table), std::vector<int>{2});
}

TEST_F(RefreshTimeTest, AReusedCellLosesTheMarkOfTheRowItShowedBefore) {
    platform::UserDefaults::standard().setObject("100", "refreshTime");
    open();
    auto markedBefore = table->cellForRowAtIndexPath(ui::IndexPath::forRow(3));
    ASSERT_EQ(checkMarks(*markedBefore).size(), 1u);

    // Someone else changes the value; the reload hands the cells out again.
    platform::UserDefaults::standard().setObject("20", "refreshTime");
    table->reloadData();

    int reusedFor = -1;
    for (int r = 0; r < 4; ++r)
        if (table->cellForRowAtIndexPath(ui::IndexPath::forRow(r)) == markedBefore) reusedFor = r;
    ASSERT_GE(reusedFor, 0) << "the reload did not reuse the marked cell";
    ASSERT_NE(reusedFor, 1) << "the marked cell went to the row that is marked now";
    EXPECT_EQ(rowsWithCheckMark(*table), std::vector<int>{1});
    EXPECT_EQ(checkMarks(*table->cellForRowAtIndexPath(ui::IndexPath::forRow(1))).size(), 1u);
    EXPECT_EQ(rowTexts(*table), kRows);
}

TEST_F(RefreshTimeTest, ReloadsDoNotPileUpViewsInTheCells) {
    open();
    for (int i = 0; i < 5; ++i) tapRow(*table, i % 4);
    for (int r = 0; r < 4; ++r) {
        auto cell = table->cellForRowAtIndexPath(ui::IndexPath::forRow(r));
        ASSERT_TRUE(cell);
        // The text label, and the mark on the chosen row only.
        EXPECT_EQ(cell->contentView()->subviews().size(), r == 0 ? 2u : 1u) << "row " << r;
    }
}

TEST_F(RefreshTimeTest, ARowPastTheFourStoresByHand) {
    open();
    screen->didSelectRowAtIndexPath(*table, ui::IndexPath::forRow(7));
    EXPECT_EQ(platform::UserDefaults::standard().objectForKey("refreshTime"), nlohmann::json("100"));
    EXPECT_EQ(rowsWithCheckMark(*table), std::vector<int>{3});
}

}  // namespace
}  // namespace bus::test
