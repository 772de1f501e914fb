// Tables as the list screens use them: reload asks everything again, cells
// come back from reuse as the screen left them, and only rows on screen
// have cells.
#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "platform/RunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"

namespace {

using namespace ui;
using bus::test::CountingSource;
using bus::test::Finger;
using bus::test::RecordingCanvas;

std::vector<std::string> numbered(int n) {
    std::vector<std::string> rows;
    for (int i = 0; i < n; ++i) rows.push_back("第" + std::to_string(i) + "行");
    return rows;
}

struct Table : ::testing::Test {
    Window window;
    Finger finger{window};
    CountingSource source;
    std::shared_ptr<TableView> table = make<TableView>(Rect{0, 64, 375, 440});

    void show(int rows) {
        source.rows = numbered(rows);
        table->setDataSource(&source);
        table->setDelegate(&source);
        window.rootView().addSubview(table);
        table->reloadData();
    }
    std::set<TableViewCell*> cellSet() {
        std::set<TableViewCell*> s;
        for (auto& c : table->visibleCells()) s.insert(c.get());
        return s;
    }
};

TEST_F(Table, ReloadAsksTheRowCountEveryTime) {
    show(3);
    EXPECT_EQ(source.rowCountQuestions, 1);
    table->reloadData();
    table->reloadData();
    EXPECT_EQ(source.rowCountQuestions, 3);
    EXPECT_EQ(table->visibleCells().size(), 3u);

    source.rows = numbered(5);  // the database changed meanwhile
    table->reloadData();
    EXPECT_EQ(source.rowCountQuestions, 4);
    EXPECT_EQ(table->numberOfRowsInSection(0), 5);
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 4})->textLabel()->text(), "第4行");
    EXPECT_DOUBLE_EQ(table->contentSize.height, 5 * 44);
}

TEST_F(Table, FirstLoadWaitsForTheRunLoopPassAfterArrivingOnTheWindow) {
    source.rows = numbered(2);
    auto offWindow = make<TableView>(Rect{0, 0, 375, 200});
    offWindow->setDataSource(&source);
    platform::RunLoop::main().drain();
    EXPECT_EQ(source.rowCountQuestions, 0);  // not on screen: nothing asked

    table->setDataSource(&source);
    window.rootView().addSubview(table);
    EXPECT_EQ(source.rowCountQuestions, 0);  // the screen may still set up its data
    platform::RunLoop::main().drain();
    EXPECT_EQ(source.rowCountQuestions, 1);
    EXPECT_EQ(table->visibleCells().size(), 2u);
    EXPECT_TRUE(window.findViewShowingText("第1行"));
}

TEST_F(Table, ReloadHandsBackTheSameCellsWithTheirSubviewsAsTheyWere) {
    // The refresh-interval screen: a check mark on the chosen row only.
    int chosen = 1;
    bool clearReused = false;
    source.decorate = [&](TableViewCell& cell, const IndexPath& ip) {
        if (clearReused) {
            while (!cell.contentView()->subviews().empty()) cell.contentView()->subviews().back()->removeFromSuperview();
            cell.textLabel()->setText(source.rows[static_cast<std::size_t>(ip.row)]);
        }
        if (ip.row == chosen) cell.contentView()->addSubview(make<ImageView>(Rect{325, 15, 18, 12}, "选中.png"));
    };
    auto checks = [&] {
        int n = 0;
        for (auto& cell : table->visibleCells())
            for (auto& v : cell->contentView()->subviews())
                if (v->imageName() == "选中.png") ++n;
        return n;
    };
    show(4);
    const auto first = cellSet();
    EXPECT_EQ(source.cellsMade, 4);
    EXPECT_EQ(checks(), 1);

    // Not cleared: the reused cell still carries the old mark, and one more.
    chosen = 2;
    table->reloadData();
    EXPECT_EQ(cellSet(), first);
    EXPECT_EQ(source.cellsMade, 4);
    EXPECT_EQ(checks(), 2);

    // Cleared by the screen: exactly one mark, and the texts still show.
    clearReused = true;
    chosen = 3;
    table->reloadData();
    EXPECT_EQ(checks(), 1);
    auto marked = table->cellForRowAtIndexPath({0, 3});
    EXPECT_EQ(marked->contentView()->subviews().back()->imageName(), "选中.png");
    for (int r = 0; r < 4; ++r) EXPECT_TRUE(window.findViewShowingText("第" + std::to_string(r) + "行"));
}

TEST_F(Table, ScrollingALongTableReusesAFewCells) {
    show(100);
    const std::size_t onScreen = table->visibleCells().size();
    EXPECT_EQ(onScreen, 10u);  // 440 / 44
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
    EXPECT_GE(source.cellsAsked, 100);
    EXPECT_LE(source.cellsMade, 12);
    EXPECT_EQ(table->indexPathsForVisibleRows().back(), (IndexPath{0, 99}));
}

TEST_F(Table, TapHighlightsWhileDownThenSelectsAndTellsTheDelegate) {
    show(5);
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
}

TEST_F(Table, ButtonInsideACellTakesTheTapInsteadOfTheRow) {
    int presses = 0;
    source.decorate = [&](TableViewCell& cell, const IndexPath&) {
        cell.contentView()->removeAllSubviews();
        auto b = make<Button>(ButtonType::System, Rect{300, 0, 75, 44});
        b->addTarget(&presses, [&](Control&) { ++presses; }, ControlEventTouchUpInside);
        cell.contentView()->addSubview(b);
    };
    show(3);
    finger.tap({330, 64 + 22});
    EXPECT_EQ(presses, 1);
    EXPECT_TRUE(source.selected.empty());
}

