// The favourites list against a recorded city service: the current city's
// favourites with their live texts, the database read again at each reload,
// taps, swipe deletion with its notice, the city and add buttons.
#include <gtest/gtest.h>

#include "model/BusCollection.h"
#include "model/Value.h"
#include "platform/AlertView.h"
#include "platform/UserDefaults.h"
#include "platform/ui/Label.h"
#include "screens/personal/BusCollectionViewController.h"
#include "screens/tracking/TrackingFixture.h"
#include "support/UiTestSupport.h"

namespace bus::test {
namespace {

using nlohmann::json;
using Texts = std::vector<std::string>;
using Handed = std::vector<std::pair<std::string, json>>;

// Stands in for the screens the list opens: keeps what it is handed.
class Destination : public ui::ViewController {
public:
    Destination() {
        for (const char* key : {"lineId", "direction", "currentStation"})
            declareKey(key, [this, key](const json& v) { handed.emplace_back(key, v); });
    }
    Handed handed;
};

void addFavourite(const std::string& line, const std::string& stop, int orderNo, int cityId = 16) {
    BusCollection record;
    record.lineName = line;
    record.stationName = stop;
    record.endLine = "东门";
    record.lineId = 12;
    record.direction = 1;
    record.orderNo = orderNo;
    record.gprsId = 1201;
    record.cityId = cityId;
    record.save(record);
}

Texts storedStops(int cityId = 16) {
    Texts stops;
    for (const auto& f : BusCollection{}.query(cityId)) stops.push_back(textValue(f.stationName));
    return stops;
}

class FavouritesTest : public TrackingFixture {
protected:
    void SetUp() override {
        TrackingFixture::SetUp();
        replyWith("realBusStation", "2站");
        storyboard.screen<BusCollectionViewController>("List", tableLayout<BusCollectionViewController>());
        storyboard.screen<Destination>("Live").screen<Destination>("Search").screen<Destination>("City");
        storyboard.transition("List", "busReal", "Live").transition("List", "busCity", "City");
        storyboard.transition("List", "busCollectionQuery", "Search");
    }
    void open() {
        screen = std::dynamic_pointer_cast<BusCollectionViewController>(show("List"));
        table = screen->queryUITableView.lock();
    }
    Texts rows() {
        Texts out;
        for (int r = 0; r < table->numberOfRowsInSection(0); ++r)
            out.push_back(partsOf(*table->cellForRowAtIndexPath(ui::IndexPath::forRow(r))->contentView()));
        return out;
    }
    std::string top() const { return navigation->topViewController()->storyboardIdentifier(); }
    void backToList() {
        navigation->popToRootViewControllerAnimated(false);
        settle();
    }
    void swipeDelete(int row) {
        const ui::Rect r = table->rectForRowAtIndexPath(ui::IndexPath::forRow(row));
        Finger{*window}.drag(table->convertToWindow({300, r.midY()}), table->convertToWindow({150, r.midY()}));
        ASSERT_TRUE(Finger{*window}.tapText("删除"));
        settle();
    }

