// The search screen against a recorded city service: the city and its
// history, the hits asked for as the rider types, and taps on hits and on
// history rows with the hand-over to the live bus screen.
#include <gtest/gtest.h>

#include "model/BusQuery.h"
#include "model/Config.h"
#include "platform/ui/SearchBar.h"
#include "screens/tracking/BusQueryViewController.h"
#include "screens/tracking/TrackingFixture.h"

namespace bus::test {
namespace {

using Handed = std::vector<std::pair<std::string, json>>;

// Stands in for the live bus screen: keeps what it is handed, in order.
class LiveStandIn : public ui::ViewController {
public:
    LiveStandIn() {
        for (const char* key : {"lineId", "direction", "currentStation"})
            declareKey(key, [this, key](const json& v) { handed.emplace_back(key, v); });
    }
    Handed handed;
};

json hit(const std::string& station, json attribute, int lineId, int direction) {
    return {{"stationName", station}, {"attribute", attribute}, {"lineId", lineId},
            {"lineName", std::to_string(lineId) + "路"}, {"direction", direction}};
}

const json kHits = json::array({hit("大同站—新开里", 0, 12, 0), hit("新开里", 1, 12, 1), hit("东门", 1, 30, 0)});

void saveHistory(const json& record, int cityId = 16) {
    BusQuery query = BusQuery::initData(record);
    query.cityId = cityId;
    HistoryStore().save(query);
}

// A city's history, oldest first, as "stationName lineId/direction".
Texts historyOf(int cityId = 16) {
    Texts rows;
    for (const auto& q : HistoryStore{}.query(cityId))
        rows.push_back(textValue(q.stationName) + " " + decimalText(q.lineId) + "/" + decimalText(q.direction));
    return rows;
}

class SearchScreenTest : public TrackingFixture {
protected:
    void SetUp() override {
        TrackingFixture::SetUp();
        replyWith("queryKeyword", kHits.dump());
        storyboard.screen<BusQueryViewController>("Search", tableLayout<BusQueryViewController>());
        storyboard.screen<LiveStandIn>("Live").screen<ui::ViewController>("City");
        storyboard.transition("Search", "busReal", "Live").transition("Search", "busCity", "City");
    }
    void open() {
        screen = std::dynamic_pointer_cast<BusQueryViewController>(show("Search"));
        history = screen->queryUITableView.lock();
        results = screen->searchDisplayController->searchResultsTableView();
    }
    // Touches the search field and types the text one character at a time,
    // each one's hits in before the next.
    void type(const std::string& text) {
        tap(*screen->searchDisplayController->searchBar());
        for (char c : text) {
            ASSERT_TRUE(window->insertText(std::string(1, c)));
            settleRequests();
        }
    }
    // What the live bus screen was handed, or "none" when it is not on top.
    Handed handedToLive() const {
        auto live = std::dynamic_pointer_cast<LiveStandIn>(navigation->topViewController());
        return live ? live->handed : Handed{{"none", nullptr}};
    }

