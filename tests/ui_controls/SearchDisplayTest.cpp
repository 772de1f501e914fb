// The search display of the search screen and the favourite search: its own
// results table, reloaded at every change of the text while active.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "platform/RunLoop.h"
#include "platform/ui/SearchDisplayController.h"

namespace {

using namespace ui;
using bus::test::centerOf;

struct Watcher : SearchBarDelegate {
    int cancels = 0, searches = 0;
    std::vector<std::string> changes;
    void searchBarCancelButtonClicked(SearchBar&) override { ++cancels; }
    void searchBarSearchButtonClicked(SearchBar&) override { ++searches; }
    void textDidChange(SearchBar&, const std::string& t) override { changes.push_back(t); }
};

struct Search : ::testing::Test {
    Window window;
    bus::test::Finger finger{window};
    std::shared_ptr<View> screen = make<View>(Rect{0, 64, 375, 554});
    std::shared_ptr<TableView> own = make<TableView>(Rect{0, 0, 375, 554});
    std::shared_ptr<SearchBar> bar = make<SearchBar>(Rect{0, 0, 375, 44});
    bus::test::CountingSource history, hits;
    Watcher watcher;
    std::unique_ptr<SearchDisplayController> display;

    void SetUp() override {
        window.rootView().addSubview(screen);
        screen->addSubview(own);
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
    finger.tap(centerOf(*bar));
    EXPECT_TRUE(display->isActive() && bar->showsCancelButton());
    EXPECT_FALSE(display->isShowingResults());  // nothing typed yet
    ASSERT_TRUE(window.insertText("2"));
    EXPECT_EQ(hits.rowCountQuestions, 1);
    ASSERT_TRUE(display->isShowingResults());
    // Over the screen's content, from the bar's lower edge down.
    EXPECT_EQ(results().frame(), (Rect{0, 44, 375, 554 - 44}));
    EXPECT_EQ(screen->subviews().back().get(), &results());
    EXPECT_TRUE(window.findViewShowingText("20路"));
    window.insertText("0");
    window.deleteBackward();
    EXPECT_EQ(hits.rowCountQuestions, 3);
    EXPECT_EQ(watcher.changes, (std::vector<std::string>{"2", "20", "2"}));
    window.deleteBackward();  // empty again: the results go away
    EXPECT_FALSE(display->isShowingResults());
    EXPECT_TRUE(display->isActive());
    EXPECT_TRUE(window.returnKey());  // the search button
    EXPECT_EQ(watcher.searches, 1);
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
    ASSERT_TRUE(finger.tapText("取消"));
    EXPECT_EQ(watcher.cancels, 1);
    EXPECT_FALSE(display->isActive() || display->isShowingResults() || bar->showsCancelButton());
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

}  // namespace