TEST_F(Table, DragScrollsWithoutSelecting) {
    show(30);
    finger.drag({100, 400}, {100, 200});
    EXPECT_DOUBLE_EQ(table->contentOffset().y, 200);
    EXPECT_TRUE(source.selected.empty());
    for (auto& cell : table->visibleCells()) EXPECT_FALSE(cell->isHighlighted());
    platform::RunLoop::main().advance(1.0);  // let a fling settle
    window.scroll({100, 300}, 0, 10000);      // the wheel, far past the end
    EXPECT_DOUBLE_EQ(table->contentOffset().y, 30 * 44 - 440);
}

TEST_F(Table, HeaderPushesRowsDownAndRowHeightsComeFromTheDelegate) {
    struct Tall : CountingSource {
        double heightForRowAtIndexPath(TableView&, const IndexPath& ip) override { return ip.row == 0 ? 130 : 60; }
    } tall;
    tall.rows = numbered(3);
    table->setTableHeaderView(make<View>(Rect{0, 0, 1, 44}));
    table->setDataSource(&tall);
    table->setDelegate(&tall);
    window.rootView().addSubview(table);
    table->reloadData();
    EXPECT_EQ(table->tableHeaderView()->frame(), (Rect{0, 0, 375, 44}));
    EXPECT_EQ(table->rectForRowAtIndexPath({0, 1}), (Rect{0, 174, 375, 60}));
    EXPECT_FALSE(table->indexPathForRowAtPoint({10, 20}));
    EXPECT_EQ(table->indexPathForRowAtPoint({10, 173}), (IndexPath{0, 0}));
    EXPECT_EQ(table->indexPathForRowAtPoint({10, 174}), (IndexPath{0, 1}));
    EXPECT_FALSE(table->indexPathForRowAtPoint({10, 500}));
    EXPECT_DOUBLE_EQ(table->contentSize.height, 44 + 130 + 60 + 60);

    table->rowHeight = 50;  // the delegate's heights still win
    table->reloadData();
    EXPECT_DOUBLE_EQ(table->rectForRowAtIndexPath({0, 2}).height(), 60);
}

TEST_F(Table, EmptyFooterEndsTheSeparatorsAtTheLastRowAndZeroInsetRunsThemFullWidth) {
    show(2);
    auto separatorsBelow = [&](double y) {
        RecordingCanvas canvas;
        window.draw(canvas);
        std::vector<RecordingCanvas::Op> out;
        for (auto& op : canvas.find("line"))
            if (op.rect.y() > y) out.push_back(op);
        return out;
    };
    const double lastRowBottom = 64 + 2 * 44;
    EXPECT_GT(separatorsBelow(lastRowBottom).size(), 5u);  // the empty space is ruled
    EXPECT_EQ(separatorsBelow(lastRowBottom - 44).size(), separatorsBelow(lastRowBottom).size() + 1);

    table->setTableFooterView(make<View>());
    EXPECT_TRUE(separatorsBelow(lastRowBottom).empty());
    const auto rowLines = separatorsBelow(64);
    ASSERT_EQ(rowLines.size(), 2u);
    EXPECT_DOUBLE_EQ(rowLines[0].rect.x(), 15);

    table->separatorInset = {};
    EXPECT_DOUBLE_EQ(separatorsBelow(64)[0].rect.x(), 0);
    EXPECT_DOUBLE_EQ(separatorsBelow(64)[0].rect.width(), 375);
}

TEST_F(Table, ScrollToRowPutsItAtTheTopWithinTheContent) {
    show(40);
    table->scrollToRowAtIndexPath({0, 20}, TableViewScrollPosition::Top, false);
    EXPECT_DOUBLE_EQ(table->contentOffset().y, 20 * 44);
    EXPECT_TRUE(table->cellForRowAtIndexPath({0, 20}));
    EXPECT_FALSE(table->cellForRowAtIndexPath({0, 0}));
    table->scrollToRowAtIndexPath({0, 39}, TableViewScrollPosition::Top, false);
    EXPECT_DOUBLE_EQ(table->contentOffset().y, 40 * 44 - 440);
    table->scrollToRowAtIndexPath({0, 1}, TableViewScrollPosition::None, false);
    EXPECT_DOUBLE_EQ(table->contentOffset().y, 44);
}

TEST_F(Table, SubtitleCellShowsImageTextAndDetailAndTheDisclosureTakesRoom) {
    TableViewCell cell(3, "mycell");
    cell.setFrame({0, 0, 375, 60});
    cell.textLabel()->setText("2路");
    cell.detailTextLabel()->setText("火车站");
    cell.imageView()->setImage("bus.png");
    cell.setAccessoryType(1);
    cell.layoutSubviews();
    const Rect img = cell.imageView()->frame();
    EXPECT_GT(img.width(), 0);
    EXPECT_LE(img.height(), 60);
    EXPECT_GT(cell.textLabel()->frame().x(), img.maxX());
    EXPECT_LT(cell.textLabel()->frame().maxY(), cell.detailTextLabel()->frame().maxY());
    EXPECT_DOUBLE_EQ(cell.contentView()->frame().width(), 375 - TableViewCell::kAccessoryWidth);
    EXPECT_FALSE(TableViewCell(0, "plain").detailTextLabel());
}

}  // namespace
