// Tap recognisers on image views: the direction switch, the refresh image
// and the favourite star in a selected row.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "platform/RunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"

namespace {

using namespace ui;
using bus::test::CountingSource;
using bus::test::Finger;

struct Switch : ::testing::Test {
    Window window;
    Finger finger{window};
    std::shared_ptr<Button> below = make<Button>(ButtonType::System, Rect{0, 100, 375, 100});
    std::shared_ptr<ImageView> image = make<ImageView>(Rect{100, 120, 60, 30}, "切换1.png");
    std::vector<int> tappedTags;
    int buttonPresses = 0;

    void SetUp() override {
        window.rootView().addSubview(below);
        below->addTarget(this, [this](Control&) { ++buttonPresses; }, ControlEventTouchUpInside);
        window.rootView().addSubview(image);
        image->tag = 8;
        image->addGestureRecognizer(std::make_shared<TapGestureRecognizer>(
            [this](TapGestureRecognizer& r) { tappedTags.push_back(r.view()->tag); }));
    }
};

using TapRecognizer = Switch;

TEST_F(TapRecognizer, EnabledImageViewRecognisesTheTapAndKeepsItFromTheButtonBelow) {
    image->userInteractionEnabled = true;
    finger.tap({130, 135});
    EXPECT_EQ(tappedTags, (std::vector<int>{8}));
    EXPECT_EQ(buttonPresses, 0);
}

TEST_F(TapRecognizer, ImageViewWithoutInteractionIgnoresTheTapAndTheButtonBelowGetsIt) {
    finger.tap({130, 135});
    EXPECT_TRUE(tappedTags.empty());
    EXPECT_EQ(buttonPresses, 1);
}

TEST_F(TapRecognizer, FingerThatWandersIsNoTap) {
    image->userInteractionEnabled = true;
    finger.down({110, 130});
    finger.move({125, 130});  // 15 points away
    finger.up({112, 130});
    EXPECT_TRUE(tappedTags.empty());

    finger.down({110, 130});
    finger.move({118, 130});  // within 10 points
    finger.up({118, 130});
    EXPECT_EQ(tappedTags.size(), 1u);
}

TEST(TapInTable, RecognisedStarTapDoesNotSelectTheRowButTheRestOfTheRowDoes) {
    Window window;
    Finger finger{window};
    CountingSource source;
    source.rows = {"站一", "站二", "站三"};
    int starTaps = 0;
    source.decorate = [&](TableViewCell& cell, const IndexPath& ip) {
        cell.contentView()->removeAllSubviews();
        if (ip.row != 1) return;
        auto star = make<ImageView>(Rect{300, 10, 25, 25}, "点击收藏.png");
        star->userInteractionEnabled = true;
        star->addGestureRecognizer(std::make_shared<TapGestureRecognizer>([&](TapGestureRecognizer&) { ++starTaps; }));
        cell.contentView()->addSubview(star);
    };
    auto table = make<TableView>(Rect{0, 64, 375, 400});
    table->setDataSource(&source);
    table->setDelegate(&source);
    window.rootView().addSubview(table);
    table->reloadData();

    finger.tap({312, 64 + 44 + 22});  // the star on row 1
    EXPECT_EQ(starTaps, 1);
    EXPECT_TRUE(source.selected.empty());

    finger.tap({100, 64 + 44 + 22});  // elsewhere on row 1
    EXPECT_EQ(source.selected, (std::vector<IndexPath>{{0, 1}}));
}

}  // namespace
