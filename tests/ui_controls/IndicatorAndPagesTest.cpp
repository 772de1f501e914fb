// The busy indicator of the live bus screen and the pager's page control.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "platform/RunLoop.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Animation.h"
#include "platform/ui/PageControl.h"
#include "platform/ui/Window.h"

namespace {

using namespace ui;
using bus::test::Finger;
using bus::test::RecordingCanvas;

TEST(BusyIndicator, ShowsOnlyWhileAnimatingAndTurnsWithTheClock) {
    auto spinner = make<ActivityIndicatorView>(0);  // large white
    spinner->setColor(Color::red());
    spinner->setCenter({187.5, 333.5});
    EXPECT_EQ(spinner->frame(), (Rect{187.5 - 18.5, 333.5 - 18.5, 37, 37}));
    EXPECT_TRUE(spinner->hidden);
    EXPECT_FALSE(spinner->isAnimating());

    spinner->startAnimating();
    EXPECT_TRUE(spinner->isAnimating());
    EXPECT_FALSE(spinner->hidden);
    EXPECT_TRUE(needsContinuousRedraw());
    const int first = spinner->leadingSpoke();
    platform::RunLoop::main().advance(0.25);
    EXPECT_EQ(spinner->leadingSpoke(), (first + 3) % 12);

    auto root = make<View>(Rect{0, 0, 375, 667});
    root->addSubview(spinner);
    RecordingCanvas canvas;
    View::drawTree(*root, canvas);
    const auto spokes = canvas.find("line");
    ASSERT_EQ(spokes.size(), 12u);
    for (const auto& s : spokes) {
        EXPECT_EQ(s.color.r, 1);
        EXPECT_EQ(s.color.g, 0);
    }

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

TEST(Pages, CurrentPageStaysWithinTheCountAndTapsStepOnePage) {
    Window window;
    Finger finger{window};
    auto dots = make<PageControl>(Rect{0, 600, 375, 30});
    window.rootView().addSubview(dots);
    int changes = 0;
    dots->addTarget(&changes, [&](Control&) { ++changes; }, ControlEventValueChanged);
    dots->setNumberOfPages(3);
    dots->setCurrentPage(7);
    EXPECT_EQ(dots->currentPage(), 2);
    dots->setNumberOfPages(2);
    EXPECT_EQ(dots->currentPage(), 1);

    finger.tap({50, 615});  // left half: back one page
    EXPECT_EQ(dots->currentPage(), 0);
    finger.tap({50, 615});  // nothing before the first
    EXPECT_EQ(dots->currentPage(), 0);
    EXPECT_EQ(changes, 1);

    RecordingCanvas canvas;
    View::drawTree(*dots, canvas);
    EXPECT_EQ(canvas.find("ellipse").size(), 2u);
    dots->setNumberOfPages(1);
    dots->hidesForSinglePage = true;
    RecordingCanvas single;
    View::drawTree(*dots, single);
    EXPECT_TRUE(single.find("ellipse").empty());
}

}  // namespace
