// The personal screens driven through the toolkit against a recorded city
// service: the favourites list with the favourite search its add button
// opens and the city selection its city button opens; the transfer form
// with its stop picker and the plans worked out on a worker thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <map>

#include "model/MySingleton.h"
#include "platform/Thread.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/TabBarController.h"
#include "screens/personal/BusCityViewController.h"
#include "screens/personal/BusCollectionQueryViewController.h"
#include "screens/personal/BusCollectionViewController.h"
#include "screens/personal/BusTransferQueryViewController.h"
#include "screens/personal/BusTransferResultViewController.h"
#include "screens/personal/BusTransferViewController.h"
#include "screens/tracking/TrackingFixture.h"
#include "support/Language.h"
#include "support/UiTestSupport.h"

namespace bus::test {
namespace {

using Form = BusTransferViewController;
using Picker = BusTransferQueryViewController;
using Result = BusTransferResultViewController;
using Planner = BusTransferPlanner;

// Stands in for the screens ours open: keeps every value handed to it.
struct Recorder : ui::ViewController {
    void setValueForUndefinedKey(const json& v, const std::string& k) override { handed += " " + k + "=" + v.dump(); }
    std::string handed;
};

template <class V>
std::shared_ptr<V> put(ui::View& root, std::shared_ptr<V> view) {
    root.addSubview(view);
    return view;
}

class PersonalFixture : public TrackingFixture {
protected:
    template <class T>
    std::shared_ptr<T> top() const { return std::dynamic_pointer_cast<T>(navigation->topViewController()); }
    // The screen on top and what it was handed.
    std::string shown() const {
        const auto recorder = top<Recorder>();
        return navigation->topViewController()->storyboardIdentifier() + (recorder ? recorder->handed : "");
    }
};

void addFavourite(const std::string& stop, int orderNo, int cityId = 16) {
    BusCollection record;
    record.lineName = "12路", record.stationName = stop, record.endLine = "东门";
    record.lineId = 12, record.direction = 1, record.orderNo = orderNo, record.gprsId = 1201, record.cityId = cityId;
    FavouriteStore().save(record);
}
json city(json id, const std::string& name, json url) { return {{"codeValue", id}, {"name", name}, {"ylzd2", url}}; }
json hit(const std::string& station, int attribute, int lineId) {
    return {{"stationName", station}, {"attribute", attribute}, {"lineId", lineId},
            {"lineName", std::to_string(lineId) + "路"}, {"direction", 1}};
}

class FavouritesTest : public PersonalFixture {
protected:
    void SetUp() override {
        PersonalFixture::SetUp();
        replyWith("realBusStation", "2站");
        replyWith("queryCity", json::array({city(16, "大同", "http://h"), city(17, "太原", service.url())}).dump());
        replyWith("queryKeyword", json::array({hit("火车站", 0, 12), hit("新开里", 1, 13), hit("东门", 2, 14)}).dump());
        storyboard.screen<BusCollectionViewController>("List", tableLayout<BusCollectionViewController>())
            .screen<BusCollectionQueryViewController>("Search", tableLayout<BusCollectionQueryViewController>())
            .screen<BusCityViewController>(
                "City", {.build = ui::outlets<BusCityViewController>([this](auto& screen, ui::View& root, auto&) {
                    screen.cityList = put(root, std::make_shared<ui::TableView>(ui::Rect{0, 0, 375, 554}));
                    screen.directoryUrl = service.url();
                })})
            .screen<Recorder>("Live").screen<Recorder>("Stations");
        storyboard.transition("List", "busReal", "Live").transition("List", "busCity", "City");
        storyboard.transition("List", "busCollectionQuery", "Search").transition("Search", "busCollection", "Stations");
    }
    // Shows the list and waits until every row's live text is in.
    void open() {
        list = std::dynamic_pointer_cast<BusCollectionViewController>(show("List"));
        table = list->queryUITableView.lock();
        waitForLiveTexts();
    }
    void waitForLiveTexts() {
        ASSERT_TRUE(platform::RunLoop::main().runUntil([this] { return list->data->waiting() == 0; }));
    }
    ui::View& cityButton() { return *list->navigationItem().rightBarButtonItems().at(0)->customView(); }
    ui::TableView& openCities() {
        open();
        tap(cityButton());
        settleRequests();
        return *top<BusCityViewController>()->cityList.lock();
    }
    // The search over the list, from its add button, its hits table.
    ui::TableView& openSearch() {
        open();
        ui::BarButtonItem add("添加", {});
        list->addUIButton(add);
        settle();
        return *top<BusCollectionQueryViewController>()->searchDisplayController->searchResultsTableView();
    }
    // Types without touching the field first, each character's hits in
    // before the next.
    void type(const std::string& text) {
        for (char c : text) {
            ASSERT_TRUE(window->insertText(std::string(1, c)));
            settleRequests();
        }
    }
    std::string row(int r) { return partsOf(*table->cellForRowAtIndexPath(ui::IndexPath::forRow(r))->contentView()); }

