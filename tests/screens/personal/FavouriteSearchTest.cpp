// The favourite search, pushed over the favourites list as its add button
// opens it, against a recorded city service: active at once with the
// keyboard in the field, hits asked for as the rider types, taps that open
// the line stations screen, and cancel.
#include <gtest/gtest.h>

#include "platform/AlertView.h"
#include "screens/personal/BusCollectionQueryViewController.h"
#include "screens/tracking/TrackingFixture.h"
#include "support/UiTestSupport.h"

namespace bus::test {
namespace {

using nlohmann::json;
using Texts = std::vector<std::string>;
using Handed = std::vector<std::pair<std::string, json>>;

class Stations : public ui::ViewController {
public:
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

class FavouriteSearchTest : public TrackingFixture {
protected:
    void SetUp() override {
        TrackingFixture::SetUp();
        replyWith("queryKeyword", json::array({hit("火车站", 0, 12), hit("新开里", 1, 13), hit("东门", 2, 14)}).dump());
        storyboard.screen<ui::ViewController>("List").screen<Stations>("Stations");
        storyboard.screen<BusCollectionQueryViewController>("Search", tableLayout<BusCollectionQueryViewController>());
        storyboard.transition("Search", "busCollection", "Stations");
        show("List");
        screen = std::dynamic_pointer_cast<BusCollectionQueryViewController>(
            storyboard.instantiateViewController("Search"));
        navigation->pushViewController(screen, true);
        settle();
        bar = screen->searchDisplayController->searchBar();
        results = screen->searchDisplayController->searchResultsTableView();
    }
    void type(const std::string& text) {
        for (char c : text) {
            ASSERT_TRUE(window->insertText(std::string(1, c)));
            settle();
        }
    }
    std::string top() const { return navigation->topViewController()->storyboardIdentifier(); }

    std::shared_ptr<BusCollectionQueryViewController> screen;
    std::shared_ptr<ui::SearchBar> bar;
    std::shared_ptr<ui::TableView> results;
};

TEST_F(FavouriteSearchTest, OpensActiveWithTheKeyboardInTheFieldAndAsksAtEveryCountOfANonEmptyText) {
    EXPECT_TRUE(screen->searchDisplayController->isActive());
    EXPECT_EQ(window->firstResponder(), bar.get());
    EXPECT_EQ(bar->frame(), (ui::Rect{0, 0, 375, 44}));
    EXPECT_EQ(bar->placeholder, "输入线路或者站点");
    EXPECT_EQ(bar->delegate.get(), screen.get());
    auto own = screen->queryUITableView.lock();
    EXPECT_EQ(own->tableHeaderView(), bar);
    for (auto* table : {own.get(), results.get()}) {
        EXPECT_EQ(table->separatorInset, (ui::EdgeInsets{0, 0, 0, 0}));
        EXPECT_TRUE(table->tableFooterView());
    }
    type("12");
    ASSERT_EQ(requestsFor("queryKeyword").size(), 2u);
    EXPECT_NE(requestsFor("queryKeyword")[1].find("<keyword>12</keyword>"), std::string::npos);
    EXPECT_EQ(rowTexts(*results), (Texts{"12路", "新开里", "东门"}));
    // Emptied, the field keeps the last hits without asking again.
    window->deleteBackward();
    window->deleteBackward();
    settle();
    EXPECT_EQ(requestsFor("queryKeyword").size(), 3u);
    EXPECT_EQ(screen->numberOfRowsInSection(*results, 0), 3);
    EXPECT_EQ(requestsFor("queryKeyword").size(), 3u);
}

// Any attribute but 0 shows as a stop, but only 1 hands the stop on.
TEST_F(FavouriteSearchTest, HitsShowLinesAndStopsAndATapOpensTheLineStationsScreen) {
    const struct {
        Texts cell;  // text, detail, image
        Handed handed;
    } cases[] = {{{"12路", "火车站", "bus.png"}, {{"lineId", 12}, {"direction", 1}, {"currentStation", ""}}},
                 {{"新开里", "13路", "station.png"}, {{"lineId", 13}, {"direction", 1}, {"currentStation", "新开里"}}},
                 {{"东门", "14路", "station.png"}, {{"lineId", 14}, {"direction", 1}, {"currentStation", ""}}}};
    type("1");
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        const auto& c = cases[row];
        auto cell = results->cellForRowAtIndexPath(ui::IndexPath::forRow(row));
        EXPECT_EQ((Texts{cell->textLabel()->text(), cell->detailTextLabel()->text(), cell->imageView()->image()}),
                  c.cell);
        tapRow(*results, row);
        ASSERT_EQ(top(), "Stations");
        EXPECT_EQ(std::dynamic_pointer_cast<Stations>(navigation->topViewController())->handed, c.handed);
        navigation->popViewControllerAnimated(false);
        settle();
    }
}

TEST_F(FavouriteSearchTest, RepliesWithoutHitsEmptyTheList) {
    const struct {
        const char* returnText;  // null: the service cannot be reached
        const char* notice;
    } cases[] = {{nullptr, "提醒 无法连接服务器"}, {"", ""}, {"12路", ""}, {R"({"lineId":12})", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.returnText ? c.returnText : "unreachable");
        service.makeCurrentCity();
        replyWith("queryKeyword", json::array({hit("火车站", 0, 12)}).dump());
        type("1");
        ASSERT_EQ(results->numberOfRowsInSection(0), 1);
        c.returnText ? replyWith("queryKeyword", c.returnText) : makeServiceUnreachable();
        type("2");
        EXPECT_EQ(results->numberOfRowsInSection(0), 0);
        EXPECT_EQ(frontAlertText(), c.notice);
        platform::AlertCenter::shared().clear();
    }
}

TEST_F(FavouriteSearchTest, CancelGoesBackToTheList) {
    type("1");
    ASSERT_TRUE(Finger{*window}.tapText("取消"));
    settle();
    EXPECT_EQ(top(), "List");
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
}

}  // namespace
}  // namespace bus::test
