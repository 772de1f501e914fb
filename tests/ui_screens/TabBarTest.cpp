// The start arrangement: tabs, each the root of a navigation stack.
#include <gtest/gtest.h>

#include "platform/RunLoop.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/Window.h"
#include "ui_screens/ScreensTestSupport.h"

namespace bus::test {
namespace {

class TabBarTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"Search", "Favourites", "More", "Time"})
            storyboard.screen(name, [this, name] { return std::make_shared<RecordingScreen>(name, log); });
        storyboard.transition("More", "busTime", "Time").transition("Favourites", "busTime", "Time");
        storyboard.initialTabs({{"Search", "查询", "tab_search.png", "tab_search_on.png"},
                                {"Favourites", "收藏", "tab_fav.png", "tab_fav_on.png"},
                                {"More", "更多", "tab_more.png", "tab_more_on.png"}});
        root = storyboard.instantiateInitialViewController();
        tabs = dynamic_cast<ui::TabBarController*>(root.get());
        ASSERT_NE(tabs, nullptr);
        window.setRootViewController(root);
    }

    ui::NavigationController* stack(int i) const {
        return dynamic_cast<ui::NavigationController*>(tabs->viewControllers()[static_cast<std::size_t>(i)].get());
    }
    std::shared_ptr<EventLog> log = std::make_shared<EventLog>();
    ui::Storyboard storyboard;
    ui::Window window;
    Finger finger{window};
    std::shared_ptr<ui::ViewController> root;
    ui::TabBarController* tabs = nullptr;
};

TEST_F(TabBarTest, OnlyTheFirstTabLoadsAndAppearsAtStartAboveTheTabBar) {
    EXPECT_EQ(*log, (EventLog{"Search.viewDidLoad", "Search.willAppear", "Search.didAppear"}));
    EXPECT_EQ(tabs->selectedIndex(), 0);
    ASSERT_EQ(tabs->viewControllers().size(), 3u);
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(stack(i), nullptr);
        EXPECT_EQ(stack(i)->topViewController()->tabBarController(), tabs);
        EXPECT_EQ(stack(i)->topViewController()->navigationController(), stack(i));
    }
    EXPECT_FALSE(stack(1)->topViewController()->isViewLoaded());
    // The third of three tabs at the bottom; the screen's view fills what the bars leave.
    ui::View* more = window.findViewShowingText("更多");
    ASSERT_NE(more, nullptr);
    EXPECT_EQ(more->frameInWindow(), (ui::Rect{250, ui::Window::kHeight - 49, 125, 49}));
    EXPECT_EQ(more->imageName(), "tab_more.png");
    EXPECT_EQ(window.findViewShowingText("查询")->imageName(), "tab_search_on.png");
    EXPECT_EQ(stack(0)->topViewController()->view()->frameInWindow(), (ui::Rect{0, 64, 375, 554}));
}

TEST_F(TabBarTest, SelectingATabSwapsTheScreensInOrder) {
    log->clear();
    ASSERT_TRUE(finger.tapText("更多"));
    EXPECT_EQ(*log, (EventLog{"More.viewDidLoad", "Search.willDisappear", "More.willAppear", "Search.didDisappear",
                              "More.didAppear"}));
    EXPECT_EQ(tabs->selectedIndex(), 2);
    EXPECT_EQ(window.findViewShowingText("更多")->imageName(), "tab_more_on.png");
    EXPECT_EQ(stack(0)->topViewController()->view()->window(), nullptr);
    EXPECT_EQ(stack(2)->topViewController()->view()->window(), &window);
}

TEST_F(TabBarTest, ScreensPushedInAHiddenTabAppearOnlyWhenItIsSelected) {
    log->clear();
    stack(1)->topViewController()->performSegueWithIdentifier("busTime", "0");
    // Nothing on the hidden tab loaded or was told it appeared.
    EXPECT_EQ(stack(1)->viewControllers().size(), 2u);
    EXPECT_TRUE(log->empty());
    tabs->setSelectedIndex(1);
    EXPECT_EQ(*log, (EventLog{"Time.viewDidLoad", "Search.willDisappear", "Time.willAppear", "Search.didDisappear",
                              "Time.didAppear"}));
    // The root under it has not been needed yet.
    EXPECT_FALSE(stack(1)->viewControllers().front()->isViewLoaded());
}

TEST_F(TabBarTest, TappingTheShownTabAgainReturnsToItsRoot) {
    tabs->setSelectedIndex(2);
    stack(2)->topViewController()->performSegueWithIdentifier("busTime", "0");
    ASSERT_EQ(stack(2)->viewControllers().size(), 2u);
    log->clear();
    ASSERT_TRUE(finger.tapText("更多"));
    EXPECT_EQ(stack(2)->viewControllers().size(), 1u);
    EXPECT_EQ(*log, (EventLog{"Time.willDisappear", "More.willAppear", "Time.didDisappear", "More.didAppear"}));
    platform::RunLoop::main().drain();
    EXPECT_EQ(log->back(), "Time.destroyed");
}

TEST_F(TabBarTest, LeavingTheWindowTellsTheShownScreensTheyDisappear) {
    log->clear();
    window.setRootViewController(nullptr);
    EXPECT_EQ(*log, (EventLog{"Search.willDisappear", "Search.didDisappear"}));
    EXPECT_EQ(window.findViewShowingText("查询"), nullptr);
}

}  // namespace
}  // namespace bus::test
