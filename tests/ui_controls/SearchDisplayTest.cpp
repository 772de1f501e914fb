// The search display of the search screen and the favourite search: its own
// results table, reloaded at every change of the text while active.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "platform/RunLoop.h"
#include "platform/ui/SearchDisplayController.h"
#include "platform/ui/Window.h"

namespace {

using namespace ui;
using bus::test::CountingSource;
using bus::test::centerOf;
using bus::test::Finger;

struct CancelWatcher : SearchBarDelegate {
    int cancels = 0;
    std::vector<std::string> changes;
    void searchBarCancelButtonClicked(SearchBar&) override { ++cancels; }
    void textDidChange(SearchBar&, const std::string& t) override { changes.push_back(t); }
};

struct Search : ::testing::Test {
    Window window;
    Finger finger{window};
    std::shared_ptr<View> screen = make<View>(Rect{0, 64, 375, 554});
    std::shared_ptr<TableView> own = make<TableView>(Rect{0, 0, 375, 554});
    std::shared_ptr<SearchBar> bar = make<SearchBar>(Rect{0, 0, 375, 44});
    CountingSource history;
    CountingSource hits;
    CancelWatcher watcher;
    std::unique_ptr<SearchDisplayController> display;

    void SetUp() override {
        window.rootView().addSubview(screen);
        screen->addSubview(own);
        bar->placeholder = "输入线路或者站点";
        bar->delegate = &watcher;
        own->setTableHeaderView(bar);
        history.rows = {"历史一", "历史二"};
        own->setDataSource(&history);
        own->setDelegate(&history);
        display = std::make_unique<SearchDisplayController>(bar, screen);
        display->setSearchResultsDataSource(&hits);
        display->setSearchResultsDelegate(&hits);
        hits.rows = {"2路", "20路"};
        platform::RunLoop::main().drain();
    }
    TableView& results() { return *display->searchResultsTableView(); }
};

TEST_F(Search, TouchingTheBarMakesItActiveAndEveryTextChangeReloadsTheResults) {
    EXPECT_FALSE(display->isActive());
    finger.tap(centerOf(*bar));
    EXPECT_TRUE(display->isActive());
    EXPECT_TRUE(bar->showsCancelButton());
    EXPECT_FALSE(display->isShowingResults());  // nothing typed yet

    ASSERT_TRUE(window.insertText("2"));
    EXPECT_EQ(hits.rowCountQuestions, 1);
    ASSERT_TRUE(display->isShowingResults());
    // Over the screen's content, from the bar's lower edge down.
    EXPECT_EQ(results().superview(), screen.get());
    EXPECT_EQ(results().frame(), (Rect{0, 44, 375, 554 - 44}));
    EXPECT_EQ(screen->subviews().back().get(), &results());
    EXPECT_TRUE(window.findViewShowingText("20路"));

    window.insertText("0");
    window.deleteBackward();
    EXPECT_EQ(hits.rowCountQuestions, 3);
    EXPECT_EQ(bar->text(), "2");
    EXPECT_EQ(watcher.changes, (std::vector<std::string>{"2", "20", "2"}));

    window.deleteBackward();  // empty again: the results go away
    EXPECT_EQ(bar->text(), "");
    EXPECT_FALSE(display->isShowingResults());
    EXPECT_TRUE(display->isActive());
}

TEST_F(Search, ChangesWhileInactiveDoNotReload) {
    bar->setText("2");
    EXPECT_EQ(hits.rowCountQuestions, 0);
    EXPECT_FALSE(display->isShowingResults());

    display->setActive(true);  // the favourite search does this on appearing
    EXPECT_TRUE(display->isShowingResults());
    EXPECT_EQ(hits.rowCountQuestions, 1);
    display->setActive(false);
    bar->setText("20");
    EXPECT_EQ(hits.rowCountQuestions, 1);
    EXPECT_FALSE(display->isShowingResults());
}

TEST_F(Search, CancelEndsTheSearchAndTellsTheDelegate) {
    finger.tap(centerOf(*bar));
    window.insertText("2路");
    ASSERT_TRUE(display->isShowingResults());
    View* cancel = window.findViewShowingText("取消");
    ASSERT_TRUE(cancel);
    finger.tap(centerOf(*cancel));
    EXPECT_EQ(watcher.cancels, 1);
    EXPECT_FALSE(display->isActive());
    EXPECT_FALSE(display->isShowingResults());
    EXPECT_FALSE(bar->showsCancelButton());
    const int before = hits.rowCountQuestions;
    bar->setText("3");
    EXPECT_EQ(hits.rowCountQuestions, before);
}

TEST_F(Search, TapOnAResultGoesToTheResultsDelegateNotTheScreensTable) {
    finger.tap(centerOf(*bar));
    window.insertText("2");
    auto cell = results().cellForRowAtIndexPath({0, 1});
    ASSERT_TRUE(cell);
    finger.tap(centerOf(*cell));
    EXPECT_EQ(hits.selected, (std::vector<IndexPath>{{0, 1}}));
    EXPECT_TRUE(history.selected.empty());
}

TEST_F(Search, ReturnKeyIsTheSearchButton) {
    struct Searcher : SearchBarDelegate {
        int searches = 0;
        void searchBarSearchButtonClicked(SearchBar&) override { ++searches; }
    } searcher;
    bar->delegate = &searcher;
    finger.tap(centerOf(*bar));
    window.insertText("2");
    EXPECT_TRUE(window.returnKey());
    EXPECT_EQ(searcher.searches, 1);
    EXPECT_EQ(bar->text(), "2");
}

}  // namespace
