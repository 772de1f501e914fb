// The window turning raw input into touches, pans, wheel scrolls and text,
// and what it reports of the tree (visible texts, description, painting).
#include <gtest/gtest.h>

#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/Label.h"
#include "platform/ui/Window.h"
#include "ui_screens/ScreensTestSupport.h"

namespace bus::test {
namespace {

using ui::TouchPhase;

// A window whose root screen is a plain page; its view starts at window
// y 20, below the status bar.
class WindowDispatchTest : public testing::Test {
protected:
    void SetUp() override {
        screen = std::make_shared<ui::ViewController>();
        window.setRootViewController(screen);
        page = screen->view();
    }
    void tap(double x, double y) {
        window.touch(TouchPhase::Began, {x, y});
        window.touch(TouchPhase::Ended, {x, y});
    }
    template <class T>
    std::shared_ptr<T> add(std::shared_ptr<T> v, ui::View* parent = nullptr) {
        (parent ? parent : page.get())->addSubview(v);
        return v;
    }

    ui::Window window;
    std::shared_ptr<ui::ViewController> screen;
    ui::ViewPtr page;
};

TEST_F(WindowDispatchTest, ButtonInsideARowTakesTheTapOnlyWithinTheRow) {
    // A 60-point row whose button reaches 20 points below it, over the next row.
    auto row = add(std::make_shared<TouchRecorder>(ui::Rect{0, 0, 375, 60}));
    auto next = add(std::make_shared<TouchRecorder>(ui::Rect{0, 60, 375, 60}));
    auto button = std::make_shared<ui::Button>(ui::ButtonType::Custom, ui::Rect{300, 10, 60, 70});
    int presses = 0;
    button->addTarget(this, [&](ui::Control&) { ++presses; }, ui::ControlEventTouchUpInside);
    row->addSubview(button);

    tap(330, 20 + 50);  // on the button, inside the row
    EXPECT_EQ(presses, 1);
    EXPECT_TRUE(row->events.empty());

    tap(330, 20 + 70);  // on the part of the button below the row
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(next->events, (std::vector<std::string>{"began", "ended"}));

    tap(100, 20 + 30);  // on the row beside the button
    EXPECT_EQ(row->events, (std::vector<std::string>{"began", "ended"}));
    EXPECT_DOUBLE_EQ(row->last.locationInWindow.y, 50);
}

TEST_F(WindowDispatchTest, RecognisedTapCancelsTheTouchOnTheViewBelow) {
    auto image = add(std::make_shared<TouchRecorder>(ui::Rect{10, 10, 80, 80}));
    image->tag = 7;
    int taggedTaps = 0;
    image->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>([&](ui::TapGestureRecognizer& r) {
        taggedTaps += r.view()->tag;
    }));

    tap(50, 70);
    EXPECT_EQ(taggedTaps, 7);
    EXPECT_EQ(image->events, (std::vector<std::string>{"began", "cancelled"}));

