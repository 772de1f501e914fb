// Tables as the list screens use them: reload asks everything again, cells
// come back from reuse as the screen left them, only rows on screen have
// cells; swipe-to-delete as the favourites list uses it; the search display
// of the search screen and the favourite search, whose own results table is
// reloaded at every change of the text while active.
#include <functional>
#include <optional>
#include <set>

#include <gtest/gtest.h>

#include "platform/RunLoop.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/SearchDisplayController.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextMetrics.h"
#include "support/Language.h"
#include "support/UiTestSupport.h"

namespace {

using namespace ui;
using bus::test::centerOf;

// A one-section source over a list of texts; counts every question.
class CountingSource : public TableViewDataSource, public TableViewDelegate {
public:
    std::vector<std::string> rows;
    int rowCountQuestions = 0, cellsMade = 0;
    std::vector<IndexPath> selected, committed;
    bool offersDelete = false;
    // Called after the cell is filled, to add subviews in tests.
    std::function<void(TableViewCell&, const IndexPath&)> decorate;

    int numberOfRowsInSection(TableView&, int) override { return ++rowCountQuestions, static_cast<int>(rows.size()); }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, const IndexPath& ip) override {
        auto cell = table.dequeueReusableCellWithIdentifier("mycell");
        if (!cell) cell = std::make_shared<TableViewCell>(3, "mycell"), ++cellsMade;
        cell->textLabel()->setText(rows.at(static_cast<std::size_t>(ip.row)));
        if (decorate) decorate(*cell, ip);
        return cell;
    }
    void didSelectRowAtIndexPath(TableView&, const IndexPath& ip) override { selected.push_back(ip); }
    TableViewCellEditingStyle editingStyleForRowAtIndexPath(TableView&, const IndexPath&) override {
        return offersDelete ? TableViewCellEditingStyle::Delete : TableViewCellEditingStyle::None;
    }
    void commitEditingStyle(TableView& table, TableViewCellEditingStyle, const IndexPath& ip) override {
        committed.push_back(ip), rows.erase(rows.begin() + ip.row);
        table.reloadData();
    }
};

// Rows "第0行", "第1行", ...
std::vector<std::string> numbered(int n) {
    std::vector<std::string> rows;
    for (int i = 0; i < n; ++i) rows.push_back("第" + std::to_string(i) + "行");
    return rows;
}

// A table below the navigation bar of a window, over a counting source.
struct TableOnWindow {
    Window window;
    bus::test::Finger finger{window};
    CountingSource source;
    std::shared_ptr<TableView> table = std::make_shared<TableView>(Rect{0, 64, 375, 440});
    void show(std::vector<std::string> rows) {
        source.rows = std::move(rows);
        table->setDataSource(&source);
        table->setDelegate(&source);
        window.rootView().addSubview(table);
        table->reloadData();
    }
};

struct Table : ::testing::Test, TableOnWindow {};

TEST_F(Table, FirstLoadWaitsForTheRunLoopPassAfterArrivingOnTheWindowWhateverPaintsOrHitTests) {
    source.rows = numbered(2);
    auto offWindow = make<TableView>(Rect{0, 0, 375, 200});
    offWindow->setDataSource(&source);
    table->setDataSource(&source);
    window.rootView().addSubview(table);
    bus::test::RecordingCanvas canvas;
    window.draw(canvas);  // painting, hit-testing and the wheel load nothing
    EXPECT_EQ(window.rootView().hitTest({100, 100}), table.get());
    window.scroll({100, 100}, 0, 10);
    EXPECT_EQ(source.rowCountQuestions, 0);  // the screen may still set up its data
    platform::RunLoop::main().drain();
    EXPECT_EQ(source.rowCountQuestions, 1);  // only the table on the window asked
    EXPECT_TRUE(window.findViewShowingText("第1行"));
}

