// Alerts through the window: buttons answer the delegate, everything else
// under an alert is shut out, and a transient notice blocks touches until
// its owner closes it a second later.
#include <gtest/gtest.h>

#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/Window.h"
#include "ui_screens/ScreensTestSupport.h"

namespace bus::test {
namespace {

using ui::TouchPhase;

class Answers : public platform::AlertViewDelegate {
public:
    void alertViewDidDismissWithButtonIndex(platform::AlertView& alert, int index) override {
        dismissed.push_back(index);
        stillVisibleWhenTold = alert.isVisible() || platform::AlertCenter::shared().frontAlert() != nullptr;
    }
    std::vector<int> dismissed;
    bool stillVisibleWhenTold = true;
};

class AlertDispatchTest : public testing::Test {
protected:
    void SetUp() override {
        screen = std::make_shared<ui::ViewController>();
        window.setRootViewController(screen);
        button = std::make_shared<ui::Button>(ui::ButtonType::System, ui::Rect{0, 0, 375, 600});
        button->setTitle("刷新");
        button->addTarget(this, [this](ui::Control&) { ++presses; }, ui::ControlEventTouchUpInside);
        screen->view()->addSubview(button);
    }
    void tap(ui::Point p) {
        window.touch(TouchPhase::Began, p);
        window.touch(TouchPhase::Ended, p);
    }
    bool tapText(const std::string& text) {
        ui::View* v = window.findViewShowingText(text);
        if (!v) return false;
        const ui::Rect r = window.visibleFrameOf(*v);
        tap({r.midX(), r.midY()});
        return true;
    }

    ui::Window window;
    std::shared_ptr<ui::ViewController> screen;
    std::shared_ptr<ui::Button> button;
    int presses = 0;
};

TEST_F(AlertDispatchTest, ButtonTapDismissesAndTellsTheDelegateAfterwards) {
    Answers answers;
    auto alert = platform::AlertView::create("删除收藏", "确定删除吗?", &answers, "取消", {"确定"});
    alert->show();

    ASSERT_TRUE(tapText("确定"));
    EXPECT_EQ(answers.dismissed, (std::vector<int>{1}));
    EXPECT_FALSE(answers.stillVisibleWhenTold);
    EXPECT_EQ(platform::AlertCenter::shared().frontAlert(), nullptr);
    EXPECT_EQ(presses, 0);
    EXPECT_EQ(window.findViewShowingText("删除收藏"), nullptr);

    tap({100, 100});
    EXPECT_EQ(presses, 1);
}

TEST_F(AlertDispatchTest, TouchesBesideTheButtonsAreSwallowed) {
    Answers answers;
    auto alert = platform::AlertView::create("提醒", "说明", &answers, "好");
    alert->show();
    tap({20, 40});                                             // on the dimming
    ui::View* title = window.findViewShowingText("提醒");      // on the alert's text
    ASSERT_NE(title, nullptr);
    tap({title->frameInWindow().midX(), title->frameInWindow().midY()});
    window.scroll({20, 40}, 0, 50);
    EXPECT_TRUE(answers.dismissed.empty());
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(presses, 0);

    ASSERT_TRUE(tapText("好"));
    EXPECT_EQ(answers.dismissed, (std::vector<int>{0}));
}

TEST_F(AlertDispatchTest, ButtonActsOnlyWhenTheTouchEndsOnIt) {
    Answers answers;
    auto alert = platform::AlertView::create("提醒", "", &answers, "好");
    alert->show();
    ui::View* ok = window.findViewShowingText("好");
    ASSERT_NE(ok, nullptr);
    const ui::Rect r = ok->frameInWindow();
    window.touch(TouchPhase::Began, {r.midX(), r.midY()});
    window.touch(TouchPhase::Moved, {r.midX(), r.minY() - 60});
    window.touch(TouchPhase::Ended, {r.midX(), r.minY() - 60});
    EXPECT_TRUE(answers.dismissed.empty());
    EXPECT_TRUE(alert->isVisible());
}

TEST_F(AlertDispatchTest, TransientNoticeBlocksTouchesUntilItsOwnerClosesIt) {
    auto notice = platform::AlertView::create("提醒", "无法连接服务器");
    notice->show();
    platform::RunLoop::main().performAfterDelay(1.0, [notice] { notice->dismissWithClickedButtonIndex(0, true); });

    tap({100, 100});
    EXPECT_EQ(presses, 0);
    EXPECT_NE(window.findViewShowingText("无法连接服务器"), nullptr);

    platform::RunLoop::main().advance(0.99);
    tap({100, 100});
    EXPECT_EQ(presses, 0);

    platform::RunLoop::main().advance(0.01);
    EXPECT_EQ(window.findViewShowingText("无法连接服务器"), nullptr);
    tap({100, 100});
    EXPECT_EQ(presses, 1);
}

TEST_F(AlertDispatchTest, AlertArrivingDuringATouchCancelsIt) {
    auto recorder = std::make_shared<TouchRecorder>(ui::Rect{0, 0, 375, 100});
    screen->view()->addSubview(recorder);
    window.touch(TouchPhase::Began, {50, 50});
    platform::AlertView::create("提醒", "无法连接服务器")->show();
    window.touch(TouchPhase::Moved, {50, 52});
    window.touch(TouchPhase::Ended, {50, 52});
    EXPECT_EQ(recorder->events, (std::vector<std::string>{"began", "cancelled"}));
}

TEST_F(AlertDispatchTest, KeyboardIsShutOutWhileAnAlertShows) {
    auto field = std::make_shared<TextInput>(ui::Rect{0, 0, 375, 40});
    screen->view()->addSubview(field);
    tap({50, 40});
    ASSERT_EQ(window.firstResponder(), field.get());
    auto notice = platform::AlertView::create("提醒", "无法连接服务器");
    notice->show();
    EXPECT_FALSE(window.insertText("1"));
    notice->dismissWithClickedButtonIndex(0, true);
    EXPECT_TRUE(window.insertText("1"));
    EXPECT_EQ(field->typed, "1");
}

TEST_F(AlertDispatchTest, TheFrontAlertAnswersFirst) {
    Answers first, second;
    platform::AlertView::create("一", "", &first, "甲")->show();
    platform::AlertView::create("二", "", &second, "乙")->show();
    EXPECT_EQ(window.findViewShowingText("甲"), nullptr);
    ASSERT_TRUE(tapText("乙"));
    EXPECT_EQ(second.dismissed, (std::vector<int>{0}));
    ASSERT_TRUE(tapText("甲"));
    EXPECT_EQ(first.dismissed, (std::vector<int>{0}));
}

}  // namespace
}  // namespace bus::test
