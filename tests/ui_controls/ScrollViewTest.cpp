// Scroll views: paging as the introduction pager uses it (every offset, and
// the drag's translation as the view starts to settle) and clamping, on the
// virtual clock. Delegates that are gone before the deferred work that would
// call them.
#include <gtest/gtest.h>

#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ScrollView.h"
#include "support/UiTestSupport.h"

namespace {

using namespace ui;

struct Recorder : ScrollViewDelegate {
    std::vector<double> offsets;     // x at every did-scroll
    std::vector<Point> translations;  // at every will-begin-decelerating
    void scrollViewDidScroll(ScrollView& s) override { offsets.push_back(s.contentOffset().x); }
    void scrollViewWillBeginDecelerating(ScrollView& s) override {
        translations.push_back(s.panGestureRecognizer().translationInView(s.superview()));
    }
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
    EXPECT_EQ(recorder.translations, (std::vector<Point>{{-200, 0}}));
    EXPECT_DOUBLE_EQ(pages->contentOffset().x, 200);  // not there yet
    advance(ScrollView::kAnimationDuration / 2);
    EXPECT_TRUE(pages->contentOffset().x > 200 && pages->contentOffset().x < 375);
    advance(ScrollView::kAnimationDuration);
    EXPECT_DOUBLE_EQ(pages->contentOffset().x, 375);
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
        c.gesture(*this);
        advance(1);
        EXPECT_DOUBLE_EQ(pages->contentOffset().x, c.to) << c.name;
    }
    EXPECT_GT(recorder.translations.back().x, 0);  // the wheel back: the finger to the right
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

// Every kind of delegate at once, writing down each call in a log that
// outlives it.
struct Listener : TableViewDataSource, TableViewDelegate, SearchBarDelegate, platform::AlertViewDelegate {
    explicit Listener(std::shared_ptr<std::vector<std::string>> log) : heard(std::move(log)) {}
    int numberOfRowsInSection(TableView&, int) override { return heard->push_back("rows"), 1; }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, const IndexPath&) override {
        return heard->push_back("cell"), std::make_shared<TableViewCell>(0, "c");
    }
    void scrollViewDidScroll(ScrollView&) override { heard->push_back("scrolled"); }
    void textDidChange(SearchBar&, const std::string&) override { heard->push_back("text"); }
    void alertViewDidDismissWithButtonIndex(platform::AlertView&, int) override { heard->push_back("dismissed"); }
    std::shared_ptr<std::vector<std::string>> heard;
};

TEST(Delegates, OneThatIsGoneHearsNothingFromWorkThatComesLater) {
    for (bool gone : {false, true}) {
        auto heard = std::make_shared<std::vector<std::string>>();
        auto listener = std::make_unique<Listener>(heard);
        Window window;
        auto table = make<TableView>(Rect{0, 0, 375, 300});  // its first load waits for the run loop
        table->setDataSource(listener.get());
        table->setDelegate(listener.get());
        window.rootView().addSubview(table);
        auto scroller = make<ScrollView>(Rect{0, 300, 375, 300}), dropped = make<ScrollView>(Rect{});
        for (auto& s : {scroller, dropped}) s->contentSize = {375, 2000}, s->setContentOffset({0, 900}, true);
        scroller->setDelegate(listener.get());
        dropped.reset();  // a scroll view gone mid-animation leaves no timer behind
        auto bar = make<SearchBar>();
        bar->delegate = listener.get();
        auto notice = platform::AlertView::create("提醒", "无法连接服务器", listener.get());
        notice->show();
        platform::RunLoop::main().performAfterDelay(1.0, [notice] { notice->dismissWithClickedButtonIndex(0, true); });
        if (gone) listener.reset();
        platform::RunLoop::main().advance(1.0);
        bar->setText("2路");
        EXPECT_EQ(heard->empty(), gone) << heard->size();
        // The work itself still happens.
        EXPECT_TRUE(table->hasLoadedData() && !notice->isVisible() && scroller->contentOffset().y == 900);
        EXPECT_EQ(platform::RunLoop::main().activeTimerCount(), 0u);
    }
}

}  // namespace
