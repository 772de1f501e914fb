// The search screen at the root of a navigation stack, against a recorded
// city service: the history table with its search field and clear button,
// the results table that queries as the rider types, taps on hits and on
// history rows, the hand-over to the live bus screen and the city button.
#include <gtest/gtest.h>

#include "model/BusQuery.h"
#include "model/Config.h"
#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"
#include "platform/ui/Button.h"
#include "platform/ui/SearchBar.h"
#include "screens/tracking/BusQueryViewController.h"
#include "screens/tracking/BusRealUIView.h"
#include "screens/tracking/TrackingFixture.h"

namespace bus::test {
namespace {

using nlohmann::json;

constexpr double kViewWidth = 320;

// Stands in for the live bus screen: keeps what it is handed, in order.
class LiveStandIn : public ui::ViewController {
public:
    LiveStandIn() {
        for (const char* key : {"lineId", "direction", "currentStation"})
            declareKey(key, [this, key](const json& v) { handed.emplace_back(key, v); });
    }
    std::vector<std::pair<std::string, json>> handed;
};

json hit(const std::string& station, json attribute, int lineId, const std::string& line, int direction) {
    return {{"stationName", station}, {"attribute", attribute}, {"lineId", lineId},
            {"lineName", line},       {"direction", direction}};
}

const json kHits = json::array({hit("大同站—新开里", 0, 12, "12路", 0), hit("新开里", 1, 12, "12路", 1),
                                hit("东门", 1, 30, "30路", 0)});

void saveHistory(const json& record, json cityId = 16) {
    BusQuery q = BusQuery::initData(record);
    q.cityId = cityId;
    q.save(q);
}

// Ends a case of a table: the next case starts with no screen and no history.
void forgetHistory() {
    BusQuery{}.removeAll(16);
    BusQuery{}.removeAll(17);
}

std::vector<std::string> historyStations(json cityId = 16) {
    std::vector<std::string> names;
    for (const auto& q : BusQuery{}.query(cityId)) names.push_back(q.stationName.get<std::string>());
    return names;
}

class SearchScreenTest : public TrackingFixture {
protected:
    void SetUp() override {
        TrackingFixture::SetUp();
        platform::UserDefaults::standard().setObject("大同", "cityName");
        replyWith("queryKeyword", kHits.dump());
        storyboard.screen<BusQueryViewController>(
            "Search", {.title = "search",
                       .viewSize = {kViewWidth, 480},
                       .build = ui::outlets<BusQueryViewController>(
                           [](BusQueryViewController& screen, ui::View& root, const ui::ScreenLayout&) {
                               auto table = std::make_shared<ui::TableView>(root.bounds());
                               table->rowHeight = 50;
                               root.addSubview(table);
                               screen.queryUITableView = table;
                           })});
        storyboard.screen<LiveStandIn>("Live").screen<ui::ViewController>("City");
        storyboard.transition("Search", "busReal", "Live").transition("Search", "busCity", "City");
    }

    void open() {
        screen = std::dynamic_pointer_cast<BusQueryViewController>(show("Search"));
        ASSERT_TRUE(screen);
        history = screen->queryUITableView.lock();
        ASSERT_TRUE(history);
        results = screen->searchDisplayController->searchResultsTableView();
    }

    // Touches the search field and types the text one character at a time.
    void type(const std::string& text) {
        tap(*screen->searchDisplayController->searchBar());
        for (char c : text) {
            ASSERT_TRUE(window->insertText(std::string(1, c)));
            settle();
        }
    }

    std::size_t keywordRequests(const std::string& keyword) const {
        std::size_t n = 0;
        for (const auto& body : requestsFor("queryKeyword"))
            n += body.find("<keyword>" + keyword + "</keyword>") != std::string::npos;
        return n;
    }

    std::shared_ptr<LiveStandIn> live() const {
        return std::dynamic_pointer_cast<LiveStandIn>(navigation->topViewController());
    }