    std::shared_ptr<BusQueryViewController> screen;
    std::shared_ptr<ui::TableView> history, results;
};

// The city button opens the choice; back from it the screen shows the city
// chosen and its history, and later starts keep that city.
TEST_F(SearchScreenTest, OnlyAFirstStartSeedsTheDefaultCityAndTheScreenFollowsTheOneChosen) {
    auto& prefs = platform::UserDefaults::standard();
    for (const char* key : {"cityId", "postUrl", "postWebService"}) prefs.removeObjectForKey(key);
    saveHistory(hit("东门", 1, 30, 0), 17);
    open();
    EXPECT_EQ(prefs.objectForKey("cityId"), json(16));
    EXPECT_EQ(prefs.objectForKey("cityName"), json("大同"));
    EXPECT_EQ(prefs.objectForKey("postUrl"), json(config::kDefaultCityUrl));
    EXPECT_EQ(prefs.objectForKey("postWebService"), json("/realBus/CXFWebService/bus"));
    const auto cityButton = [this] { return screen->navigationItem().rightBarButtonItems().at(0)->customView(); };
    tap(*cityButton());
    ASSERT_EQ(navigation->topViewController()->storyboardIdentifier(), "City");
    prefs.setObject(17, "cityId");
    prefs.setObject("太原", "cityName");
    navigation->popToRootViewControllerAnimated(false);
    settle();
    EXPECT_EQ(cityButton()->text(), "太原");
    EXPECT_EQ(rowTexts(*history), Texts{"东门"});
    closeScreens();
    open();
    EXPECT_EQ(prefs.objectForKey("cityName"), json("太原"));
}

// Any attribute but 0 shows as a stop, but only 1 hands the stop on. A
// history row is not saved again; a hit replaces the city's entry of its line
// and direction as the newest. The button below clears this city's only.
TEST_F(SearchScreenTest, HistoryRowsAndHitsOpenTheLiveScreenAndTheHistoryClearsForTheCityOnly) {
    const struct {
        json attribute;
        Texts cell;  // text, detail, image
        json currentStation;
    } cases[] = {{0, {"12路", "站", "bus.png"}, ""},      {1, {"站", "13路", "station.png"}, "站"},
                 {2, {"站", "14路", "station.png"}, ""},  {-1, {"站", "15路", "station.png"}, ""},
                 {nullptr, {"16路", "站", "bus.png"}, ""}};
    for (int i = 0; i < 5; ++i) saveHistory(hit("站", cases[i].attribute, 12 + i, 1));
    saveHistory(hit("旧的", 1, 12, 1), 17);
    open();
    for (int i = 4; i >= 0; --i) {  // out of order, so that saving a row again would show
        SCOPED_TRACE(cases[i].attribute.dump());
        auto cell = history->cellForRowAtIndexPath(ui::IndexPath::forRow(i));
        EXPECT_EQ((Texts{cell->textLabel()->text(), cell->detailTextLabel()->text(), cell->imageView()->image()}),
                  cases[i].cell);
        tapRow(*history, i);
        EXPECT_EQ(handedToLive(), (Handed{{"lineId", 12 + i}, {"direction", 1}, {"currentStation", cases[i].currentStation}}));
        navigation->popToRootViewControllerAnimated(false);
        settle();
    }
    type("12");
    tapRow(*results, 1);
    EXPECT_EQ(handedToLive(), (Handed{{"lineId", 12}, {"direction", 1}, {"currentStation", "新开里"}}));
    EXPECT_FALSE(screen->searchDisplayController->isActive());
    EXPECT_EQ(historyOf(), (Texts{"站 13/1", "站 14/1", "站 15/1", "站 16/1", "新开里 12/1"}));
    navigation->popToRootViewControllerAnimated(false);
    settle();
    tap(*window->findViewShowingText("清空历史记录"));
    EXPECT_EQ(history->numberOfRowsInSection(0), 0);
    EXPECT_TRUE(historyOf().empty());
    EXPECT_EQ(historyOf(17), Texts{"旧的 12/1"});
}

// An emptied field keeps the last hits; a failed call or a reply that is
// not an array gives none.
TEST_F(SearchScreenTest, EveryCountOfANonEmptyTextAsksForHits) {
    open();
    type("12");
    ASSERT_EQ(requestsFor("queryKeyword").size(), 2u);
    EXPECT_NE(requestsFor("queryKeyword")[0].find("<keyword>1</keyword>"), std::string::npos);
    EXPECT_NE(requestsFor("queryKeyword")[1].find("<keyword>12</keyword>"), std::string::npos);
    EXPECT_EQ(rowTexts(*results), (Texts{"12路", "新开里", "东门"}));
    window->deleteBackward();
    window->deleteBackward();
    settleRequests();
    EXPECT_EQ(requestsFor("queryKeyword").size(), 3u) << "only \"1\" is asked again";
    EXPECT_EQ(screen->numberOfRowsInSection(*results, 0), 3);
    EXPECT_EQ(requestsFor("queryKeyword").size(), 3u);
    for (const std::string& reply : {std::string("12路"), kHits[0].dump(), std::string()}) {
        SCOPED_TRACE(reply);
        replyWith("queryKeyword", kHits.dump());
        type("2");
        ASSERT_EQ(results->numberOfRowsInSection(0), 3);
        reply.empty() ? makeServiceUnreachable() : replyWith("queryKeyword", reply);
        type("1");
        EXPECT_EQ(results->numberOfRowsInSection(0), 0);
        EXPECT_EQ(frontAlertText(), reply.empty() ? "提醒 无法连接服务器" : "");
    }
}

}  // namespace
}  // namespace bus::test