    std::shared_ptr<BusCollectionViewController> list;
    std::shared_ptr<ui::TableView> table;
};

// The city button is the only right item, so the add button sits left.
TEST_F(FavouritesTest, ListsTheCitysFavouritesNewestFirstAndATapOpensTheLiveScreen) {
    addFavourite("火车站", 1);
    addFavourite("红旗广场", 3);
    addFavourite("别城", 2, 17);
    platform::UserDefaults::standard().setObject("大同", "cityName");
    open();
    EXPECT_EQ((Texts{row(0), row(1)}), (Texts{"12路   红旗广场 东门方向 2站#55cdff", "12路   火车站 东门方向 2站#55cdff"}));
    EXPECT_NE(requestsFor("realBusStation")[0].find(
                  "<gprsId>1201</gprsId><orderNo>3</orderNo><direction>1</direction>"),
              std::string::npos);
    EXPECT_EQ(list->navigationItem().rightBarButtonItems().size(), 1u);
    EXPECT_EQ(cityButton().text() + " " + cityButton().imageName(), "大同 城市下拉.png");
    tapRow(*table, 0);
    EXPECT_EQ(shown(), "Live lineId=12 direction=1 currentStation=\"红旗广场\"");
}

// The service's own text looks like live data even when it reads the same
// as the text for none; no text, or no answer, shows that there is none.
TEST_F(FavouritesTest, TheLiveTextShowsTheReplyVerbatimInBlueOrNoLiveDataInBlack) {
    const struct { const char* reply; std::string live; double size; } cases[] = {
        {nullptr /* unreachable, with nothing kept */, "无实时信息", 18}, {"无实时信息", "无实时信息#55cdff", 20},
        {"", "无实时信息", 18}};
    addFavourite("火车站", 1);
    for (const auto& c : cases) {
        if (c.reply) {
            replyWith("realBusStation", c.reply);
            service.makeCurrentCity();
        } else {
            makeServiceUnreachable();
        }
        open();
        EXPECT_EQ(row(0), "12路   火车站 东门方向 " + c.live);
        const auto live = table->cellForRowAtIndexPath(ui::IndexPath::forRow(0))->contentView()->subviews().back();
        EXPECT_EQ(std::dynamic_pointer_cast<ui::Label>(live)->font, ui::Font::boldSystem(c.size)) << c.live;
    }
}

// An alert that names a favourite's stop, or its whole line, marks its row
// to the eye and the screen reader; the line is asked once however many of
// its stops are listed.
TEST_F(FavouritesTest, AnAlertOnAStopOrItsWholeLineMarksTheRow) {
    addFavourite("火车站", 1);
    addFavourite("红旗广场", 3);
    const auto name = [&](int r) { return table->cellForRowAtIndexPath(ui::IndexPath::forRow(r))->accessibilityLabel(); };
    const struct {
        json stations;
        Texts rows;
    } cases[] = {
        {json::array({3}), {"12路   红旗广场 东门方向 2站#55cdff 有提醒#e68c00", "12路   火车站 东门方向 2站#55cdff"}},
        {json::array(), {"12路   红旗广场 东门方向 2站#55cdff 有提醒#e68c00", "12路   火车站 东门方向 2站#55cdff 有提醒#e68c00"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stations.dump());
        const auto before = requestsFor("queryAlert").size();
        replyWith("queryAlert", json::array({{{"id", "a"}, {"title", "改道"}, {"stations", c.stations}}}).dump());
        open();
        settleRequests();
        EXPECT_EQ((Texts{row(0), row(1)}), c.rows);
        EXPECT_EQ(requestsFor("queryAlert").size(), before + 1);
    }
    EXPECT_EQ(name(1), "12路 火车站，东门方向，2站，有提醒");
}

// A stop whose service cannot be reached shows its last text, greyed and
// marked, to the eye and the screen reader; the next reply takes the mark
// away. A stop never answered has nothing to show.
TEST_F(FavouritesTest, AnUnreachableServiceShowsEachStopsLastTextMarkedUntilItAnswersAgain) {
    addFavourite("火车站", 1);
    open();
    settleRequests();  // the texts are kept once they are all shown
    addFavourite("红旗广场", 3);
    makeServiceUnreachable();
    open();
    EXPECT_EQ((Texts{row(0), row(1)}),
              (Texts{"12路   红旗广场 东门方向 无实时信息", "12路   火车站 东门方向 2站#555555 离线#555555"}));
    const auto name = [&](int r) { return table->cellForRowAtIndexPath(ui::IndexPath::forRow(r))->accessibilityLabel(); };
    EXPECT_EQ(name(1), "12路 火车站，东门方向，2站，离线");
    replyWith("realBusStation", "1站");
    service.makeCurrentCity();
    open();
    EXPECT_EQ((Texts{row(0), row(1)}), (Texts{"12路   红旗广场 东门方向 1站#55cdff", "12路   火车站 东门方向 1站#55cdff"}));
    EXPECT_EQ(name(1), "12路 火车站，东门方向，1站");
}

// Only a deletion of a row the last read holds deletes; the notice closes
// after a second, also when the list is gone by then.
TEST_F(FavouritesTest, ASwipeDeletesTheFavouriteWithANoticeForOneSecond) {
    addFavourite("火车站", 1);
    addFavourite("别城", 2, 17);
    open();
    list->commitEditingStyle(*table, ui::TableViewCellEditingStyle::Insert, ui::IndexPath::forRow(0));
    list->commitEditingStyle(*table, ui::TableViewCellEditingStyle::Delete, ui::IndexPath::forRow(1));
    EXPECT_EQ(FavouriteStore{}.query(16).size(), 1u);
    Finger{*window}.drag(table->convertToWindow({300, 25}), table->convertToWindow({150, 25}));
    ASSERT_TRUE(Finger{*window}.tapText("删除"));
    settle();
    EXPECT_EQ(table->numberOfRowsInSection(0), 0);
    EXPECT_TRUE(FavouriteStore{}.query(16).empty());
    EXPECT_EQ(FavouriteStore{}.query(17).size(), 1u);
    platform::RunLoop::main().advance(0.999);
    EXPECT_EQ(frontAlertText(), "删除成功");
    closeScreens();
    list.reset(), navigation.reset();
    platform::RunLoop::main().advance(0.001);
    EXPECT_EQ(frontAlertText(), "");
}

// In English the row says its direction and that it has no live text in
// the language of the catalog; the names and the live text stay the
// service's. The delete button, its notice and the search's cancel button
// read English too.
TEST_F(FavouritesTest, InEnglishTheRowTheDeletionAndTheSearchReadEnglish) {
    InEnglish english;
    addFavourite("火车站", 1);
    addFavourite("红旗广场", 3);
    replyWith("realBusStation", "");
    open();
    EXPECT_EQ((Texts{row(0), row(1)}), (Texts{"12路   红旗广场 Towards 东门 No data", "12路   火车站 Towards 东门 No data"}));
    EXPECT_EQ(table->cellForRowAtIndexPath(ui::IndexPath::forRow(0))->accessibilityLabel(),
              "12路 红旗广场, towards 东门, no live information");
    Finger{*window}.drag(table->convertToWindow({300, 25}), table->convertToWindow({150, 25}));
    ASSERT_TRUE(Finger{*window}.tapText("Delete"));
    settle();
    EXPECT_EQ(FavouriteStore{}.query(16).size(), 1u);
    EXPECT_EQ(frontAlertText(), "Deleted");
    platform::RunLoop::main().advance(BusCollectionViewController::kNoticeSeconds);
    openSearch();
    ASSERT_TRUE(Finger{*window}.tapText("Cancel"));
    settle();
    EXPECT_EQ(navigation->topViewController(), list);
}

// Every count of a non-empty text asks again; an emptied field keeps the
// last hits without asking.
TEST_F(FavouritesTest, SearchOpensWithTheKeyboardAsksAtEveryCountOfANonEmptyTextAndCancelGoesBack) {
    ui::TableView& hits = openSearch();
    type("12");
    hits.reloadData();
    settleRequests();
    ASSERT_EQ(requestsFor("queryKeyword").size(), 3u);
    EXPECT_NE(requestsFor("queryKeyword")[2].find("<keyword>12</keyword>"), std::string::npos);
    window->deleteBackward();
    window->deleteBackward();
    settleRequests();
    EXPECT_EQ(top<BusCollectionQueryViewController>()->numberOfRowsInSection(hits, 0), 3);
    EXPECT_EQ(requestsFor("queryKeyword").size(), 4u);
    ASSERT_TRUE(Finger{*window}.tapText("取消"));
    settle();
    EXPECT_EQ(navigation->topViewController(), list);
}

// Any attribute but 0 shows as a stop, but only 1 hands the stop on.
TEST_F(FavouritesTest, SearchHitsShowLinesAndStopsAndATapOpensTheLineStationsScreen) {
    const struct { Texts cell; std::string shown; } cases[] = {  // cell: text, detail, image
        {{"12路", "火车站", "bus.png"}, "Stations lineId=12 direction=1 currentStation=\"\""},
        {{"新开里", "13路", "station.png"}, "Stations lineId=13 direction=1 currentStation=\"新开里\""},
        {{"东门", "14路", "station.png"}, "Stations lineId=14 direction=1 currentStation=\"\""}};
    ui::TableView& hits = openSearch();
    type("1");
    for (int row = 0; row < 3; ++row) {
        auto cell = hits.cellForRowAtIndexPath(ui::IndexPath::forRow(row));
        EXPECT_EQ((Texts{cell->textLabel()->text(), cell->detailTextLabel()->text(), cell->imageView()->image()}),
                  cases[row].cell);
        tapRow(hits, row);
        EXPECT_EQ(shown(), cases[row].shown);
        navigation->popViewControllerAnimated(false);
        settle();
    }
}

// The choice is read back as the next start would read it; the list then
// shows the new city's name and favourites, with live texts from its address.
TEST_F(FavouritesTest, CitiesAreListedAtEveryCountAndTheChoiceIsStoredAndFollowed) {
    auto& prefs = platform::UserDefaults::standard();
    saveFavourite(12, 1, 3, 17);
    makeServiceUnreachable();
    ui::TableView& cities = openCities();
    EXPECT_EQ(rowTexts(cities), (Texts{"大同", "太原"}));
    cities.reloadData();
    settleRequests();
    EXPECT_EQ(requestsFor("queryCity").size(), 2u);
    const auto webService = prefs.objectForKey("postWebService");
    tapRow(cities, 1);
    prefs.reload();
    EXPECT_EQ((std::vector{prefs.objectForKey("cityId"), prefs.objectForKey("cityName"), prefs.objectForKey("postUrl"),
                           prefs.objectForKey("postWebService")}),
              (std::vector<std::optional<json>>{17, "太原", service.url(), webService}));
    ASSERT_EQ(navigation->topViewController(), list);
    EXPECT_EQ(cityButton().text(), "太原");
    waitForLiveTexts();
    EXPECT_EQ(row(0), "    方向 2站#55cdff");
}

// Entries without an id or with an address the transport cannot post to
// would leave the rider with no working city: they are not offered.
TEST_F(FavouritesTest, CitiesThatCannotBeServedAreNotOffered) {
    replyWith("queryCity", json::array({city(nullptr, "无号", "http://h"), city(19, "无址", nullptr),
                                        city(20, "文件", "file:///etc/passwd"), city("22", "好", "https://h")})
                               .dump());
    EXPECT_EQ(rowTexts(openCities()), Texts{"好"});
}

json stopHit(const std::string& name, int lineId, int direction) {
    return {{"stationName", name}, {"attribute", 1}, {"lineId", lineId}, {"direction", direction}};
}
void setShared(const json& start, const json& end) {
    MySingleton::sharedSingleton().startStation = start;
    MySingleton::sharedSingleton().endStation = end;
}

const ui::ScreenLayout kFormLayout{.build = ui::outlets<Form>([](auto& form, ui::View& root, auto&) {
    form.startText = put(root, std::make_shared<ui::TextField>(ui::Rect{20, 30, 335, 40}));
    form.endText = put(root, std::make_shared<ui::TextField>(ui::Rect{20, 86, 335, 40}));
    form.queryButton = put(root, std::make_shared<ui::Button>(ui::ButtonType::Custom, ui::Rect{20, 150, 335, 44}));
})};
const ui::ScreenLayout kResultLayout{.build = ui::outlets<Result>([](auto& result, ui::View& root, auto&) {
    result.queryUITableView = put(root, std::make_shared<ui::TableView>(ui::Rect{0, 46, 375, 508}));
    result.messageLabel = put(root, std::make_shared<ui::Label>(ui::Rect{20, 120, 335, 60}));
    result.routeLabel = put(root, std::make_shared<ui::Label>(ui::Rect{15, 8, 345, 30}));
    result.indicator = put(root, std::make_shared<ui::ActivityIndicatorView>());
})};

class TransferTest : public PersonalFixture {
protected:
    void SetUp() override {
        PersonalFixture::SetUp();
        setShared(nullptr, nullptr);
        storyboard.screen<Form>("Form", kFormLayout).screen<Recorder>("City");
        storyboard.screen<Picker>("Picker", tableLayout<Picker>());
        storyboard.screen<Result>("Result", kResultLayout);
        storyboard.transition("Form", "busTransferQuery", "Picker")
            .transition("Form", "busTransferResult", "Result")
            .transition("Form", "busCity", "City");
    }
    void open() { form = std::dynamic_pointer_cast<Form>(show("Form")); }
    // The form filled with the two names and its query tapped, with the
    // service giving `hits` and answering every line with `lineStatus` (or
    // away): the result once it stopped planning, null when none showed.
    std::shared_ptr<Result> planned(const char* start, const char* end, const json& hits, int lineStatus, bool away) {
        replyWith("queryKeyword", hits.dump());
        replyWith("queryLine", lineText(5), lineStatus);
        if (away) makeServiceUnreachable();
        platform::AlertCenter::shared().clear();
        open();
        form->startText.lock()->setText(start);
        form->endText.lock()->setText(end);
        tap(*form->queryButton.lock());
        auto result = top<Result>();
        if (!result || !waitUntil([&] { return !result->indicator.lock()->isAnimating(); })) return nullptr;
        settle();
        return result;
    }
    Texts fields() const { return {form->startText.lock()->text(), form->endText.lock()->text()}; }

    std::shared_ptr<Form> form;
};

// A shared name replaces its field's text only when it has text; the city
// button follows "cityName" at each appearance and hands nothing on.
TEST_F(TransferTest, AppearingShowsTheSharedNamesThatHaveTextAndTheCity) {
    const struct { json start, end; Texts fields; const char* city; } cases[] = {
        {nullptr, nullptr, {"旧起", "旧终"}, "大同"}, {"甲", "", {"甲", "旧终"}, "太原"}, {"", "乙", {"旧起", "乙"}, "朔州"}};
    open();
    for (const auto& c : cases) {
        form->startText.lock()->setText("旧起");
        form->endText.lock()->setText("旧终");
        setShared(c.start, c.end);
        platform::UserDefaults::standard().setObject(c.city, "cityName");
        navigation->pushViewController(std::make_shared<ui::ViewController>(), false);  // away and back
        navigation->popViewControllerAnimated(false);
        settle();
        EXPECT_EQ(fields(), c.fields) << c.start.dump();
        EXPECT_EQ(form->navigationItem().rightBarButtonItems().at(0)->customView()->text(), c.city);
    }
    tap(*form->navigationItem().rightBarButtonItems().at(0)->customView());
    EXPECT_EQ(shown(), "City");
}

// A new city leaves no screen of the old one open in any tab, and the form
// forgets the old city's stop names; choosing the city already current
// leaves everything where it was.
TEST_F(TransferTest, ANewCityTakesEveryTabToItsRootAndEmptiesTheForm) {
    replyWith("queryCity", json::array({city(16, "大同", "http://h"), city(17, "太原", service.url())}).dump());
    storyboard.screen<BusCityViewController>("Cities", {.build = ui::outlets<BusCityViewController>(
                                                           [this](auto& screen, ui::View& root, auto&) {
                                                               screen.cityList = put(root, std::make_shared<ui::TableView>(ui::Rect{0, 0, 375, 554}));
                                                               screen.directoryUrl = service.url();
                                                           })});
    const auto stack = [this](const char* root) {
        return std::make_shared<ui::NavigationController>(storyboard.instantiateViewController(root));
    };
    auto search = stack("City"), transfer = stack("Form");
    auto tabs = std::make_shared<ui::TabBarController>();
    tabs->setViewControllers({search, transfer});
    tabs->setSelectedIndex(1);
    window->setRootViewController(tabs);
    auto& form = dynamic_cast<Form&>(*transfer->topViewController());
    const struct {
        const char* chosen;
        bool forgets;
    } cases[] = {{"太原, not the current city", true}, {"太原 again", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chosen);
        search->setViewControllers({search->viewControllers().front(), std::make_shared<Recorder>()}, false);
        setShared("甲", "乙");
        form.startText.lock()->setText("甲");
        form.endText.lock()->setText("乙");
        transfer->pushViewController(storyboard.instantiateViewController("Cities"), false);
        settleRequests();
        tapRow(*dynamic_cast<BusCityViewController&>(*transfer->topViewController()).cityList.lock(), 1);
        EXPECT_EQ(transfer->topViewController().get(), &form);
        EXPECT_EQ(search->viewControllers().size(), c.forgets ? 1u : 2u);
        EXPECT_EQ((Texts{form.startText.lock()->text(), form.endText.lock()->text()}),
                  (c.forgets ? Texts{"", ""} : Texts{"甲", "乙"}));
        EXPECT_EQ(MySingleton::sharedSingleton().endStation, c.forgets ? json() : json("乙"));
    }
}

// Each field opens the picker on the touch-down itself and never takes the
// keyboard. The picker lists each stop name of the hits once and no line;
// the chosen one goes into the field that opened it. An emptied search field
// empties the list without asking.
TEST_F(TransferTest, TouchDownOpensThePickerWhosePickedStopFillsThatField) {
    replyWith("queryKeyword", json::array({{{"stationName", "站1→站5"}, {"attribute", 0}, {"lineId", 12}},
                                           stopHit("站2", 12, 0), stopHit("站2", 12, 1), stopHit("站3", 30, 0)})
                                  .dump());
    open();
    int editing = 0;
    for (bool start : {true, false}) {
        const auto field = (start ? form->startText : form->endText).lock();
        field->addTarget(this, [&editing](ui::Control&) { ++editing; }, ui::ControlEventEditingDidBegin);
        window->touch(ui::TouchPhase::Began, field->convertToWindow({10, 10}));
        settle();
        auto picker = top<Picker>();
        ASSERT_TRUE(picker);
        window->touch(ui::TouchPhase::Ended, field->convertToWindow({10, 10}));
        ASSERT_TRUE(window->insertText("站"));  // the search field has the keyboard at once
        settleRequests();
        EXPECT_EQ(rowTexts(*picker->queryUITableView.lock()), (Texts{"站2", "站3"}));
        tapRow(*picker->queryUITableView.lock(), start ? 1 : 0);
        EXPECT_EQ(top<Form>(), form);
    }
    EXPECT_EQ(editing, 0);
    EXPECT_EQ(fields(), (Texts{"站3", "站2"}));
    EXPECT_NE(requestsFor("queryKeyword").at(0).find("<keyword>站</keyword>"), std::string::npos);
    tap(*form->startText.lock());
    window->insertText("站");
    window->deleteBackward();
    // Emptied before the reply came: the reply fills nothing.
    settleRequests();
    EXPECT_EQ(top<Picker>()->queryUITableView.lock()->numberOfRowsInSection(0), 0);
    EXPECT_EQ(requestsFor("queryKeyword").size(), 3u);
}

// What a rider reads on the result screen: the message, or the notes and
// the first plan ("text | text | ..."), each label of its row in turn.
std::string resultText(Result& result) {
    const auto message = result.messageLabel.lock();
    std::string text = message->hidden ? "" : message->text();
    if (const auto header = result.queryUITableView.lock()->tableHeaderView())
        for (const auto& note : header->subviews()) text.append("[").append(note->text()).append("]");
    const auto plan = result.queryUITableView.lock()->cellForRowAtIndexPath(ui::IndexPath::forRow(0));
    for (const auto& label : plan ? plan->contentView()->subviews() : std::vector<std::shared_ptr<ui::View>>{})
        text.append(text.empty() ? "" : " | ").append(label->text());
    return text;
}
// 站2 and 站4 on lines 1 to `lines`, direction 0.
json hitsOn(int lines) {
    json hits = json::array();
    for (const char* name : {"站2", "站4"})
        for (int line = 1; line <= lines; ++line) hits.push_back(stopHit(name, line, 0));
    return hits;
}
constexpr char kDirect[] = "12路 | 乘车2站 · 无需换乘 | 12路 开往 站5方向 | 站2上车 → 站4下车，共2站";

// Plans from the recorded service for the names the form hands on, and what
// the rider is told when there are none, when lines could not be read (one
// notice for them all), when the service is away, or when the request bound
// cut the search; missing or equal names ask nothing.
TEST_F(TransferTest, TheResultShowsPlansOrWhyThereAreNone) {
    const json twoLines = hitsOn(2);
    const struct { const char *start, *end; json hits; int lineStatus; bool away; std::string shown; std::size_t requests;
                   std::size_t notices; } cases[] = {
        {"站2", "站4", twoLines, 200, false, kDirect, 4, 0},
        {"站4", "站2", twoLines, 200, false, Result::kNoPlan, 4, 0},
        {"站2", "站4", twoLines, 500, false, std::string(Result::kNoPlan) + "[" + Result::unreadLinesNote(2) + "]", 4, 1},
        {"站2", "站4", twoLines, 200, true, Result::kUnreachable, 0, 1},
        {"站2", "站4", hitsOn(40), 200, false,
         std::string("[") + Result::kCutByRequests + "] | " + kDirect, 40, 0},
        {"", "站4", twoLines, 200, false, Result::kNoNames, 0, 0},
        {"站2", "站2", twoLines, 200, false, Result::kSameNames, 0, 0}};
    for (const auto& c : cases) {
        const std::size_t before = service.bodies().size();
        auto result = planned(c.start, c.end, c.hits, c.lineStatus, c.away);
        ASSERT_TRUE(result) << c.shown;
        EXPECT_EQ(resultText(*result), c.shown);
        EXPECT_EQ(service.bodies().size() - before, c.requests) << c.shown;
        const auto notices = platform::AlertCenter::shared().history();
        EXPECT_EQ(std::count_if(notices.begin(), notices.end(), [](const auto& e) { return e.kind == e.Shown; }),
                  static_cast<long>(c.notices)) << c.shown;
        closeScreens();
        service.makeCurrentCity();
    }
}

// The same in English: the messages, the notes, the stops the route names
// for those not chosen, and each leg of the first plan (its last labels;
// the plan's ride before them is the planner's).
TEST_F(TransferTest, InEnglishTheResultSaysWhatItFoundInEnglish) {
    InEnglish english;
    const json twoLines = hitsOn(2);
    const char* const leg = "12路 towards 站5 | Board at 站2 → get off at 站4, 2 stops";
    const struct { const char *start, *end; json hits; int lineStatus; bool away; std::string route, first, last; }
        cases[] = {
            {"站2", "站4", twoLines, 200, false, "站2 → 站4", "", leg},
            {"站4", "站2", twoLines, 200, false, "站4 → 站2", "No trip plan found", "No trip plan found"},
            {"站2", "站4", twoLines, 500, false, "站2 → 站4", "No trip plan found",
             "[2 lines could not be read; the plans may be incomplete]"},
            {"站2", "站4", twoLines, 200, true, "站2 → 站4", "Cannot reach the server to plan trips",
             "Cannot reach the server to plan trips"},
            {"站2", "站4", hitsOn(40), 200, false, "站2 → 站4",
             "[Many lines pass these stops, so only some were searched; the plans may be incomplete]", leg},
            {"", "站4", twoLines, 200, false, "From → 站4", "Choose where to start and end first",
             "Choose where to start and end first"},
            {"站2", "", twoLines, 200, false, "站2 → To", "Choose where to start and end first",
             "Choose where to start and end first"},
            {"站2", "站2", twoLines, 200, false, "站2 → 站2", "Same start and end: no ride needed",
             "Same start and end: no ride needed"}};
    for (const auto& c : cases) {
        auto result = planned(c.start, c.end, c.hits, c.lineStatus, c.away);
        ASSERT_TRUE(result) << c.route;
        const std::string shown = resultText(*result);
        EXPECT_EQ(result->routeLabel.lock()->text(), c.route);
        EXPECT_TRUE(shown.starts_with(c.first) && shown.ends_with(c.last)) << shown;
        closeScreens();
        service.makeCurrentCity();
    }
}

// Ten seconds after the planning began (on the run loop's clock) no more
// lines are asked for: the plans of those read show, cheapest first, with a
// note. A change costs four stops, so 1路's direct ride of three goes first.
// A tap on the change plan opens the live screen of its first line, waiting
// at the stop to board.
TEST_F(TransferTest, TheDeadlineShowsThePlansReadSoFar) {
    const std::map<int, Texts> lines{{1, {"甲", "乙", "丙", "丁"}}, {2, {"甲", "丙"}}, {3, {"丙", "丁"}}, {4, {"丙", "丁"}}};
    replyWith("queryKeyword", json::array({stopHit("甲", 1, 0), stopHit("甲", 2, 0), stopHit("丁", 1, 0),
                                           stopHit("丁", 3, 0), stopHit("丁", 4, 0)}).dump());
    std::promise<void> release;
    std::atomic<bool> holding{false};
    storyboard.screen("Result", [&, released = release.get_future().share()] {
        auto screen = std::make_shared<Result>();
        screen->source.queryLine = [&, released](std::int64_t, std::int64_t id, auto) {
            if (id == 3) {
                holding = true;
                released.wait_for(std::chrono::seconds(10));
            }
            const Texts& stops = lines.at(static_cast<int>(id));
            ops::LineReading reading{BusLine::initData({{"lineName", std::to_string(id) + "路"}}), {}, stops.back()};
            for (const auto& stop : stops) reading.stations.push_back(BusStation::initData({{"stationName", stop}}));
            return std::optional(reading);
        };
        return screen;
    }, kResultLayout);
    storyboard.screen<Recorder>("Live").transition("Result", "busReal", "Live");
    setShared("甲", "丁");
    open();
    // The planner holds its worker: the tap does not wait for it.
    tapAt(*form->queryButton.lock(), {10, 10}, false);
    settle();
    auto result = top<Result>();
    ASSERT_TRUE(waitUntil([&] { return holding.load(); }));
    platform::RunLoop::main().advance(Planner::kDeadlineSeconds);
    release.set_value();
    ASSERT_TRUE(waitUntil([&] { return !result->indicator.lock()->isAnimating(); }));
    EXPECT_EQ(resultText(*result), std::string("[") + Result::kCutByDeadline +
                                       "] | 1路 | 乘车3站 · 无需换乘 | 1路 开往 丁方向 | 甲上车 → 丁下车，共3站");
    const auto table = result->queryUITableView.lock();
    ASSERT_EQ(table->numberOfRowsInSection(0), 2);  // 2路 → 4路 needs the line not read
    // A screen reader hears a plan as its lines read in turn.
    EXPECT_EQ(ui::accessibility::name(*table->cellForRowAtIndexPath(ui::IndexPath::forRow(0))),
              "1路，乘车3站 · 无需换乘，1路 开往 丁方向，甲上车 → 丁下车，共3站");
    tapRow(*table, 1);  // 2路 → 3路
    EXPECT_EQ(shown(), "Live lineId=2 direction=0 currentStation=\"甲\"");
}

// The busy indicator turns while a worker off the main thread works the
// plans out; a screen closed meanwhile goes at once, on the main thread,
// and the result then reaches nothing.
TEST_F(TransferTest, PlansAreWorkedOutOffTheMainThreadForAScreenThatMayGo) {
    std::promise<void> release;
    std::atomic<bool> onMain{true};
    storyboard.screen("Result", [&onMain, released = release.get_future().share()] {
        auto screen = std::make_shared<Result>();
        screen->source.queryKeyword = [&onMain, released](const std::string&, auto) {
            onMain = platform::isMainThread();
            released.wait_for(std::chrono::seconds(10));  // a bound, should it run on the main thread
            return std::optional<std::vector<BusQuery>>{};
        };
        return screen;
    }, kResultLayout);
    setShared("甲", "乙");
    open();
    // The planner holds its worker: the tap does not wait for it.
    tapAt(*form->queryButton.lock(), {10, 10}, false);
    settle();
    std::weak_ptr<Result> result = top<Result>();
    ASSERT_TRUE(result.lock());
    EXPECT_TRUE(result.lock()->indicator.lock()->isAnimating());
    closeScreens();
    form.reset(), navigation.reset();
    EXPECT_TRUE(result.expired());
    release.set_value();
    ASSERT_TRUE(waitUntil([] { return platform::waitForWorkerThreads(0); }));
    settle();
    EXPECT_FALSE(onMain);
}

}  // namespace
}  // namespace bus::test
