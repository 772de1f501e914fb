// The window turning raw input into touches, pans and wheel scrolls; alerts
// in front of it all (their buttons answer the delegate, everything
// else is shut out until they go); and what it reports of the tree (visible
// texts, description, painting).
#include <algorithm>

#include <gtest/gtest.h>

#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextField.h"
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

// A window whose root screen is a plain page; its view starts at window
// y 20, below the status bar.
class WindowDispatchTest : public testing::Test {
protected:
    void SetUp() override { window.setRootViewController(screen); }
    // A button over most of the page that counts its presses.
    void addCountingButton() {
        auto button = add(std::make_shared<ui::Button>(ui::ButtonType::System, ui::Rect{0, 0, 375, 480}));
        button->addTarget(this, [this](ui::Control&) { ++presses; }, ui::ControlEventTouchUpInside);
    }
    template <class T>
    std::shared_ptr<T> add(std::shared_ptr<T> v, ui::View* parent = nullptr) {
        (parent ? parent : page.get())->addSubview(v);
        return v;
    }
    std::shared_ptr<ui::Label> label(ui::Rect frame, const std::string& text, ui::View* parent = nullptr) {
        auto l = add(std::make_shared<ui::Label>(frame), parent);
        l->setText(text);
        return l;
    }

    ui::Window window;
    Finger finger{window};
    std::shared_ptr<ui::ViewController> screen = std::make_shared<ui::ViewController>();
    ui::ViewPtr page = screen->view();
    int presses = 0;
};

TEST_F(WindowDispatchTest, DragOnScrollingContentBecomesAPanAndCancelsTheTouch) {
    auto scroller = add(std::make_shared<PanRecorder>(ui::Rect{0, 0, 375, 400}));
    auto cell = add(std::make_shared<TouchRecorder>(ui::Rect{0, 50, 375, 60}), scroller.get());
    auto& loop = platform::RunLoop::main();
    finger.down({100, 100});
    finger.move({100, 105});  // within the slop: still a touch
    EXPECT_EQ(cell->events, (std::vector<std::string>{"began", "moved"}));
    EXPECT_TRUE(scroller->pans.empty());
    loop.advance(0.05);
    finger.move({100, 130});
    EXPECT_EQ(cell->events, (std::vector<std::string>{"began", "moved", "cancelled"}));
    EXPECT_EQ(scroller->pans, (std::vector<std::string>{"began", "changed"}));
    EXPECT_EQ(scroller->panStart, (ui::Point{100, 100}));
    EXPECT_EQ(scroller->lastTranslation, (ui::Point{0, 30}));
    loop.advance(0.05);
    finger.move({100, 160});
    loop.advance(0.05);
    finger.up({100, 190});
    EXPECT_EQ(scroller->pans.back(), "ended");
    EXPECT_EQ(scroller->lastTranslation, (ui::Point{0, 90}));
    EXPECT_NEAR(scroller->velocity.y, 600, 1e-6);  // from the last tenth of a second: 60 points
    EXPECT_EQ(scroller->velocity.x, 0);
    EXPECT_EQ(cell->events.size(), 3u);  // nothing after its cancellation

    auto plain = add(std::make_shared<TouchRecorder>(ui::Rect{0, 450, 375, 100}));  // nothing to pan here
    finger.drag({100, 500}, {100, 540}, 2);
    EXPECT_EQ(plain->events, (std::vector<std::string>{"began", "moved", "moved", "ended"}));
    EXPECT_EQ(plain->last.startInWindow, (ui::Point{100, 500}));
}

TEST_F(WindowDispatchTest, WheelScrollsTheNearestPanningViewUnderThePointer) {
    auto outer = add(std::make_shared<PanRecorder>(ui::Rect{0, 0, 375, 400}));
    auto inner = add(std::make_shared<PanRecorder>(ui::Rect{0, 100, 375, 100}), outer.get());
    auto cell = add(std::make_shared<TouchRecorder>(ui::Rect{0, 0, 375, 50}), inner.get());
    window.scroll({50, 20 + 120}, 0, 40);   // over the cell in the inner list
    window.scroll({50, 20 + 300}, 0, -15);  // over the outer list only
    window.scroll({50, 20 + 520}, 0, 10);   // nothing scrolls there
    EXPECT_EQ(inner->scrolled, (ui::Point{0, 40}));
    EXPECT_EQ(outer->scrolled, (ui::Point{0, -15}));
    EXPECT_TRUE(cell->events.empty());
}

TEST_F(WindowDispatchTest, OnlyATouchBeginningAndEndingOnAButtonDismissesAndTheDelegateHearsAfterwards) {
    addCountingButton();
    Answers answers;
    auto alert = platform::AlertView::create("删除收藏", "确定删除吗?", &answers, "取消", {"确定"});
    alert->show();
    finger.tap({20, 40});                      // on the dimming
    ASSERT_TRUE(finger.tapText("删除收藏"));  // on the alert's text
    const ui::Rect ok = window.visibleFrameOf(*window.findViewShowingText("确定"));
    finger.down({ok.midX(), ok.midY()});
    finger.move({ok.midX(), ok.minY() - 60});
    finger.up({ok.midX(), ok.minY() - 60});  // left the button before lifting
    EXPECT_TRUE(answers.dismissed.empty() && alert->isVisible());
    EXPECT_EQ(presses, 0);
    ASSERT_TRUE(finger.tapText("确定"));
    EXPECT_EQ(answers.dismissed, (std::vector<int>{1}));
    EXPECT_FALSE(answers.stillVisibleWhenTold);
    EXPECT_EQ(window.findViewShowingText("删除收藏"), nullptr);
    finger.tap({100, 100});
    EXPECT_EQ(presses, 1);
}

