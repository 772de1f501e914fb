// Alpha animations: the model value is the target at once, drawing follows
// the presentation value on the run loop's clock.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "platform/RunLoop.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Label.h"

namespace {

using namespace ui;
using bus::test::RecordingCanvas;

double drawnAlpha(View& root, const std::string& text) {
    RecordingCanvas canvas;
    View::drawTree(root, canvas);
    const auto ops = canvas.find("text", text);
    return ops.empty() ? 0.0 : ops[0].alpha;
}

struct Fade : ::testing::Test {
    std::shared_ptr<View> root = make<View>(Rect{0, 0, 375, 667});
    std::shared_ptr<Label> button = make<Label>(Rect{0, 500, 200, 40});
    std::shared_ptr<Label> dots = make<Label>(Rect{0, 600, 375, 30});
    void SetUp() override {
        button->setText("开始使用");
        dots->setText("•••");
        root->addSubview(button);
        root->addSubview(dots);
        button->alpha = 0;
    }
    void advance(double s) { platform::RunLoop::main().advance(s); }
};

TEST_F(Fade, ModelValueChangesAtOnceWhileDrawingFollowsTheClock) {
    animate(0.4, [&] {
        button->alpha = 1;
        dots->alpha = 0;
    });
    EXPECT_DOUBLE_EQ(button->alpha, 1);
    EXPECT_DOUBLE_EQ(dots->alpha, 0);
    EXPECT_DOUBLE_EQ(button->presentationAlpha(), 0);
    EXPECT_DOUBLE_EQ(dots->presentationAlpha(), 1);
    EXPECT_EQ(drawnAlpha(*root, "开始使用"), 0);  // not drawn at all yet

    advance(0.2);
    EXPECT_NEAR(button->presentationAlpha(), 0.5, 1e-9);
    EXPECT_NEAR(drawnAlpha(*root, "开始使用"), 0.5, 1e-9);
    EXPECT_NEAR(drawnAlpha(*root, "•••"), 0.5, 1e-9);
    advance(0.1);
    EXPECT_GT(button->presentationAlpha(), 0.75);
    EXPECT_LT(button->presentationAlpha(), 1);

    advance(0.1);
    EXPECT_DOUBLE_EQ(button->presentationAlpha(), 1);
    EXPECT_DOUBLE_EQ(drawnAlpha(*root, "开始使用"), 1);
    EXPECT_EQ(drawnAlpha(*root, "•••"), 0);
}

TEST_F(Fade, CompletionRunsWhenTheDurationHasPassed) {
    int done = 0;
    animate(
        0.4, [&] { button->alpha = 1; }, [&](bool finished) { done += finished ? 1 : 100; });
    EXPECT_TRUE(needsContinuousRedraw());
    advance(0.39);
    EXPECT_EQ(done, 0);
    advance(0.01);
    EXPECT_EQ(done, 1);
    EXPECT_FALSE(needsContinuousRedraw());
}

TEST_F(Fade, TurningBackMidwayStartsFromWhatIsShown) {
    animate(0.4, [&] { button->alpha = 1; });
    advance(0.2);
    animate(0.4, [&] { button->alpha = 0; });
    EXPECT_NEAR(button->presentationAlpha(), 0.5, 1e-9);
    advance(0.4);
    EXPECT_DOUBLE_EQ(button->presentationAlpha(), 0);
}

TEST_F(Fade, PlainAssignmentWinsAndUntouchedViewsDoNotMove) {
    animate(0.4, [&] { button->alpha = 1; });
    button->alpha = 0.3;  // set at once, outside any animation
    EXPECT_DOUBLE_EQ(button->presentationAlpha(), 0.3);
    EXPECT_DOUBLE_EQ(dots->presentationAlpha(), 1);
    EXPECT_FALSE(dots->alphaTransition.active);
}

TEST_F(Fade, ZeroDurationChangesAtOnceAndStillCompletesLater) {
    bool done = false;
    animate(0, [&] { button->alpha = 1; }, [&](bool) { done = true; });
    EXPECT_DOUBLE_EQ(button->presentationAlpha(), 1);
    EXPECT_FALSE(done);
    advance(0);
    EXPECT_TRUE(done);
}

}  // namespace
