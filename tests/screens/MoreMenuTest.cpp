// The More menu: its three rows and the screens they open.
#include <gtest/gtest.h>

#include "screens/ScreenFixture.h"
#include "screens/personal/BusMoreViewController.h"

namespace bus::test {
namespace {

using MoreMenuTest = ScreenFixture;

TEST_F(MoreMenuTest, EachRowOpensItsScreenAndNoOtherRowOpensAny) {
    storyboard.screen<BusMoreViewController>("More", tableLayout<BusMoreViewController>())
        .screen<ui::ViewController>("AboutPage")
        .screen<ui::ViewController>("AgreementPage")
        .screen<ui::ViewController>("RefreshTime")
        .transition("More", "busAbout", "AboutPage")
        .transition("More", "busUserAgreement", "AgreementPage")
        .transition("More", "busTime", "RefreshTime");
    auto more = std::dynamic_pointer_cast<BusMoreViewController>(show("More"));
    ASSERT_TRUE(more);
    auto table = more->queryUITableView.lock();
    ASSERT_TRUE(table);
    EXPECT_EQ(rowTexts(*table), (std::vector<std::string>{"关于我们", "用户协议", "设置刷新时间"}));

    const char* opens[] = {"AboutPage", "AgreementPage", "RefreshTime"};
    for (int r = 0; r < 3; ++r) {
        SCOPED_TRACE(opens[r]);
        tapRow(*table, r);
        EXPECT_EQ(navigation->viewControllers().size(), 2u);
        EXPECT_EQ(navigation->topViewController()->storyboardIdentifier(), opens[r]);
        navigation->popToRootViewControllerAnimated(false);
        settle();
        // Back on the menu, no row is left highlighted.
        EXPECT_EQ(table->indexPathForSelectedRow(), std::nullopt);
    }
    for (int row : {3, 4, -1}) more->didSelectRowAtIndexPath(*table, ui::IndexPath::forRow(row));
    settle();
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
}

}  // namespace
}  // namespace bus::test