TEST_F(WindowDispatchTest, TransientNoticeShutsOutTouchesAndTheKeyboardUntilItsOwnerClosesIt) {
    addCountingButton();
    auto field = add(std::make_shared<ui::TextField>(ui::Rect{0, 500, 375, 40}));
    finger.tap({50, 530});
    auto notice = platform::AlertView::create("提醒", "无法连接服务器");
    notice->show();
    finger.tap({100, 100});
    EXPECT_FALSE(window.insertText("1"));
    EXPECT_EQ(presses, 0);
    notice->dismissWithClickedButtonIndex(0, true);
    EXPECT_TRUE(window.insertText("1"));
    EXPECT_EQ(field->text(), "1");
    finger.tap({100, 100});
    EXPECT_EQ(presses, 1);
}

TEST_F(WindowDispatchTest, AnAlertArrivingCancelsTheTouchAndTheFrontAlertAnswersFirst) {
    auto recorder = add(std::make_shared<TouchRecorder>(ui::Rect{0, 0, 375, 100}));
    Answers first, second;
    finger.down({50, 50});
    platform::AlertView::create("一", "", &first, "甲")->show();
    finger.move({50, 52});
    finger.up({50, 52});
    EXPECT_EQ(recorder->events, (std::vector<std::string>{"began", "cancelled"}));
    platform::AlertView::create("二", "", &second, "乙")->show();
    EXPECT_EQ(window.findViewShowingText("甲"), nullptr);
    ASSERT_TRUE(finger.tapText("乙"));
    EXPECT_EQ(second.dismissed, (std::vector<int>{0}));
    ASSERT_TRUE(finger.tapText("甲"));
    EXPECT_EQ(first.dismissed, (std::vector<int>{0}));
}

TEST_F(WindowDispatchTest, FindsOnlyTextThatShowsPrefersTheFrontMostAndDescribesTheTree) {
    label({0, 0, 100, 20}, "隐藏")->hidden = true;
    label({0, 30, 100, 20}, "透明")->alpha = 0;
    auto faded = add(std::make_shared<ui::View>(ui::Rect{0, 60, 375, 40}));
    faded->alpha = 0.005;
    label({0, 0, 100, 20}, "淡出", faded.get());
    label({400, 0, 100, 20}, "窗外");
    auto clip = add(std::make_shared<ui::View>(ui::Rect{0, 120, 200, 50}));
    clip->clipsToBounds = true;
    label({0, 60, 100, 20}, "剪掉", clip.get());
    auto half = label({150, 10, 100, 20}, "半露", clip.get());
    auto back = label({0, 200, 100, 20}, "站点");
    auto front = label({0, 240, 100, 20}, "站点");

    for (const char* gone : {"隐藏", "透明", "淡出", "窗外", "剪掉"})
        EXPECT_EQ(window.findViewShowingText(gone), nullptr) << gone;
    EXPECT_EQ(window.findViewShowingText("半露"), half.get());
    EXPECT_EQ(window.visibleFrameOf(*half), (ui::Rect{150, 20 + 130, 50, 20}));
    EXPECT_EQ(window.findViewShowingText("站点"), front.get());
    front->hidden = true;
    EXPECT_EQ(window.findViewShowingText("站点"), back.get());

    // The description gives every view with its frame on the window.
    half->tag = 3;
    const auto tree = window.describe();
    EXPECT_EQ(tree["class"], "Window");
    EXPECT_EQ(tree["frame"], (nlohmann::json{0, 0, 375, 667}));
    EXPECT_NE(tree.dump().find(R"({"alpha":1.0,"children":[],"class":"Label","frame":[150.0,150.0,100.0,20.0],)"
                               R"("hidden":false,"tag":3,"text":"半露"})"),
              std::string::npos);
}

TEST_F(WindowDispatchTest, PaintsTheScreenThenTheStatusBarThenAlertsAboveAll) {
    label({10, 10, 200, 20}, "线路");
    platform::AlertView::create("提醒", "无法连接服务器")->show();
    RecordingCanvas canvas;
    window.draw(canvas);
    const long screenText = canvas.indexOf("text", "线路"), alertTitle = canvas.indexOf("text", "提醒");
    ASSERT_GE(screenText, 0);
    ASSERT_GT(alertTitle, screenText);
    EXPECT_GT(canvas.indexOf("text", "无法连接服务器"), alertTitle);
    EXPECT_EQ(canvas.ops[static_cast<std::size_t>(screenText)].rect, (ui::Rect{10, 30, 200, 20}));
    // A dimming layer over the whole window between the screen and the alert.
    const bool dimmed = std::any_of(canvas.ops.begin() + screenText, canvas.ops.begin() + alertTitle, [](auto& op) {
        return op.kind == "fillRect" && op.rect == ui::Rect{0, 0, 375, 667} && op.color.a > 0 && op.color.a < 1;
    });
    EXPECT_TRUE(dimmed);
}

}  // namespace
}  // namespace bus::test