TEST_F(Table, ReloadAsksAgainAndHandsBackTheSameCellsWithTheirSubviewsAsTheyWere) {
    // The refresh-interval screen: a check mark on the chosen row only.
    int chosen = 1;
    bool clearReused = false;
    source.decorate = [&](TableViewCell& cell, const IndexPath& ip) {
        if (clearReused) {
            cell.contentView()->removeAllSubviews();
            cell.textLabel()->setText(source.rows[static_cast<std::size_t>(ip.row)]);
        }
        if (ip.row == chosen) cell.contentView()->addSubview(make<ImageView>(Rect{325, 15, 18, 12}, "选中.png"));
    };
    auto checks = [&] {  // rows with a mark, once per mark
        std::multiset<int> rows;
        for (auto& ip : table->indexPathsForVisibleRows())
            for (auto& v : table->cellForRowAtIndexPath(ip)->contentView()->subviews())
                if (v->imageName() == "选中.png") rows.insert(ip.row);
        return rows;
    };
    show(numbered(4));
    EXPECT_EQ(checks(), (std::multiset<int>{1}));
    // Not cleared: the reused cell still carries the old mark, and one more.
    chosen = 2;
    table->reloadData();
    EXPECT_EQ(source.cellsMade, 4);
    EXPECT_EQ(checks().size(), 2u);
    EXPECT_EQ(table->visibleCells().size(), 4u);
    // Cleared by the screen: one mark, on the chosen row, and the texts show.
    clearReused = true;
    chosen = 3;
    table->reloadData();
    EXPECT_EQ(checks(), (std::multiset<int>{3}));
    for (int r = 0; r < 4; ++r) EXPECT_TRUE(window.findViewShowingText("第" + std::to_string(r) + "行"));
    // Every reload asks again: the database may have changed meanwhile.
    source.rows = numbered(5);
    table->reloadData();
    EXPECT_EQ(source.rowCountQuestions, 4);
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 4})->textLabel()->text(), "第4行");
    EXPECT_DOUBLE_EQ(table->contentSize.height, 5 * 44);
}

TEST_F(Table, ScrollingALongTableReusesAFewCells) {
    show(numbered(100));
    EXPECT_EQ(table->visibleCells().size(), 10u);  // 440 / 44
    for (double y = 0; y <= table->maximumContentOffset().y; y += 22) {
        table->setContentOffset({0, y});
        for (auto& ip : table->indexPathsForVisibleRows()) {
            auto cell = table->cellForRowAtIndexPath(ip);
            ASSERT_EQ(cell->frame(), table->rectForRowAtIndexPath(ip));
            ASSERT_EQ(cell->textLabel()->text(), source.rows[static_cast<std::size_t>(ip.row)]);
            ASSERT_TRUE(cell->frame().intersects(table->bounds()));
        }
        ASSERT_LE(table->visibleCells().size(), 11u);
    }
    EXPECT_LE(source.cellsMade, 12);
    EXPECT_EQ(table->indexPathsForVisibleRows().back(), (IndexPath{0, 99}));
}

TEST_F(Table, TapHighlightsWhileDownThenSelectsButADragOnlyScrolls) {
    show(numbered(30));
    const Point row2{100, 64 + 2 * 44 + 20};
    finger.down(row2);
    EXPECT_TRUE(table->cellForRowAtIndexPath({0, 2})->isHighlighted());
    EXPECT_TRUE(source.selected.empty());
    finger.up(row2);
    EXPECT_EQ(source.selected, (std::vector<IndexPath>{{0, 2}}));
    EXPECT_TRUE(table->cellForRowAtIndexPath({0, 2})->isSelected());
    EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath{0, 2}));
    table->deselectRowAtIndexPath({0, 2}, true);
    EXPECT_FALSE(table->cellForRowAtIndexPath({0, 2})->isSelected());
    EXPECT_FALSE(table->indexPathForSelectedRow());

    finger.drag({100, 400}, {100, 200});
    EXPECT_DOUBLE_EQ(table->contentOffset().y, 200);
    EXPECT_EQ(source.selected.size(), 1u);
    for (auto& cell : table->visibleCells()) EXPECT_FALSE(cell->isHighlighted());
}