    std::shared_ptr<BusCollectionViewController> screen;
    std::shared_ptr<ui::TableView> table;
};

TEST_F(FavouritesTest, ListsTheCurrentCitysFavouritesNewestFirstAndReadsTheDatabaseAtEachReload) {
    addFavourite("12路", "火车站", 1);
    addFavourite("12路", "红旗广场", 3);
    addFavourite("30路", "别城", 2, 17);
    open();
    EXPECT_EQ(rows(), (Texts{"12路   红旗广场 东门方向 2站#55cdff", "12路   火车站 东门方向 2站#55cdff"}));
    EXPECT_EQ(table->separatorInset, (ui::EdgeInsets{0, 0, 0, 0}));
    EXPECT_TRUE(table->tableFooterView());
    ASSERT_FALSE(requestsFor("realBusStation").empty());
    EXPECT_NE(requestsFor("realBusStation")[0].find("<gprsId>1201</gprsId><orderNo>3</orderNo><direction>1</direction>"),
              std::string::npos);
    // A favourite added elsewhere, then another city: each reload reads again.
    addFavourite("12路", "大北街", 2);
    table->reloadData();
    EXPECT_EQ(rowTexts(*table).size(), 3u);
    platform::UserDefaults::standard().setObject(17, "cityId");
    table->reloadData();
    EXPECT_EQ(rows(), Texts{"30路   别城 东门方向 2站#55cdff"});
}

// The live text at the right of the row: the service's text as it came, or
// "无实时信息" in black when there is none; the service's own text looks
// like live data even when it reads the same.
TEST_F(FavouritesTest, TheLiveTextShowsTheReplyVerbatimOrNoLiveDataInBlack) {
    const struct {
        const char* reply;  // null: the service cannot be reached
        std::string text;
        ui::Color color;
        double size;
        const char* notice;
    } cases[] = {{"5分钟", "5分钟", {85.0 / 255, 205.0 / 255, 1, 1}, 20, ""},
                 {"无实时信息", "无实时信息", {85.0 / 255, 205.0 / 255, 1, 1}, 20, ""},
                 {"", "无实时信息", ui::Color::black(), 18, ""},
                 {nullptr, "无实时信息", ui::Color::black(), 18, "提醒 无法连接服务器"}};
    addFavourite("12路", "火车站", 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + (c.reply ? "" : " unreachable"));
        c.reply ? replyWith("realBusStation", c.reply) : makeServiceUnreachable();
        open();
        auto cell = table->cellForRowAtIndexPath(ui::IndexPath::forRow(0));
        auto live = std::dynamic_pointer_cast<ui::Label>(cell->contentView()->subviews().back());
        ASSERT_TRUE(live);
        EXPECT_EQ(live->text(), c.text);
        EXPECT_EQ(live->frame(), (ui::Rect{375 - 100, 10, 100, 20}));
        EXPECT_EQ(live->textColor, c.color);
        EXPECT_EQ(live->font, ui::Font::boldSystem(c.size));
        EXPECT_EQ(frontAlertText(), c.notice);
        platform::AlertCenter::shared().clear();
        closeScreens();
        service.makeCurrentCity();
    }
}

TEST_F(FavouritesTest, ATapOpensTheLiveScreenWithTheFavouritesLineDirectionAndStop) {
    addFavourite("12路", "火车站", 1);
    addFavourite("12路", "红旗广场", 3);
    open();
    tapRow(*table, 1);
    ASSERT_EQ(top(), "Live");
    EXPECT_EQ(std::dynamic_pointer_cast<Destination>(navigation->topViewController())->handed,
              (Handed{{"lineId", 12}, {"direction", 1}, {"currentStation", "火车站"}}));
}

TEST_F(FavouritesTest, ASwipeDeletesTheFavouriteAndShowsTheNoticeForOneSecond) {
    addFavourite("12路", "火车站", 1);
    addFavourite("30路", "别城", 2, 17);
    open();
    swipeDelete(0);
    EXPECT_EQ(table->numberOfRowsInSection(0), 0);
    EXPECT_TRUE(storedStops().empty());
    EXPECT_EQ(storedStops(17), Texts{"别城"});
    EXPECT_EQ(frontAlertText(), "删除成功");
    platform::RunLoop::main().advance(0.999);
    EXPECT_EQ(frontAlertText(), "删除成功");
    platform::RunLoop::main().advance(0.001);
    EXPECT_EQ(frontAlertText(), "");
}

// Only a deletion deletes, and only a row the last read holds; a notice
// still closes when the list is gone before it.
TEST_F(FavouritesTest, OtherCommitsDeleteNothingAndTheNoticeOutlivesTheList) {
    addFavourite("12路", "火车站", 1);
    open();
    screen->commitEditingStyle(*table, ui::TableViewCellEditingStyle::Insert, ui::IndexPath::forRow(0));
    screen->commitEditingStyle(*table, ui::TableViewCellEditingStyle::Delete, ui::IndexPath::forRow(1));
    EXPECT_EQ(storedStops(), Texts{"火车站"});
    EXPECT_EQ(frontAlertText(), "");
    swipeDelete(0);
    closeScreens();
    screen.reset();
    platform::RunLoop::main().advance(1.0);
    EXPECT_EQ(frontAlertText(), "");
}

// The city button is the only right item, so the add button sits left;
// neither hands anything over.
TEST_F(FavouritesTest, TheCityButtonShowsTheCityWhenTheListAppearsAndBothButtonsOpenTheirScreens) {
    platform::UserDefaults::standard().setObject("大同", "cityName");
    open();
    const auto cityButton = [this] {
        EXPECT_EQ(screen->navigationItem().rightBarButtonItems().size(), 1u);
        return screen->navigationItem().rightBarButtonItems().at(0)->customView();
    };
    EXPECT_EQ(cityButton()->text() + " " + cityButton()->imageName(), "大同 城市下拉.png");
    EXPECT_EQ((ui::Size{cityButton()->frame().width(), cityButton()->frame().height()}), (ui::Size{110, 40}));
    const auto handed = [this] { return std::dynamic_pointer_cast<Destination>(navigation->topViewController())->handed; };
    tap(*cityButton());
    ASSERT_EQ(top(), "City");
    EXPECT_TRUE(handed().empty());
    platform::UserDefaults::standard().setObject("太原", "cityName");
    backToList();
    EXPECT_EQ(cityButton()->text(), "太原");
    ui::BarButtonItem add("添加", {});
    screen->addUIButton(add);
    ASSERT_EQ(top(), "Search");
    EXPECT_TRUE(handed().empty());
}

}  // namespace
}  // namespace bus::test
