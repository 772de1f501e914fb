// Which view a touch lands on, as the screens rely on it: the live bus rows
// put subviews below their own frame and a full-size button over the row.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Window.h"

namespace {

using namespace ui;
using bus::test::Finger;
using bus::test::RecordingCanvas;

struct Presses {
    std::vector<int> tags;
    void watch(Button& b) {
        b.addTarget(this, [this](Control& sender) { tags.push_back(sender.tag); }, ControlEventTouchUpInside);
    }
};

TEST(HitTesting, ButtonInSixtyPointRowIsHitOnlyWithinTheRowWhileItsOverhangIsDrawn) {
    Window window;
    Finger finger{window};
    Presses presses;
    auto area = make<View>(Rect{0, 100, 375, 400});
    window.rootView().addSubview(area);

    // The next row, behind the first one's overhang.
    auto nextRow = make<View>(Rect{0, 60, 375, 60});
    auto nextButton = make<Button>(ButtonType::System, Rect{0, 0, 375, 60});
    nextButton->tag = 2;
    presses.watch(*nextButton);
    nextRow->addSubview(nextButton);
    area->addSubview(nextRow);

    // The waiting row built on a 60-point frame: its boxes reach below it.
    auto row = make<View>(Rect{0, 0, 375, 60});
    auto button = make<Button>(ButtonType::System, Rect{0, 0, 375, 60});
    button->tag = 1;
    presses.watch(*button);
    row->addSubview(button);
    auto box = make<ImageView>(Rect{80, 80, 75, 50}, "最近三辆车底色.png");
    row->addSubview(box);
    area->addSubview(row);

    finger.tap({200, 130});  // inside the row
    finger.tap({100, 190});  // on the box, below the row's frame
    EXPECT_EQ(presses.tags, (std::vector<int>{1, 2}));

    RecordingCanvas canvas;
    window.draw(canvas);
    const auto drawn = canvas.find("image", "最近三辆车底色.png");
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].rect, (Rect{80, 180, 75, 50}));
}

TEST(HitTesting, HiddenFadedAndNonInteractiveViewsLetTouchesThrough) {
    Window window;
    Finger finger{window};
    Presses presses;
    auto back = make<Button>(ButtonType::Custom, Rect{0, 100, 375, 100});
    back->tag = 9;
    presses.watch(*back);
    window.rootView().addSubview(back);

    auto cover = make<Button>(ButtonType::Custom, Rect{0, 100, 375, 100});
    cover->tag = 5;
    presses.watch(*cover);
    window.rootView().addSubview(cover);

    cover->hidden = true;
    finger.tap({50, 150});
    cover->hidden = false;
    cover->alpha = 0.005;
    finger.tap({50, 150});
    cover->alpha = 1;
    cover->userInteractionEnabled = false;
    finger.tap({50, 150});
    cover->userInteractionEnabled = true;
    cover->enabled = false;
    finger.tap({50, 150});
    EXPECT_EQ(presses.tags, (std::vector<int>{9, 9, 9, 9}));

    cover->enabled = true;
    cover->alpha = 0.01;  // faint, but still takes touches
    finger.tap({50, 150});
    EXPECT_EQ(presses.tags.back(), 5);
}

TEST(HitTesting, FrontMostDeepestViewWinsAndLabelsPassTouchesOn) {
    Window window;
    Finger finger{window};
    Presses presses;
    auto first = make<Button>(ButtonType::Custom, Rect{0, 100, 200, 100});
    first->tag = 1;
    auto second = make<Button>(ButtonType::Custom, Rect{100, 100, 200, 100});
    second->tag = 2;
    presses.watch(*first);
    presses.watch(*second);
    window.rootView().addSubview(first);
    window.rootView().addSubview(second);
    // A label over the second button: labels take no touches.
    auto label = make<Label>(Rect{0, 0, 200, 100});
    label->setText("2路");
    second->addSubview(label);

    finger.tap({150, 150});  // where both overlap
    finger.tap({50, 150});   // only the first
    EXPECT_EQ(presses.tags, (std::vector<int>{2, 1}));
    EXPECT_EQ(window.rootView().hitTest({150, 150}), second.get());
}

}  // namespace
