// The More menu: its three rows and the screens they open.
#include <gtest/gtest.h>

#include "screens/ScreenFixture.h"
#include "screens/personal/BusMoreViewController.h"

namespace bus::test {
namespace {

// The menu as the app has it, writing down the transitions it performs.
class RecordingMore : public BusMoreViewController {
public:
    void prepareForSegue(ui::StoryboardSegue& segue, const std::string& sender) override {
        performed.push_back({segue.identifier(), sender});
        BusMoreViewController::prepareForSegue(segue, sender);
    }
    std::vector<std::pair<std::string, std::string>> performed;
};

class MoreMenuTest : public ScreenFixture {
protected:
    void SetUp() override {
        storyboard.screen("More", [] { return std::make_shared<RecordingMore>(); }, tableLayout<RecordingMore>())
            .screen<ui::ViewController>("AboutPage")
            .screen<ui::ViewController>("AgreementPage")
            .screen<ui::ViewController>("RefreshTime")
            .transition("More", "busAbout", "AboutPage")
            .transition("More", "busUserAgreement", "AgreementPage")
            .transition("More", "busTime", "RefreshTime");
        more = std::dynamic_pointer_cast<RecordingMore>(show("More"));
        ASSERT_TRUE(more);
        table = more->queryUITableView.lock();
        ASSERT_TRUE(table);
    }

    std::string topScreen() const { return navigation->topViewController()->storyboardIdentifier(); }

    std::shared_ptr<RecordingMore> more;
    std::shared_ptr<ui::TableView> table;
};

TEST_F(MoreMenuTest, ListsAboutAgreementAndRefreshIntervalInOneSection) {
    EXPECT_EQ(table->dataSource(), more.get());
    EXPECT_EQ(table->delegate(), more.get());
    EXPECT_EQ(table->numberOfSections(), 1);
    EXPECT_EQ(rowTexts(*table), (std::vector<std::string>{"关于我们", "用户协议", "设置刷新时间"}));
    EXPECT_EQ(more->data, (std::vector<std::string>{"关于我们", "用户协议", "设置刷新时间"}));
}

TEST_F(MoreMenuTest, RowsAreSubtitleCellsWithDisclosureAndNoSeparatorsBelowTheLast) {
    for (int r = 0; r < 3; ++r) {
        auto cell = table->cellForRowAtIndexPath(ui::IndexPath::forRow(r));
        ASSERT_TRUE(cell) << "row " << r;
        EXPECT_EQ(cell->reuseIdentifier(), "mycell");
        EXPECT_EQ(cell->style(), ui::TableViewCellStyle::Subtitle);
        EXPECT_EQ(cell->accessoryType, ui::TableViewCellAccessoryType::DisclosureIndicator);
    }
    EXPECT_EQ(table->separatorInset, (ui::EdgeInsets{0, 0, 0, 0}));
    ASSERT_TRUE(table->tableFooterView());
    EXPECT_TRUE(table->tableFooterView()->subviews().empty());
}

TEST_F(MoreMenuTest, EachRowOpensItsScreenWithSenderZero) {
    const std::vector<std::pair<std::string, std::string>> expected{
        {"busAbout", "AboutPage"}, {"busUserAgreement", "AgreementPage"}, {"busTime", "RefreshTime"}};
    for (int r = 0; r < 3; ++r) {
        SCOPED_TRACE("row " + std::to_string(r));
        more->performed.clear();
        tapRow(*table, r);
        ASSERT_EQ(more->performed.size(), 1u);
        EXPECT_EQ(more->performed[0].first, expected[r].first);
        EXPECT_EQ(more->performed[0].second, "0");
        EXPECT_EQ(navigation->viewControllers().size(), 2u);
        EXPECT_EQ(topScreen(), expected[r].second);
        navigation->popToRootViewControllerAnimated(false);
        settle();
        ASSERT_EQ(topScreen(), "More");
        // Back on the menu, no row is left highlighted.
        EXPECT_EQ(table->indexPathForSelectedRow(), std::nullopt);
    }
}

TEST_F(MoreMenuTest, RowsBeyondTheMenuOpenNothing) {
    for (int row : {3, 4, -1}) {
        more->didSelectRowAtIndexPath(*table, ui::IndexPath::forRow(row));
        settle();
    }
    EXPECT_TRUE(more->performed.empty());
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
}

TEST_F(MoreMenuTest, RowsStayTheSameAfterAReload) {
    table->reloadData();
    table->reloadData();
    EXPECT_EQ(rowTexts(*table), (std::vector<std::string>{"关于我们", "用户协议", "设置刷新时间"}));
    tapRow(*table, 2);
    ASSERT_EQ(more->performed.size(), 1u);
    EXPECT_EQ(more->performed[0].first, "busTime");
}

}  // namespace
}  // namespace bus::test
