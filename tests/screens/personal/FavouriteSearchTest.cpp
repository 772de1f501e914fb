// The favourite search, pushed over the favourites list, against a recorded
// city service: active at once with the keyboard in the field, hits asked
// for as the rider types, taps that open the line stations screen, cancel.
#include <gtest/gtest.h>

#include "screens/personal/BusCollectionQueryViewController.h"
#include "screens/tracking/TrackingFixture.h"
#include "support/UiTestSupport.h"

namespace bus::test {
namespace {

using nlohmann::json;
using Texts = std::vector<std::string>;
using Handed = std::vector<std::pair<std::string, json>>;

struct Stations : ui::ViewController {
    Stations() {
        for (const char* key : {"lineId", "direction", "currentStation"})
            declareKey(key, [this, key](const json& v) { handed.emplace_back(key, v); });
    }
    Handed handed;
};

json hit(const std::string& station, json attribute, int lineId) {
    return {{"stationName", station}, {"attribute", attribute}, {"lineId", lineId},
            {"lineName", std::to_string(lineId) + "路"}, {"direction", 1}};
}
const json kHits = json::array({hit("火车站", 0, 12), hit("新开里", 1, 13), hit("东门", 2, 14)});

class FavouriteSearchTest : public TrackingFixture {
protected:
    void SetUp() override {
        TrackingFixture::SetUp();
        replyWith("queryKeyword", kHits.dump());
        storyboard.screen<ui::ViewController>("List").screen<Stations>("Stations");
        storyboard.screen<BusCollectionQueryViewController>("Search", tableLayout<BusCollectionQueryViewController>());
        storyboard.transition("Search", "busCollection", "Stations");
        show("List");
        screen = std::dynamic_pointer_cast<BusCollectionQueryViewController>(
            storyboard.instantiateViewController("Search"));
        navigation->pushViewController(screen, true);
        settle();
        results = screen->searchDisplayController->searchResultsTableView();
    }
    // Types without touching the field first.
    void type(const std::string& text) {
        for (char c : text) ASSERT_TRUE(window->insertText(std::string(1, c)));
        settle();
    }

    std::shared_ptr<BusCollectionQueryViewController> screen;
    std::shared_ptr<ui::TableView> results;
};

TEST_F(FavouriteSearchTest, OpensWithTheKeyboardInTheFieldAsksAtEveryCountOfANonEmptyTextAndCancelGoesBack) {
    const auto& bar = screen->searchDisplayController->searchBar();
    EXPECT_TRUE(screen->searchDisplayController->isActive());
    EXPECT_EQ(screen->queryUITableView.lock()->tableHeaderView(), bar);
    EXPECT_TRUE(bar->frame() == (ui::Rect{0, 0, 375, 44}) && bar->placeholder == "输入线路或者站点");
    for (auto* table : {screen->queryUITableView.lock().get(), results.get()})
        EXPECT_TRUE(table->separatorInset == ui::EdgeInsets{} && table->tableFooterView());
    type("12");
    ASSERT_EQ(requestsFor("queryKeyword").size(), 2u);
    EXPECT_NE(requestsFor("queryKeyword")[1].find("<keyword>12</keyword>"), std::string::npos);
    EXPECT_EQ(rowTexts(*results), (Texts{"12路", "新开里", "东门"}));
    // Emptied, the field keeps the last hits without asking again.
    window->deleteBackward();
    window->deleteBackward();
    EXPECT_EQ(screen->numberOfRowsInSection(*results, 0), 3);
    EXPECT_EQ(requestsFor("queryKeyword").size(), 3u);
    ASSERT_TRUE(Finger{*window}.tapText("取消"));
    settle();
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
}

// Any attribute but 0 shows as a stop, but only 1 hands the stop on.
TEST_F(FavouriteSearchTest, HitsShowLinesAndStopsAndATapOpensTheLineStationsScreen) {
    const struct {
        Texts cell;  // text, detail, image
        json currentStation;
    } cases[] = {{{"12路", "火车站", "bus.png"}, ""}, {{"新开里", "13路", "station.png"}, "新开里"},
                 {{"东门", "14路", "station.png"}, ""}};
    type("1");
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        auto cell = results->cellForRowAtIndexPath(ui::IndexPath::forRow(row));
        EXPECT_EQ((Texts{cell->textLabel()->text(), cell->detailTextLabel()->text(), cell->imageView()->image()}),
                  cases[row].cell);
        tapRow(*results, row);
        auto stations = std::dynamic_pointer_cast<Stations>(navigation->topViewController());
        ASSERT_TRUE(stations);
        EXPECT_EQ(stations->handed,
                  (Handed{{"lineId", 12 + row}, {"direction", 1}, {"currentStation", cases[row].currentStation}}));
        navigation->popViewControllerAnimated(false);
        settle();
    }
}

}  // namespace
}  // namespace bus::test
