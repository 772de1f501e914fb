// What moves on the run loop's clock: alpha animations (the model value is
// the target at once, drawing follows the presentation value) and the busy
// indicator of the live bus screen.
#include <gtest/gtest.h>

#include "platform/RunLoop.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Label.h"
#include "support/UiTestSupport.h"

namespace {

using namespace ui;

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
    double drawnAlpha(const std::string& text) {
        bus::test::RecordingCanvas canvas;
        View::drawTree(*root, canvas);
        const auto ops = canvas.find("text", text);
        return ops.empty() ? 0.0 : ops[0].alpha;
    }
};

TEST_F(Fade, ModelValueChangesAtOnceWhileDrawingFollowsTheClock) {
    animate(0.4, [&] { button->alpha = 1, dots->alpha = 0; });
    EXPECT_DOUBLE_EQ(button->alpha, 1);
    EXPECT_DOUBLE_EQ(dots->alpha, 0);
    EXPECT_EQ(drawnAlpha("开始使用"), 0);  // not drawn at all yet
    EXPECT_EQ(drawnAlpha("•••"), 1);
    advance(0.2);
    EXPECT_NEAR(drawnAlpha("开始使用"), 0.5, 1e-9);
    EXPECT_NEAR(drawnAlpha("•••"), 0.5, 1e-9);
    advance(0.1);
    EXPECT_GT(button->presentationAlpha(), 0.75);  // eased, not linear
    advance(0.1);
    EXPECT_EQ(drawnAlpha("开始使用"), 1);
    EXPECT_EQ(drawnAlpha("•••"), 0);
}

TEST_F(Fade, CompletionRunsWhenTheDurationHasPassedEvenWithoutDuration) {
    for (double duration : {0.4, 0.0}) {
        int done = 0;
        button->alpha = 0;
        animate(duration, [&] { button->alpha = 1; }, [&](bool finished) { done += finished ? 1 : 100; });
        EXPECT_DOUBLE_EQ(button->presentationAlpha(), duration > 0 ? 0 : 1);
        EXPECT_TRUE(duration == 0 || needsContinuousRedraw());
        advance(duration > 0 ? duration - 0.01 : 0);
        EXPECT_EQ(done, duration > 0 ? 0 : 1) << duration;
        advance(0.01);
        EXPECT_EQ(done, 1) << duration;
        EXPECT_FALSE(needsContinuousRedraw());
    }
}

TEST_F(Fade, TurningBackMidwayStartsFromWhatIsShownAndPlainAssignmentWins) {
    animate(0.4, [&] { button->alpha = 1; });
    advance(0.2);
    animate(0.4, [&] { button->alpha = 0; });
    EXPECT_NEAR(button->presentationAlpha(), 0.5, 1e-9);
    advance(0.4);
    EXPECT_DOUBLE_EQ(button->presentationAlpha(), 0);

    animate(0.4, [&] { button->alpha = 1; });
    button->alpha = 0.3;  // set at once, outside any animation
    EXPECT_DOUBLE_EQ(button->presentationAlpha(), 0.3);
    EXPECT_FALSE(dots->alphaTransition.active);  // untouched views do not move
}

TEST(BusyIndicator, ShowsOnlyWhileAnimatingAndTurnsWithTheClock) {
    auto spinner = make<ActivityIndicatorView>(0);  // large white
    spinner->setColor(Color::red());
    spinner->setCenter({187.5, 333.5});
    EXPECT_EQ(spinner->frame(), (Rect{187.5 - 18.5, 333.5 - 18.5, 37, 37}));
    EXPECT_TRUE(spinner->hidden);

    spinner->startAnimating();
    EXPECT_TRUE(spinner->isAnimating());
    EXPECT_FALSE(spinner->hidden);
    EXPECT_TRUE(needsContinuousRedraw());
    const int first = spinner->leadingSpoke();
    platform::RunLoop::main().advance(0.25);
    EXPECT_EQ(spinner->leadingSpoke(), (first + 3) % 12);

    bus::test::RecordingCanvas canvas;
    View::drawTree(*spinner, canvas);
    const auto spokes = canvas.find("line");
    ASSERT_EQ(spokes.size(), 12u);
    for (const auto& s : spokes) EXPECT_TRUE(s.color.r == 1 && s.color.g == 0);

    spinner->stopAnimating();
    EXPECT_TRUE(spinner->hidden);
    EXPECT_FALSE(needsContinuousRedraw());
    spinner->setHidesWhenStopped(false);
    EXPECT_FALSE(spinner->hidden);
}

TEST(BusyIndicator, DestroyedWhileSpinningStopsAskingForFrames) {
    {
        ActivityIndicatorView spinner;
        spinner.startAnimating();
        EXPECT_TRUE(needsContinuousRedraw());
    }
    EXPECT_FALSE(needsContinuousRedraw());
}

}  // namespace
