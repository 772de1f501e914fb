// Swipe-to-delete as the favourites list uses it.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "platform/RunLoop.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"

namespace {

using namespace ui;
using bus::test::CountingSource;
using bus::test::centerOf;
using bus::test::Finger;

struct Swipe : ::testing::Test {
    Window window;
    Finger finger{window};
    CountingSource source;
    std::shared_ptr<TableView> table = make<TableView>(Rect{0, 64, 375, 440});

    void SetUp() override {
        source.rows = {"1路 火车站", "2路 东关", "3路 西门", "4路 南站"};
        source.offersDelete = true;
        table->rowHeight = 60;
        table->setDataSource(&source);
        table->setDelegate(&source);
        window.rootView().addSubview(table);
        table->reloadData();
    }
    Point rowPoint(int row, double x = 200) { return {x, 64 + row * 60.0 + 30}; }
};

TEST_F(Swipe, LeftwardDragUncoversDeleteAndTappingItCommitsThatRow) {
    finger.drag(rowPoint(2, 300), rowPoint(2, 200));
    ASSERT_EQ(table->rowShowingDeleteConfirmation(), (IndexPath{0, 2}));
    View* button = window.findViewShowingText("删除");
    ASSERT_TRUE(button);
    EXPECT_EQ(button, table->deleteConfirmationButton().get());
    EXPECT_EQ(button->frameInWindow(), (Rect{375 - TableView::kDeleteButtonWidth, 64 + 120, 80, 60}));
    // The row slid aside to make room.
    EXPECT_DOUBLE_EQ(table->cellForRowAtIndexPath({0, 2})->frame().x(), -TableView::kDeleteButtonWidth);

    finger.tap(centerOf(*button));
    EXPECT_EQ(source.committed, (std::vector<IndexPath>{{0, 2}}));
    EXPECT_TRUE(source.selected.empty());
    EXPECT_FALSE(window.findViewShowingText("删除"));
    EXPECT_FALSE(window.findViewShowingText("3路 西门"));
    EXPECT_EQ(table->numberOfRowsInSection(0), 3);
    EXPECT_DOUBLE_EQ(table->cellForRowAtIndexPath({0, 2})->frame().x(), 0);
}

TEST_F(Swipe, TapElsewherePutsTheRowBackWithoutSelectingOrDeleting) {
    finger.drag(rowPoint(1, 300), rowPoint(1, 150));
    ASSERT_TRUE(table->rowShowingDeleteConfirmation());
    finger.tap(rowPoint(3));
    EXPECT_FALSE(table->rowShowingDeleteConfirmation());
    EXPECT_FALSE(window.findViewShowingText("删除"));
    EXPECT_DOUBLE_EQ(table->cellForRowAtIndexPath({0, 1})->frame().x(), 0);
    EXPECT_TRUE(source.selected.empty());
    EXPECT_TRUE(source.committed.empty());

    finger.tap(rowPoint(3));  // the next tap selects again
    EXPECT_EQ(source.selected, (std::vector<IndexPath>{{0, 3}}));
}

TEST_F(Swipe, ShortOrRightwardOrUnofferedDragsShowNoButton) {
    finger.drag(rowPoint(1, 200), rowPoint(1, 185));  // too short
    EXPECT_FALSE(table->rowShowingDeleteConfirmation());
    EXPECT_DOUBLE_EQ(table->cellForRowAtIndexPath({0, 1})->frame().x(), 0);
    finger.drag(rowPoint(1, 100), rowPoint(1, 300));  // rightward
    EXPECT_FALSE(table->rowShowingDeleteConfirmation());
    source.offersDelete = false;
    finger.drag(rowPoint(1, 300), rowPoint(1, 100));
    EXPECT_FALSE(table->rowShowingDeleteConfirmation());
    EXPECT_TRUE(source.committed.empty());
}

TEST_F(Swipe, ReloadTakesTheButtonAway) {
    finger.drag(rowPoint(0, 300), rowPoint(0, 150));
    ASSERT_TRUE(table->rowShowingDeleteConfirmation());
    table->reloadData();
    EXPECT_FALSE(table->rowShowingDeleteConfirmation());
    EXPECT_FALSE(window.findViewShowingText("删除"));
}

}  // namespace