    // A finger that wanders off is no tap; the view sees the whole touch.
    image->events.clear();
    window.touch(TouchPhase::Began, {50, 70});
    window.touch(TouchPhase::Moved, {50, 95});
    window.touch(TouchPhase::Ended, {50, 95});
    EXPECT_EQ(taggedTaps, 7);
    EXPECT_EQ(image->events, (std::vector<std::string>{"began", "moved", "ended"}));
}

TEST_F(WindowDispatchTest, DragOnScrollingContentBecomesAPanAndCancelsTheTouch) {
    auto scroller = add(std::make_shared<PanRecorder>(ui::Rect{0, 0, 375, 400}));
    auto cell = add(std::make_shared<TouchRecorder>(ui::Rect{0, 50, 375, 60}), scroller.get());
    auto& loop = platform::RunLoop::main();

    window.touch(TouchPhase::Began, {100, 100});
    window.touch(TouchPhase::Moved, {100, 105});  // within the slop: still a touch
    EXPECT_EQ(cell->events, (std::vector<std::string>{"began", "moved"}));
    EXPECT_TRUE(scroller->pans.empty());

    loop.advance(0.05);
    window.touch(TouchPhase::Moved, {100, 130});
    EXPECT_EQ(cell->events, (std::vector<std::string>{"began", "moved", "cancelled"}));
    EXPECT_EQ(scroller->pans, (std::vector<std::string>{"began", "changed"}));
    EXPECT_EQ(scroller->panStart, (ui::Point{100, 100}));
    EXPECT_EQ(scroller->lastTranslation, (ui::Point{0, 30}));

    loop.advance(0.05);
    window.touch(TouchPhase::Moved, {100, 160});
    loop.advance(0.05);
    window.touch(TouchPhase::Ended, {100, 190});
    EXPECT_EQ(scroller->pans.back(), "ended");
    EXPECT_EQ(scroller->lastTranslation, (ui::Point{0, 90}));
    // From the last tenth of a second: 60 points in 0.1 s.
    EXPECT_NEAR(scroller->velocity.y, 600, 1e-6);
    EXPECT_NEAR(scroller->velocity.x, 0, 1e-6);
    // The cell hears nothing after its cancellation.
    EXPECT_EQ(cell->events.size(), 3u);
}

TEST_F(WindowDispatchTest, DragWithNothingToPanStaysATouch) {
    auto plain = add(std::make_shared<TouchRecorder>(ui::Rect{0, 0, 375, 400}));
    window.touch(TouchPhase::Began, {100, 100});
    window.touch(TouchPhase::Moved, {100, 200});
    window.touch(TouchPhase::Ended, {100, 200});
    EXPECT_EQ(plain->events, (std::vector<std::string>{"began", "moved", "ended"}));
    EXPECT_EQ(plain->last.startInWindow, (ui::Point{100, 100}));
}

TEST_F(WindowDispatchTest, WheelScrollsTheNearestPanningViewUnderThePointer) {
    auto outer = add(std::make_shared<PanRecorder>(ui::Rect{0, 0, 375, 400}));
    auto inner = add(std::make_shared<PanRecorder>(ui::Rect{0, 100, 375, 100}), outer.get());
    auto cell = add(std::make_shared<TouchRecorder>(ui::Rect{0, 0, 375, 50}), inner.get());
    auto beside = add(std::make_shared<TouchRecorder>(ui::Rect{0, 500, 375, 50}));

    window.scroll({50, 20 + 120}, 0, 40);  // over the cell in the inner list
    EXPECT_EQ(inner->scrolled, (ui::Point{0, 40}));
    EXPECT_EQ(outer->scrolled, (ui::Point{0, 0}));

    window.scroll({50, 20 + 300}, 0, -15);  // over the outer list only
    EXPECT_EQ(outer->scrolled, (ui::Point{0, -15}));

    window.scroll({50, 20 + 520}, 0, 10);  // nothing scrolls there
    EXPECT_EQ(outer->scrolled, (ui::Point{0, -15}));
    EXPECT_EQ(inner->scrolled, (ui::Point{0, 40}));
    EXPECT_TRUE(cell->events.empty());
    EXPECT_TRUE(beside->events.empty());
}

TEST_F(WindowDispatchTest, TextGoesToTheTouchedFieldUntilATouchElsewhere) {
    auto first = add(std::make_shared<TextInput>(ui::Rect{10, 10, 200, 40}));
    auto second = add(std::make_shared<TextInput>(ui::Rect{10, 60, 200, 40}));
    auto elsewhere = add(std::make_shared<TouchRecorder>(ui::Rect{0, 200, 375, 100}));

    EXPECT_FALSE(window.insertText("x"));

    tap(50, 20 + 30);
    EXPECT_EQ(window.firstResponder(), first.get());
    EXPECT_EQ(first->became, 1);
    EXPECT_TRUE(window.insertText("公交"));
    EXPECT_TRUE(window.insertText("12"));
    EXPECT_TRUE(window.deleteBackward());
    EXPECT_TRUE(window.returnKey());
    EXPECT_EQ(first->typed, "公交1");
    EXPECT_EQ(first->returns, 1);

    // Touching the field again keeps it; touching the other moves the keyboard.
    tap(60, 20 + 30);
    EXPECT_EQ(first->became, 1);
    tap(50, 20 + 80);
    EXPECT_EQ(first->resigned, 1);
    EXPECT_EQ(window.firstResponder(), second.get());
    window.insertText("路");
    EXPECT_EQ(second->typed, "路");
    EXPECT_EQ(first->typed, "公交1");

    tap(50, 20 + 250);
    EXPECT_EQ(second->resigned, 1);
    EXPECT_EQ(window.firstResponder(), nullptr);
    EXPECT_FALSE(window.insertText("x"));
    EXPECT_FALSE(window.deleteBackward());
}

TEST_F(WindowDispatchTest, FieldTakenOffTheWindowNoLongerGetsText) {
    auto field = add(std::make_shared<TextInput>(ui::Rect{10, 10, 200, 40}));
    tap(50, 40);
    ASSERT_EQ(window.firstResponder(), field.get());
    field->removeFromSuperview();
    EXPECT_EQ(window.firstResponder(), nullptr);
    EXPECT_FALSE(window.insertText("x"));
    EXPECT_EQ(field->typed, "");
}

TEST_F(WindowDispatchTest, FindsOnlyTextThatShowsAndPrefersTheFrontMost) {
    auto label = [&](ui::Rect frame, const std::string& text, ui::View* parent = nullptr) {
        auto l = std::make_shared<ui::Label>(frame);
        l->setText(text);
        (parent ? parent : page.get())->addSubview(l);
        return l;
    };
    label({0, 0, 100, 20}, "隐藏")->hidden = true;
    label({0, 30, 100, 20}, "透明")->alpha = 0;
    auto faded = std::make_shared<ui::View>(ui::Rect{0, 60, 375, 40});
    faded->alpha = 0.005;
    page->addSubview(faded);
    label({0, 0, 100, 20}, "淡出", faded.get());
    label({400, 0, 100, 20}, "窗外");
    auto clip = std::make_shared<ui::View>(ui::Rect{0, 120, 200, 50});
    clip->clipsToBounds = true;
    page->addSubview(clip);
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
}

TEST_F(WindowDispatchTest, DescriptionGivesWindowFramesAndTexts) {
    auto box = std::make_shared<ui::View>(ui::Rect{10, 10, 200, 100});
    page->addSubview(box);
    auto label = std::make_shared<ui::Label>(ui::Rect{5, 5, 100, 20});
    label->setText("关于我们");
    label->tag = 3;
    box->addSubview(label);

    const auto tree = window.describe();
    EXPECT_EQ(tree["class"], "Window");
    EXPECT_EQ(tree["frame"], (nlohmann::json{0, 0, 375, 667}));
    const nlohmann::json* found = nullptr;
    std::function<void(const nlohmann::json&)> search = [&](const nlohmann::json& node) {
        if (node.value("text", "") == "关于我们") found = &node;
        for (const auto& child : node["children"]) search(child);
    };
    search(tree);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ((*found)["class"], "Label");
    EXPECT_EQ((*found)["frame"], (nlohmann::json{15, 35, 100, 20}));
    EXPECT_EQ((*found)["tag"], 3);
    EXPECT_EQ((*found)["hidden"], false);
}

TEST_F(WindowDispatchTest, PaintsTheScreenThenTheStatusBarThenAlertsAboveAll) {
    auto label = std::make_shared<ui::Label>(ui::Rect{10, 10, 200, 20});
    label->setText("线路");
    page->addSubview(label);
    auto alert = platform::AlertView::create("提醒", "无法连接服务器");
    alert->show();

    RecordingCanvas canvas;
    window.draw(canvas);
    const long screenText = canvas.indexOfText("线路");
    const long alertTitle = canvas.indexOfText("提醒");
    ASSERT_GE(screenText, 0);
    ASSERT_GT(alertTitle, screenText);
    EXPECT_GT(canvas.indexOfText("无法连接服务器"), alertTitle);
    EXPECT_EQ(canvas.ops[static_cast<std::size_t>(screenText)].rect, (ui::Rect{10, 30, 200, 20}));
    // A dimming layer over the whole window between the screen and the alert.
    bool dimmed = false;
    for (long i = screenText; i < alertTitle; ++i) {
        const auto& op = canvas.ops[static_cast<std::size_t>(i)];
        if (op.kind == "fill" && op.rect == ui::Rect{0, 0, 375, 667} && op.color.a > 0 && op.color.a < 1)
            dimmed = true;
    }
    EXPECT_TRUE(dimmed);
}

}  // namespace
}  // namespace bus::test
