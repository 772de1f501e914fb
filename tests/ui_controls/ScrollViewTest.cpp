// Scroll views: paging as the introduction pager uses it (with its
// delegate calls and the drag's translation), clamping, and animated
// offsets on the virtual clock.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "platform/RunLoop.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Window.h"

namespace {

using namespace ui;
using bus::test::Finger;

struct Recorder : ScrollViewDelegate {
    std::vector<std::string> calls;
    std::vector<double> offsets;  // x at every did-scroll
    Point translationAtDeceleration{999, 999};
    void scrollViewDidScroll(ScrollView& s) override { offsets.push_back(s.contentOffset().x); }
    void scrollViewWillBeginDragging(ScrollView&) override { calls.push_back("willBeginDragging"); }
    void scrollViewDidEndDragging(ScrollView&, bool decelerate) override {
        calls.push_back(decelerate ? "didEndDragging+" : "didEndDragging");
    }
    void scrollViewWillBeginDecelerating(ScrollView& s) override {
        calls.push_back("willBeginDecelerating");
        translationAtDeceleration = s.panGestureRecognizer().translationInView(s.superview());
    }
    void scrollViewDidEndDecelerating(ScrollView&) override { calls.push_back("didEndDecelerating"); }
    void scrollViewDidEndScrollingAnimation(ScrollView&) override { calls.push_back("didEndScrollingAnimation"); }
};

struct Pager : ::testing::Test {
    Window window;
    Finger finger{window};
    Recorder recorder;
    std::shared_ptr<View> screen = make<View>(Rect{0, 20, 375, 647});
    std::shared_ptr<ScrollView> pages = make<ScrollView>(Rect{0, 0, 375, 647});
    void SetUp() override {
        window.rootView().addSubview(screen);
        screen->addSubview(pages);
        pages->pagingEnabled = true;
        pages->contentSize = {3 * 375, 647};
        pages->setDelegate(&recorder);
    }
};

TEST_F(Pager, SlowDragPastHalfAPageSnapsToTheNextPage) {
    finger.drag({300, 300}, {100, 300}, 20, 2.0);  // slow: 100 points a second
    EXPECT_EQ(recorder.calls,
              (std::vector<std::string>{"willBeginDragging", "didEndDragging+", "willBeginDecelerating"}));
    EXPECT_EQ(recorder.translationAtDeceleration, (Point{-200, 0}));
    EXPECT_DOUBLE_EQ(pages->contentOffset().x, 200);  // not there yet
    EXPECT_TRUE(pages->isDecelerating());

    platform::RunLoop::main().advance(ScrollView::kAnimationDuration / 2);
    const double halfway = pages->contentOffset().x;
    EXPECT_GT(halfway, 200);
    EXPECT_LT(halfway, 375);
    platform::RunLoop::main().advance(ScrollView::kAnimationDuration);
    EXPECT_DOUBLE_EQ(pages->contentOffset().x, 375);
    EXPECT_EQ(recorder.calls.back(), "didEndDecelerating");
    EXPECT_FALSE(pages->isDecelerating());
    // Every offset change was reported, ending on the page.
    EXPECT_DOUBLE_EQ(recorder.offsets.back(), 375);
    EXPECT_GT(recorder.offsets.size(), 20u);
}

TEST_F(Pager, ShortSlowDragSnapsBackAndAFlickTurnsThePage) {
    finger.drag({300, 300}, {250, 300}, 10, 1.0);
    platform::RunLoop::main().advance(1);
    EXPECT_DOUBLE_EQ(pages->contentOffset().x, 0);

    finger.drag({300, 300}, {240, 300}, 6, 0.06);  // a flick: 1000 points a second
    platform::RunLoop::main().advance(1);
    EXPECT_DOUBLE_EQ(pages->contentOffset().x, 375);
}

TEST_F(Pager, LeftwardDragOnTheLastPageStaysAndStillDecelerates) {
    pages->setContentOffset({750, 0});
    recorder.calls.clear();
    finger.drag({300, 300}, {100, 300});
    EXPECT_DOUBLE_EQ(pages->contentOffset().x, 750);  // nothing beyond the content
    ASSERT_EQ(recorder.calls.size(), 4u);
    EXPECT_EQ(recorder.calls[2], "willBeginDecelerating");
    EXPECT_LT(recorder.translationAtDeceleration.x, 0);
    EXPECT_EQ(recorder.calls[3], "didEndDecelerating");
}

TEST_F(Pager, WheelTurnsOnePage) {
    window.scroll({100, 300}, 30, 0);
    window.scroll({100, 300}, 30, 0);  // the same turn while it settles
    platform::RunLoop::main().advance(1);
    EXPECT_DOUBLE_EQ(pages->contentOffset().x, 375);
    window.scroll({100, 300}, -5, 0);
    platform::RunLoop::main().advance(1);
    EXPECT_DOUBLE_EQ(pages->contentOffset().x, 0);
    EXPECT_GT(recorder.translationAtDeceleration.x, 0);  // the content came back: finger to the right
}

TEST(ScrollOffsets, DragsStayInTheContentButScreensMaySetAnyOffset) {
    Window window;
    Finger finger{window};
    auto live = make<ScrollView>(Rect{0, 100, 375, 500});
    live->contentSize = {0, 60 * 5 + 60};
    window.rootView().addSubview(live);
    // The live bus screen's first position on a short line is negative.
    live->setContentOffset({0, -160});
    EXPECT_EQ(live->contentOffset(), (Point{0, -160}));
    finger.drag({100, 300}, {300, 200}, 10, 1.0);
    EXPECT_EQ(live->contentOffset(), (Point{0, 0}));  // clamped: the content is shorter than the view

    live->contentSize = {0, 2460};
    finger.drag({100, 500}, {100, 200}, 10, 1.0);
    EXPECT_EQ(live->contentOffset(), (Point{0, 300}));
    window.scroll({100, 300}, 0, 5000);
    EXPECT_EQ(live->contentOffset(), (Point{0, 2460 - 500}));
}

TEST(ScrollOffsets, AnimatedOffsetArrivesOnTheClockAndVisibleRectScrollsLeast) {
    Recorder recorder;
    auto s = make<ScrollView>(Rect{0, 0, 375, 500});
    s->contentSize = {375, 3000};
    s->setDelegate(&recorder);
    s->setContentOffset({0, 900}, true);
    EXPECT_DOUBLE_EQ(s->contentOffset().y, 0);
    platform::RunLoop::main().advance(ScrollView::kAnimationDuration + 0.05);
    EXPECT_DOUBLE_EQ(s->contentOffset().y, 900);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"didEndScrollingAnimation"}));

    s->scrollRectToVisible({0, 1500, 10, 60}, false);
    EXPECT_DOUBLE_EQ(s->contentOffset().y, 1560 - 500);
    s->scrollRectToVisible({0, 600, 10, 60}, false);
    EXPECT_DOUBLE_EQ(s->contentOffset().y, 600);
    s->scrollRectToVisible({0, 700, 10, 60}, false);  // already shown
    EXPECT_DOUBLE_EQ(s->contentOffset().y, 600);
}

TEST(ScrollOffsets, ScrollViewGoneBeforeItsAnimationEndsIsNoProblem) {
    auto s = make<ScrollView>(Rect{0, 0, 375, 500});
    s->contentSize = {375, 3000};
    s->setContentOffset({0, 900}, true);
    s.reset();
    platform::RunLoop::main().advance(1);
    EXPECT_EQ(platform::RunLoop::main().activeTimerCount(), 0u);
}

}  // namespace
