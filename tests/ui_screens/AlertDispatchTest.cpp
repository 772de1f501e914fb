// Alerts through the window: buttons answer the delegate, everything else
// under an alert is shut out, and a transient notice blocks touches and the
// keyboard until its owner closes it.
#include <gtest/gtest.h>

#include "platform/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/Window.h"
#include "ui_screens/ScreensTestSupport.h"

namespace bus::test {
namespace {

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
        window.setRootViewController(screen);
        auto button = std::make_shared<ui::Button>(ui::ButtonType::System, ui::Rect{0, 0, 375, 600});
        button->addTarget(this, [this](ui::Control&) { ++presses; }, ui::ControlEventTouchUpInside);
        screen->view()->addSubview(button);
    }
    ui::Window window;
    Finger finger{window};
    std::shared_ptr<ui::ViewController> screen = std::make_shared<ui::ViewController>();
    int presses = 0;
};

TEST_F(AlertDispatchTest, OnlyATouchBeginningAndEndingOnAButtonDismissesAndTheDelegateHearsAfterwards) {
    Answers answers;
    auto alert = platform::AlertView::create("删除收藏", "确定删除吗?", &answers, "取消", {"确定"});
    alert->show();
    finger.tap({20, 40});                      // on the dimming
    ASSERT_TRUE(finger.tapText("删除收藏"));  // on the alert's text
    window.scroll({20, 40}, 0, 50);
    const ui::Rect ok = window.visibleFrameOf(*window.findViewShowingText("确定"));
    finger.down({ok.midX(), ok.midY()});
    finger.move({ok.midX(), ok.minY() - 60});
    finger.up({ok.midX(), ok.minY() - 60});  // left the button before lifting
    EXPECT_TRUE(answers.dismissed.empty());
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(presses, 0);

    ASSERT_TRUE(finger.tapText("确定"));
    EXPECT_EQ(answers.dismissed, (std::vector<int>{1}));
    EXPECT_FALSE(answers.stillVisibleWhenTold);
    EXPECT_EQ(window.findViewShowingText("删除收藏"), nullptr);
    finger.tap({100, 100});
    EXPECT_EQ(presses, 1);
}

TEST_F(AlertDispatchTest, TransientNoticeShutsOutTouchesAndTheKeyboardUntilItsOwnerClosesIt) {
    auto field = std::make_shared<TextInput>(ui::Rect{0, 500, 375, 40});
    screen->view()->addSubview(field);
    finger.tap({50, 530});
    auto notice = platform::AlertView::create("提醒", "无法连接服务器");
    notice->show();
    finger.tap({100, 100});
    EXPECT_FALSE(window.insertText("1"));
    EXPECT_EQ(presses, 0);
    notice->dismissWithClickedButtonIndex(0, true);
    EXPECT_TRUE(window.insertText("1"));
    EXPECT_EQ(field->typed, "1");
    finger.tap({100, 100});
    EXPECT_EQ(presses, 1);
}

TEST_F(AlertDispatchTest, AlertArrivingDuringATouchCancelsIt) {
    auto recorder = std::make_shared<TouchRecorder>(ui::Rect{0, 0, 375, 100});
    screen->view()->addSubview(recorder);
    finger.down({50, 50});
    platform::AlertView::create("提醒", "无法连接服务器")->show();
    finger.move({50, 52});
    finger.up({50, 52});
    EXPECT_EQ(recorder->events, (std::vector<std::string>{"began", "cancelled"}));
}

TEST_F(AlertDispatchTest, TheFrontAlertAnswersFirst) {
    Answers first, second;
    platform::AlertView::create("一", "", &first, "甲")->show();
    platform::AlertView::create("二", "", &second, "乙")->show();
    EXPECT_EQ(window.findViewShowingText("甲"), nullptr);
    ASSERT_TRUE(finger.tapText("乙"));
    EXPECT_EQ(second.dismissed, (std::vector<int>{0}));
    ASSERT_TRUE(finger.tapText("甲"));
    EXPECT_EQ(first.dismissed, (std::vector<int>{0}));
}

}  // namespace
}  // namespace bus::test
