// Scroll views: paging as the introduction pager uses it (with its
// delegate calls and the drag's translation), clamping, and animated
// offsets on the virtual clock.
#include <gtest/gtest.h>

#include "platform/RunLoop.h"
#include "platform/ui/ScrollView.h"
#include "support/UiTestSupport.h"

namespace {

using namespace ui;

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

struct Scrolling : ::testing::Test {
    Window window;
    bus::test::Finger finger{window};
    Recorder recorder;
    std::shared_ptr<ScrollView> pages = make<ScrollView>(Rect{0, 20, 375, 647});
    void SetUp() override {
        window.rootView().addSubview(pages);
        pages->pagingEnabled = true;
        pages->contentSize = {3 * 375, 647};
        pages->setDelegate(&recorder);
    }
    void advance(double s) { platform::RunLoop::main().advance(s); }
};

TEST_F(Scrolling, SlowDragPastHalfAPageSnapsToTheNextPageOnTheClock) {
    finger.drag({300, 300}, {100, 300}, 20, 2.0);  // slow: 100 points a second
    EXPECT_EQ(recorder.calls,
              (std::vector<std::string>{"willBeginDragging", "didEndDragging+", "willBeginDecelerating"}));
    EXPECT_EQ(recorder.translationAtDeceleration, (Point{-200, 0}));
    EXPECT_DOUBLE_EQ(pages->contentOffset().x, 200);  // not there yet
    EXPECT_TRUE(pages->isDecelerating());
    advance(ScrollView::kAnimationDuration / 2);
    EXPECT_TRUE(pages->contentOffset().x > 200 && pages->contentOffset().x < 375);
    advance(ScrollView::kAnimationDuration);
    EXPECT_DOUBLE_EQ(pages->contentOffset().x, 375);
    EXPECT_EQ(recorder.calls.back(), "didEndDecelerating");
    EXPECT_FALSE(pages->isDecelerating());
    // Every offset change was reported, ending on the page.
    EXPECT_DOUBLE_EQ(recorder.offsets.back(), 375);
    EXPECT_GT(recorder.offsets.size(), 20u);
}

TEST_F(Scrolling, PagingGesturesTurnAtMostOnePageAndStopAtTheEdges) {
    const struct {
        const char* name;
        double from;
        std::function<void(Scrolling&)> gesture;
        double to;
    } cases[] = {
        {"short slow drag", 0, [](Scrolling& t) { t.finger.drag({300, 300}, {250, 300}, 10, 1.0); }, 0},
        {"flick", 0, [](Scrolling& t) { t.finger.drag({300, 300}, {240, 300}, 6, 0.06); }, 375},
        {"leftward on the last page", 750, [](Scrolling& t) { t.finger.drag({300, 300}, {100, 300}); }, 750},
        {"two wheel turns while settling", 0,
         [](Scrolling& t) { t.window.scroll({100, 300}, 30, 0), t.window.scroll({100, 300}, 30, 0); }, 375},
        {"wheel back", 375, [](Scrolling& t) { t.window.scroll({100, 300}, -5, 0); }, 0},
    };
    for (const auto& c : cases) {
        pages->setContentOffset({c.from, 0});
        recorder.calls.clear();
        c.gesture(*this);
        advance(1);
        EXPECT_DOUBLE_EQ(pages->contentOffset().x, c.to) << c.name;
        // A paging view always settles, even in place.
        EXPECT_EQ(recorder.calls.back(), "didEndDecelerating") << c.name;
    }
    EXPECT_GT(recorder.translationAtDeceleration.x, 0);  // the wheel back: the finger to the right
}

TEST_F(Scrolling, DragsStayInTheContentButScreensMaySetAnyOffset) {
    pages->pagingEnabled = false;
    pages->contentSize = {0, 360};
    // The live bus screen's first position on a short line is negative.
    pages->setContentOffset({0, -160});
    EXPECT_EQ(pages->contentOffset(), (Point{0, -160}));
    finger.drag({100, 300}, {300, 200}, 10, 1.0);
    EXPECT_EQ(pages->contentOffset(), (Point{0, 0}));  // clamped: the content is shorter than the view
    pages->contentSize = {0, 2460};
    finger.drag({100, 500}, {100, 200}, 10, 1.0);
    EXPECT_EQ(pages->contentOffset(), (Point{0, 300}));
    window.scroll({100, 300}, 0, 5000);
    EXPECT_EQ(pages->contentOffset(), (Point{0, 2460 - 647}));
}

TEST_F(Scrolling, AnimatedOffsetArrivesOnTheClockAndVisibleRectScrollsLeast) {
    pages->contentSize = {375, 3000};
    pages->setContentOffset({0, 900}, true);
    EXPECT_DOUBLE_EQ(pages->contentOffset().y, 0);
    advance(ScrollView::kAnimationDuration + 0.05);
    EXPECT_DOUBLE_EQ(pages->contentOffset().y, 900);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"didEndScrollingAnimation"}));
    for (auto [top, offset] : {std::pair{1500.0, 1560.0 - 647}, {600.0, 600.0}, {700.0, 600.0 /* shown */}}) {
        pages->scrollRectToVisible({0, top, 10, 60}, false);
        EXPECT_DOUBLE_EQ(pages->contentOffset().y, offset) << top;
    }
}

}  // namespace