    std::shared_ptr<BusQueryViewController> screen;
    std::shared_ptr<ui::TableView> history;
    std::shared_ptr<ui::TableView> results;
};

TEST_F(SearchScreenTest, LoadingSeedsTheDefaultCityOnlyOnAFirstStart) {
    struct Case {
        const char* name;
        bool cityChosen;
        json cityId, cityName, postUrl, postWebService;
    };
    const std::string chosenUrl = "http://127.0.0.1:1";
    const Case cases[] = {
        {"first start", false, 16, "大同", config::kDefaultCityUrl, "/realBus/CXFWebService/bus"},
        {"city chosen", true, 17, "太原", chosenUrl, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto& prefs = platform::UserDefaults::standard();
        for (const char* key : {"cityId", "cityName", "postUrl", "postWebService"}) prefs.removeObjectForKey(key);
        if (c.cityChosen) {
            prefs.setObject(17, "cityId");
            prefs.setObject("太原", "cityName");
            prefs.setObject(chosenUrl, "postUrl");
        }
        open();
        EXPECT_EQ(prefs.objectForKey("cityId").value_or(nullptr), c.cityId);
        EXPECT_EQ(prefs.objectForKey("cityName").value_or(nullptr), c.cityName);
        EXPECT_EQ(prefs.objectForKey("postUrl").value_or(nullptr), c.postUrl);
        EXPECT_EQ(prefs.objectForKey("postWebService").value_or(nullptr), c.postWebService);
        window->setRootViewController(nullptr);
        settle();
    }
}

TEST_F(SearchScreenTest, AnEmptyHistoryShowsTheSearchFieldAboveAndTheClearButtonBelow) {
    open();
    EXPECT_EQ(history->numberOfRowsInSection(0), 0);
    auto bar = std::dynamic_pointer_cast<ui::SearchBar>(history->tableHeaderView());
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar, screen->searchDisplayController->searchBar());
    EXPECT_EQ(bar->frame(), (ui::Rect{0, 0, kViewWidth, 44}));
    EXPECT_EQ(bar->placeholder, "输入线路或者站点");
    auto footer = std::dynamic_pointer_cast<BusRealUIView>(history->tableFooterView());
    ASSERT_TRUE(footer);
    // The table places it below the rows; its size is its own.
    EXPECT_EQ(footer->frame().size, (ui::Size{kViewWidth, 60}));
    EXPECT_NE(window->findViewShowingText("清空历史记录"), nullptr);
    for (const auto& table : {history, results}) EXPECT_EQ(table->separatorInset, (ui::EdgeInsets{0, 0, 0, 0}));
    ASSERT_TRUE(results->tableFooterView());
    EXPECT_TRUE(results->tableFooterView()->subviews().empty());
    EXPECT_EQ(results->dataSource(), screen.get());
    EXPECT_TRUE(platform::AlertCenter::shared().history().empty());
}

TEST_F(SearchScreenTest, TheClearButtonEmptiesTheCurrentCitysHistoryOnly) {
    saveHistory(kHits[0]);
    saveHistory(kHits[2]);
    saveHistory(kHits[1], 17);
    open();
    ASSERT_EQ(rowTexts(*history), (std::vector<std::string>{"12路", "东门"}));
    ui::View* button = window->findViewShowingText("清空历史记录");
    ASSERT_TRUE(button);
    tap(*button);
    EXPECT_EQ(history->numberOfRowsInSection(0), 0);
    EXPECT_TRUE(historyStations(16).empty());
    EXPECT_EQ(historyStations(17), std::vector<std::string>{"新开里"});
    EXPECT_TRUE(platform::AlertCenter::shared().history().empty());
}

TEST_F(SearchScreenTest, RowsShowStopsAndLinesEachTheirWay) {
    const struct {
        json attribute;
        const char* text;
        const char* detail;
        const char* image;
    } cases[] = {{0, "12路", "火车站", "bus.png"},
                 {1, "火车站", "12路", "station.png"},
                 {2, "火车站", "12路", "station.png"},
                 {-1, "火车站", "12路", "station.png"},
                 {nullptr, "12路", "火车站", "bus.png"}};
    // One history row at a time: rows of one line and direction replace
    // each other.
    for (const auto& c : cases) {
        SCOPED_TRACE(c.attribute.dump());
        saveHistory(hit("火车站", c.attribute, 12, "12路", 0));
        open();
        auto cell = history->cellForRowAtIndexPath(ui::IndexPath::forRow(0));
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->reuseIdentifier(), "mycell");
        EXPECT_EQ(cell->style(), ui::TableViewCellStyle::Subtitle);
        EXPECT_EQ(cell->textLabel()->text(), c.text);
        EXPECT_EQ(cell->detailTextLabel()->text(), c.detail);
        EXPECT_EQ(cell->imageView()->image(), c.image);
        forgetHistory();
        window->setRootViewController(nullptr);
        settle();
    }
}

TEST_F(SearchScreenTest, EveryChangeOfANonEmptyTextQueriesAndAnEmptyTextKeepsTheHits) {
    open();
    type("12");
    EXPECT_EQ(keywordRequests("1"), 1u);
    EXPECT_EQ(keywordRequests("12"), 1u);
    EXPECT_EQ(rowTexts(*results), (std::vector<std::string>{"12路", "新开里", "东门"}));
    auto stop = results->cellForRowAtIndexPath(ui::IndexPath::forRow(1));
    EXPECT_EQ(stop->imageView()->image(), "station.png");

    const auto before = requestsFor("queryKeyword").size();
    window->deleteBackward();
    window->deleteBackward();
    settle();
    EXPECT_EQ(screen->searchDisplayController->searchBar()->text(), "");
    EXPECT_EQ(requestsFor("queryKeyword").size(), before + 1) << "only \"1\" is asked again";
    EXPECT_EQ(screen->numberOfRowsInSection(*results, 0), 3);
    EXPECT_EQ(requestsFor("queryKeyword").size(), before + 1);
    EXPECT_EQ(screen->filterData.size(), 3u);
}

TEST_F(SearchScreenTest, ATappedHitBecomesTheNewestHistoryEntryAndOpensTheLiveScreen) {
    const struct {
        int row;
        json lineId, direction, currentStation;
    } cases[] = {{0, 12, 0, ""}, {1, 12, 1, "新开里"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        saveHistory(hit("旧的", 1, 12, "12路", c.direction.get<int>()));
        saveHistory(hit("别的", 0, 99, "99路", 0));
        saveHistory(hit("旧的", 1, 12, "12路", c.direction.get<int>()), 17);
        open();
        type("12");
        tapRow(*results, c.row);
        ASSERT_TRUE(live());
        EXPECT_EQ(live()->handed, (std::vector<std::pair<std::string, json>>{
                                      {"lineId", c.lineId}, {"direction", c.direction},
                                      {"currentStation", c.currentStation}}));
        EXPECT_FALSE(screen->searchDisplayController->isActive());
        // Stored under the current city: the query of city 16 finds it.
        const auto stored = BusQuery{}.query(16);
        ASSERT_EQ(stored.size(), 2u);
        EXPECT_EQ(stored[0].lineName, "99路");
        EXPECT_EQ(stored[1].stationName, kHits[static_cast<std::size_t>(c.row)]["stationName"]);
        EXPECT_EQ(historyStations(17), std::vector<std::string>{"旧的"});
        forgetHistory();
        window->setRootViewController(nullptr);
        settle();
    }
}

TEST_F(SearchScreenTest, ATappedHistoryRowOpensTheLiveScreenWithoutSavingIt) {
    const struct {
        json attribute;
        json currentStation;
    } cases[] = {{0, ""}, {1, "火车站"}, {2, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.attribute.dump());
        saveHistory(hit("火车站", c.attribute, 12, "12路", 1));
        saveHistory(hit("东门", 1, 30, "30路", 0));
        open();
        tapRow(*history, 0);
        ASSERT_TRUE(live());
        EXPECT_EQ(live()->handed, (std::vector<std::pair<std::string, json>>{
                                      {"lineId", 12}, {"direction", 1}, {"currentStation", c.currentStation}}));
        EXPECT_EQ(historyStations(), (std::vector<std::string>{"火车站", "东门"}));
        EXPECT_TRUE(requestsFor("queryKeyword").empty());
        forgetHistory();
        window->setRootViewController(nullptr);
        settle();
    }
}

TEST_F(SearchScreenTest, OnlyTheSenderZeroHandsTheRowOver) {
    open();
    screen->lineId = 5;
    screen->performSegueWithIdentifier("busReal", "1");
    settle();
    ASSERT_TRUE(live());
    EXPECT_TRUE(live()->handed.empty());
}

TEST_F(SearchScreenTest, RepliesWithoutHitsEmptyTheResults) {
    const struct {
        const char* name;
        std::string returnText;
        int status;  // 0: nothing listens at the city's address
        bool notice;
    } cases[] = {
        {"unreachable", "", 0, true},
        {"server error", "", 500, true},
        {"not JSON", "12路", 200, false},
        {"an object", kHits[0].dump(), 200, false},
        {"a number", "12", 200, false},
        {"empty return", "", 200, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::AlertCenter::shared().clear();
        service.makeCurrentCity();
        replyWith("queryKeyword", kHits.dump());
        open();
        type("1");
        ASSERT_EQ(results->numberOfRowsInSection(0), 3);
        if (c.status == 0)
            makeServiceUnreachable();
        else
            replyWith("queryKeyword", c.returnText, c.status);
        type("2");
        EXPECT_EQ(results->numberOfRowsInSection(0), 0);
        EXPECT_TRUE(screen->filterData.empty());
        const auto alert = platform::AlertCenter::shared().frontAlert();
        ASSERT_EQ(alert != nullptr, c.notice);
        if (alert) {
            EXPECT_EQ(alert->title(), "提醒");
            EXPECT_EQ(alert->message(), "无法连接服务器");
        }
        platform::RunLoop::main().advance(1.0);
        window->setRootViewController(nullptr);
        settle();
    }
}

TEST_F(SearchScreenTest, TheCityButtonShowsTheCityOpensTheChoiceAndFollowsIt) {
    saveHistory(hit("东门", 1, 30, "30路", 0), 17);
    open();
    const auto& items = screen->navigationItem().rightBarButtonItems();
    ASSERT_EQ(items.size(), 1u);
    auto button = std::dynamic_pointer_cast<ui::Button>(items[0]->customView());
    ASSERT_TRUE(button);
    EXPECT_EQ(button->buttonType(), ui::ButtonType::Custom);
    // The bar places it; its size is the button's own.
    EXPECT_EQ(button->frame().size, (ui::Size{110, 40}));
    EXPECT_EQ(button->titleForState(ui::ControlStateNormal), "大同");
    EXPECT_EQ(button->titleFont, ui::Font::system(17));
    EXPECT_EQ(button->imageForState(ui::ControlStateNormal), "城市下拉.png");
    EXPECT_EQ(button->imageEdgeInsets, (ui::EdgeInsets{0, 10, 0, 0}));
    EXPECT_EQ(button->contentHorizontalAlignment, ui::ContentHorizontalAlignment::Left);

    tap(*button);
    ASSERT_EQ(navigation->topViewController()->storyboardIdentifier(), "City");
    platform::UserDefaults::standard().setObject(17, "cityId");
    platform::UserDefaults::standard().setObject("太原", "cityName");
    navigation->popToRootViewControllerAnimated(true);
    settle();
    const auto& now = screen->navigationItem().rightBarButtonItems();
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(now[0]->customView()->text(), "太原");
    EXPECT_EQ(rowTexts(*history), std::vector<std::string>{"东门"});
}

}  // namespace
}  // namespace bus::test