TEST_F(Table, AButtonOrARecognisedTapInACellKeepsTheRowUnselected) {
    // The row buttons of the live bus list; the favourite star of a row.
    int taken = 0;
    show(numbered(3));
    for (bool star : {false, true}) {
        source.decorate = [&](TableViewCell& cell, const IndexPath& ip) {
            cell.contentView()->removeAllSubviews();
            if (ip.row != 1) return;
            ViewPtr v = make<ImageView>(Rect{300, 10, 25, 25}, "点击收藏.png");
            v->userInteractionEnabled = true;
            v->addGestureRecognizer(std::make_shared<TapGestureRecognizer>([&](TapGestureRecognizer&) { ++taken; }));
            if (!star) {
                auto b = make<Button>(ButtonType::System, Rect{300, 0, 75, 44});
                b->addTarget(&taken, [&](Control&) { ++taken; }, ControlEventTouchUpInside);
                v = b;
            }
            cell.contentView()->addSubview(v);
        };
        table->reloadData();
        taken = 0;
        source.selected.clear();
        finger.tap({312, 64 + 44 + 22});  // on the row's button or star
        EXPECT_EQ(taken, 1);
        EXPECT_TRUE(source.selected.empty());
        finger.tap({100, 64 + 44 + 22});  // elsewhere on the row
        EXPECT_EQ(source.selected, (std::vector<IndexPath>{{0, 1}}));
    }
}

TEST_F(Table, HeaderTakesTheWidthAndPushesTheRowsDown) {
    table->setTableHeaderView(make<View>(Rect{0, 0, 1, 44}));
    table->rowHeight = 50;
    show(numbered(3));
    EXPECT_EQ(table->tableHeaderView()->frame(), (Rect{0, 0, 375, 44}));
    EXPECT_EQ(table->rectForRowAtIndexPath({0, 1}), (Rect{0, 94, 375, 50}));
    EXPECT_DOUBLE_EQ(table->contentSize.height, 44 + 3 * 50);
    for (auto [y, row] : {std::pair{20.0, -1}, {93.0, 0}, {94.0, 1}, {500.0, -1}})
        EXPECT_EQ(table->indexPathForRowAtPoint({10, y}).value_or(IndexPath{0, -1}).row, row) << y;
}

TEST_F(Table, EmptyFooterEndsTheSeparatorsAtTheLastRowAndZeroInsetRunsThemFullWidth) {
    show(numbered(2));
    auto separatorsBelow = [&](double y) {
        bus::test::RecordingCanvas canvas;
        window.draw(canvas);
        std::vector<Rect> out;
        for (auto& op : canvas.find("line"))
            if (op.rect.y() > y) out.push_back(op.rect);
        return out;
    };
    const double lastRowBottom = 64 + 2 * 44;
    EXPECT_GT(separatorsBelow(lastRowBottom).size(), 5u);  // the empty space is ruled
    EXPECT_EQ(separatorsBelow(lastRowBottom - 44).size(), separatorsBelow(lastRowBottom).size() + 1);
    table->setTableFooterView(make<View>());
    EXPECT_TRUE(separatorsBelow(lastRowBottom).empty());
    ASSERT_EQ(separatorsBelow(64).size(), 2u);
    EXPECT_DOUBLE_EQ(separatorsBelow(64)[0].x(), 15);
    table->separatorInset = {};
    EXPECT_EQ(separatorsBelow(64)[0].x(), 0);
    EXPECT_EQ(separatorsBelow(64)[0].width(), 375);
}

