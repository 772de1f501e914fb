// Which view a touch lands on and which tap recogniser takes it, as the
// screens rely on it: the live bus rows put subviews below their own frame
// and a full-size button over the row; image views with a tap recogniser
// sit on buttons and rows.
#include <gtest/gtest.h>

#include "platform/ui/Button.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "support/UiTestSupport.h"

namespace {

using namespace ui;

// Buttons that write down their tag when pressed: the waiting row (1) on a
// 60-point frame with its box reaching over the next row (2); a cover (5)
// over a button (9); two overlapping buttons (11, 12), a label on the front one.
struct Scene {
    Window window;
    bus::test::Finger finger{window};
    std::vector<int> presses;
    std::shared_ptr<Button> cover;
    std::shared_ptr<Button> button(View& parent, Rect frame, int tag) {
        auto b = make<Button>(ButtonType::Custom, frame);
        b->tag = tag;
        b->addTarget(this, [this](Control& sender) { presses.push_back(sender.tag); }, ControlEventTouchUpInside);
        parent.addSubview(b);
        return b;
    }
    Scene() {
        View& root = window.rootView();
        auto next = make<View>(Rect{0, 160, 375, 60}), row = make<View>(Rect{0, 100, 375, 60});
        button(*next, {0, 0, 375, 60}, 2);
        button(*row, {0, 0, 375, 60}, 1);
        row->addSubview(make<ImageView>(Rect{80, 80, 70, 45}, "最近三辆车底色.png"));
        root.addSubview(next);
        root.addSubview(row);
        button(root, {0, 520, 375, 50}, 9);
        cover = button(root, {0, 520, 375, 50}, 5);
        button(root, {0, 580, 200, 50}, 11);
        auto label = make<Label>(Rect{0, 0, 200, 50});
        label->setText("2路");
        button(root, {100, 580, 200, 50}, 12)->addSubview(label);
    }
};

TEST(HitTesting, TheFrontMostDeepestViewThatTakesTouchesWithinItsParentGetsTheTap) {
    const struct {
        const char* name;
        Point at;
        void (*change)(Button& cover);
        int pressed;
    } cases[] = {
        {"inside the row", {200, 130}, nullptr, 1},
        {"on the box, below the row's frame", {100, 190}, nullptr, 2},
        {"cover", {50, 540}, nullptr, 5},
        {"cover hidden", {50, 540}, [](Button& c) { c.hidden = true; }, 9},
        {"cover faded out", {50, 540}, [](Button& c) { c.alpha = 0.005; }, 9},
        {"cover faint", {50, 540}, [](Button& c) { c.alpha = 0.01; }, 5},
        {"cover without interaction", {50, 540}, [](Button& c) { c.userInteractionEnabled = false; }, 9},
        {"cover disabled", {50, 540}, [](Button& c) { c.enabled = false; }, 9},
        {"overlap, under a label", {150, 600}, nullptr, 12},
        {"the back button alone", {50, 600}, nullptr, 11},
    };
    for (const auto& c : cases) {
        Scene scene;
        if (c.change) c.change(*scene.cover);
        scene.finger.tap(c.at);
        EXPECT_EQ(scene.presses, (std::vector<int>{c.pressed})) << c.name;
    }
    // What is never hit is still drawn, scaled to its frame.
    Scene scene;
    bus::test::RecordingCanvas canvas;
    scene.window.draw(canvas);
    const auto drawn = canvas.find("image", "最近三辆车底色.png");
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].rect, (Rect{80, 180, 70, 45}));
}

// The direction switch: an image view with a tap recogniser on a button.
struct LoggedImage : ImageView {
    using ImageView::ImageView;
    void touchesBegan(const Touch&) override { events.push_back("began"); }
    void touchesMoved(const Touch&) override { events.push_back("moved"); }
    void touchesEnded(const Touch&) override { events.push_back("ended"); }
    void touchesCancelled(const Touch&) override { events.push_back("cancelled"); }
    std::vector<std::string> events;
};

TEST(TapRecognizer, TakesATapThatStaysPutFromTheViewAndTheButtonBelow) {
    const struct {
        const char* name;
        bool interactive;
        double wander;  // how far the finger moves before it lifts
        int taps;
        std::size_t presses;
        std::vector<std::string> imageHeard;
    } cases[] = {
        {"tap", true, 0, 1, 0, {"began", "cancelled"}},
        {"image view as made takes no touches", false, 0, 0, 1, {}},
        {"finger wanders 15 points", true, 15, 0, 0, {"began", "moved", "ended"}},
        {"finger stays within 10 points", true, 8, 1, 0, {"began", "moved", "cancelled"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scene scene;  // the image lies on the waiting row's button
        int taps = 0;
        auto image = make<LoggedImage>(Rect{100, 120, 60, 30}, "切换1.png");
        image->tag = 8;
        image->addGestureRecognizer(
            std::make_shared<TapGestureRecognizer>([&](TapGestureRecognizer& r) { taps += r.view()->tag == 8; }));
        if (c.interactive) image->userInteractionEnabled = true;
        scene.window.rootView().addSubview(image);
        scene.finger.down({110, 130});
        if (c.wander) scene.finger.move({110 + c.wander, 130});
        scene.finger.up({110 + c.wander, 130});
        EXPECT_EQ(taps, c.taps);
        EXPECT_EQ(scene.presses.size(), c.presses);
        EXPECT_EQ(image->events, c.imageHeard);
    }
}

}  // namespace