TEST(TableCell, SubtitleCellShowsImageTextAndDetailAndTheDisclosureTakesRoom) {
    TableViewCell cell(3, "mycell");
    cell.setFrame({0, 0, 375, 60});
    cell.textLabel()->setText("2路");
    cell.detailTextLabel()->setText("火车站");
    cell.imageView()->setImage("bus.png");
    cell.setAccessoryType(1);
    cell.layoutSubviews();
    const Rect img = cell.imageView()->frame();
    EXPECT_TRUE(img.width() > 0 && img.height() <= 60);
    EXPECT_GT(cell.textLabel()->frame().x(), img.maxX());
    EXPECT_LT(cell.textLabel()->frame().maxY(), cell.detailTextLabel()->frame().maxY());
    EXPECT_DOUBLE_EQ(cell.contentView()->frame().width(), 375 - TableViewCell::kAccessoryWidth);
    EXPECT_FALSE(TableViewCell(0, "plain").detailTextLabel());
}

// Swipe-to-delete.
struct Swipe : ::testing::Test, TableOnWindow {
    void SetUp() override {
        source.offersDelete = true;
        table->rowHeight = 60;
        show({"1路 火车站", "2路 东关", "3路 西门", "4路 南站"});
    }
    Point rowPoint(int row, double x = 200) { return {x, 64 + row * 60.0 + 30}; }
    double rowX(int row) { return table->cellForRowAtIndexPath({0, row})->frame().x(); }
};

TEST_F(Swipe, OnlyALongEnoughLeftwardDragOnARowOfferingDeletionUncoversDeleteWhichCommitsThatRow) {
    const struct {
        const char* name;
        double fromX, toX;
        bool offered, shows;
    } cases[] = {{"too short", 200, 185, true, false},
                 {"rightward", 100, 300, true, false},
                 {"not offered", 300, 100, false, false},
                 {"leftward", 300, 150, true, true}};
    for (const auto& c : cases) {
        source.offersDelete = c.offered;
        finger.drag(rowPoint(2, c.fromX), rowPoint(2, c.toX));
        EXPECT_EQ(table->rowShowingDeleteConfirmation().has_value(), c.shows) << c.name;
        EXPECT_DOUBLE_EQ(rowX(2), c.shows ? -80 : 0) << c.name;  // slid aside to make room
    }
    View* button = window.findViewShowingText("删除");
    ASSERT_EQ(button, table->deleteConfirmationButton().get());
    EXPECT_EQ(button->frameInWindow(), (Rect{375 - 80, 64 + 120, 80, 60}));
    EXPECT_TRUE(source.committed.empty());
    finger.tap(centerOf(*button));
    EXPECT_EQ(source.committed, (std::vector<IndexPath>{{0, 2}}));
    EXPECT_TRUE(source.selected.empty());
    EXPECT_FALSE(window.findViewShowingText("删除") || window.findViewShowingText("3路 西门"));
    EXPECT_DOUBLE_EQ(rowX(2), 0);
}

TEST_F(Swipe, TapElsewhereOrAReloadPutsTheRowBackWithoutSelectingOrDeleting) {
    for (bool reload : {false, true}) {
        finger.drag(rowPoint(1, 300), rowPoint(1, 150));
        ASSERT_TRUE(table->rowShowingDeleteConfirmation());
        reload ? table->reloadData() : finger.tap(rowPoint(3));
        EXPECT_FALSE(table->rowShowingDeleteConfirmation() || window.findViewShowingText("删除"));
        EXPECT_DOUBLE_EQ(rowX(1), 0);
        EXPECT_TRUE(source.selected.empty() && source.committed.empty());
    }
    finger.tap(rowPoint(3));  // the next tap selects again
    EXPECT_EQ(source.selected, (std::vector<IndexPath>{{0, 3}}));
}

// The search display.
struct Watcher : SearchBarDelegate {
    int cancels = 0;
    std::vector<std::string> changes;
    void searchBarCancelButtonClicked(SearchBar&) override { ++cancels; }
    void textDidChange(SearchBar&, const std::string& t) override { changes.push_back(t); }
};

// The screen's own table (the history) has the bar as its header; the
// results lie over the window's content.
struct Search : ::testing::Test, TableOnWindow {
    std::shared_ptr<SearchBar> bar = make<SearchBar>(Rect{0, 0, 375, 44});
    CountingSource hits;
    Watcher watcher;
    SearchDisplayController display{bar, window.rootView().shared_from_this()};
    void SetUp() override {
        bar->delegate = &watcher;
        table->setTableHeaderView(bar);
        show({"历史一", "历史二"});
        display.setSearchResultsDataSource(&hits);
        display.setSearchResultsDelegate(&hits);
        hits.rows = {"2路", "20路"};
    }
    TableView& results() { return *display.searchResultsTableView(); }
};

TEST_F(Search, TouchingTheBarMakesItActiveAndEveryTextChangeReloadsTheResultsWhichTakeTheirOwnTaps) {
    finger.tap(centerOf(*bar));
    EXPECT_TRUE(display.isActive() && bar->showsCancelButton());
    EXPECT_FALSE(display.isShowingResults());  // nothing typed yet
    ASSERT_TRUE(window.insertText("2"));
    EXPECT_EQ(hits.rowCountQuestions, 1);
    ASSERT_TRUE(display.isShowingResults());
    // Over the screen's content, from the bar's lower edge down.
    EXPECT_EQ(results().frame(), (Rect{0, 64 + 44, 375, 667 - 64 - 44}));
    EXPECT_EQ(window.rootView().subviews().back().get(), &results());
    EXPECT_TRUE(window.findViewShowingText("20路"));
    window.insertText("0");
    window.deleteBackward();
    EXPECT_EQ(hits.rowCountQuestions, 3);
    EXPECT_EQ(watcher.changes, (std::vector<std::string>{"2", "20", "2"}));
    window.deleteBackward();  // empty again: the results go away
    EXPECT_FALSE(display.isShowingResults());
    EXPECT_TRUE(display.isActive());
    window.insertText("2");
    ASSERT_TRUE(finger.tapText("20路"));  // the results' delegate hears it, not the screen's table
    EXPECT_EQ(hits.selected, (std::vector<IndexPath>{{0, 1}}));
    EXPECT_TRUE(source.selected.empty());
}

TEST_F(Search, CancelEndsTheSearchAndTellsTheDelegateAndSetActiveStartsIt) {
    finger.tap(centerOf(*bar));
    window.insertText("2路");
    ASSERT_TRUE(finger.tapText("取消"));
    EXPECT_EQ(watcher.cancels, 1);
    EXPECT_FALSE(display.isActive() || display.isShowingResults() || bar->showsCancelButton());
    // Inactive, changes do not reload; made active (as the favourite search
    // does on appearing) it shows the results for its text at once.
    const int before = hits.rowCountQuestions;
    bar->setText("3");
    EXPECT_EQ(hits.rowCountQuestions, before);
    EXPECT_FALSE(window.insertText("x"));  // the keyboard went with the search
    display.setActive(true);
    EXPECT_TRUE(display.isShowingResults());
    EXPECT_EQ(hits.rowCountQuestions, before + 1);
    EXPECT_TRUE(window.insertText("4"));  // and comes back with it, untouched
    EXPECT_EQ(bar->text(), "34");
}

// The cancel button keeps its width for the written title and widens for a
// longer translation, a margin either side of its title, at the bar's edge.
TEST(SearchBarCancel, HasRoomForItsTitleInEitherLanguage) {
    for (const bool english : {false, true}) {
        std::optional<bus::test::InEnglish> language;
        if (english) language.emplace();
        SearchBar bar(Rect{0, 0, 375, 44});
        bar.setShowsCancelButton(true, false);
        const Button& cancel = *bar.cancelButton();
        const std::string title = cancel.currentTitle();
        EXPECT_EQ(title, english ? "Cancel" : "取消");
        EXPECT_GE(cancel.frame().width() - estimatedTextWidth(title, 17), 2 * SearchBar::kCancelMargin) << title;
        EXPECT_EQ(cancel.frame().maxX(), 375) << title;
        if (!english) {
            EXPECT_EQ(cancel.frame().width(), SearchBar::kCancelWidth);
        }
    }
}

}  // namespace
