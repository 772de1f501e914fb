// The favourites list against a recorded city service: the current city's
// favourites with their live texts, read again at each reload, taps, swipe
// deletion with its notice, the city and add buttons.
#include <gtest/gtest.h>

#include "model/BusCollection.h"
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
struct Destination : ui::ViewController {
    Destination() {
        for (const char* key : {"lineId", "direction", "currentStation"})
            declareKey(key, [this, key](const json& v) { handed.emplace_back(key, v); });
    }
    Handed handed;
};

void addFavourite(const std::string& stop, int orderNo, int cityId = 16) {
    BusCollection record;
    record.lineName = "12路", record.stationName = stop, record.endLine = "东门";
    record.lineId = 12, record.direction = 1, record.orderNo = orderNo, record.gprsId = 1201, record.cityId = cityId;
    record.save(record);
}

const ui::Color kLiveBlue{85.0 / 255, 205.0 / 255, 1, 1};

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
    std::string row(int r) { return partsOf(*table->cellForRowAtIndexPath(ui::IndexPath::forRow(r))->contentView()); }
    // What the screen on top was handed, "" when the list is on top.
    Handed handed() const {
        auto top = std::dynamic_pointer_cast<Destination>(navigation->topViewController());
        return top ? top->handed : Handed{{"", nullptr}};
    }

    std::shared_ptr<BusCollectionViewController> screen;
    std::shared_ptr<ui::TableView> table;
};

TEST_F(FavouritesTest, ListsTheCitysFavouritesNewestFirstReadingAgainAtEachReloadAndATapOpensTheLiveScreen) {
    addFavourite("火车站", 1);
    addFavourite("红旗广场", 3);
    addFavourite("别城", 2, 17);
    open();
    EXPECT_EQ((Texts{row(0), row(1)}), (Texts{"12路   红旗广场 东门方向 2站#55cdff", "12路   火车站 东门方向 2站#55cdff"}));
    EXPECT_EQ(table->numberOfRowsInSection(0), 2);
    EXPECT_TRUE(table->separatorInset == ui::EdgeInsets{} && table->tableFooterView());
    EXPECT_NE(requestsFor("realBusStation")[0].find("<gprsId>1201</gprsId><orderNo>3</orderNo><direction>1</direction>"),
              std::string::npos);
    platform::UserDefaults::standard().setObject(17, "cityId");
    table->reloadData();
    EXPECT_EQ(row(0), "12路   别城 东门方向 2站#55cdff");
    tapRow(*table, 0);
    EXPECT_EQ(handed(), (Handed{{"lineId", 12}, {"direction", 1}, {"currentStation", "别城"}}));
}

// The service's own text looks like live data even when it reads the same
// as the text for none.
TEST_F(FavouritesTest, TheLiveTextShowsTheReplyVerbatimOrNoLiveDataInBlack) {
    const struct {
        const char* reply;  // null: the service cannot be reached
        std::string text;
        ui::Color color;
        double size;
        const char* notice;
    } cases[] = {{"5分钟", "5分钟", kLiveBlue, 20, ""},
                 {"无实时信息", "无实时信息", kLiveBlue, 20, ""},
                 {"", "无实时信息", ui::Color::black(), 18, ""},
                 {nullptr, "无实时信息", ui::Color::black(), 18, "提醒 无法连接服务器"}};
    addFavourite("火车站", 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + (c.reply ? "" : " unreachable"));
        c.reply ? replyWith("realBusStation", c.reply) : makeServiceUnreachable();
        open();
        auto live = std::dynamic_pointer_cast<ui::Label>(
            table->cellForRowAtIndexPath(ui::IndexPath::forRow(0))->contentView()->subviews().back());
        EXPECT_TRUE(live->text() == c.text && live->textColor == c.color && live->font == ui::Font::boldSystem(c.size));
        EXPECT_EQ(live->frame(), (ui::Rect{375 - 100, 10, 100, 20}));
        EXPECT_EQ(frontAlertText(), c.notice);
        platform::AlertCenter::shared().clear();
        closeScreens();
        service.makeCurrentCity();
    }
}

// Only a deletion of a row the last read holds deletes; the notice closes
// after a second, also when the list is gone by then.
TEST_F(FavouritesTest, ASwipeDeletesTheFavouriteWithANoticeForOneSecond) {
    addFavourite("火车站", 1);
    addFavourite("别城", 2, 17);
    open();
    screen->commitEditingStyle(*table, ui::TableViewCellEditingStyle::Insert, ui::IndexPath::forRow(0));
    screen->commitEditingStyle(*table, ui::TableViewCellEditingStyle::Delete, ui::IndexPath::forRow(1));
    EXPECT_EQ(BusCollection{}.query(16).size(), 1u);
    const ui::Point from = table->convertToWindow({300, 25}), to = table->convertToWindow({150, 25});
    Finger{*window}.drag(from, to);
    ASSERT_TRUE(Finger{*window}.tapText("删除"));
    settle();
    EXPECT_EQ(table->numberOfRowsInSection(0), 0);
    EXPECT_TRUE(BusCollection{}.query(16).empty());
    EXPECT_EQ(BusCollection{}.query(17).size(), 1u);
    platform::RunLoop::main().advance(0.999);
    EXPECT_EQ(frontAlertText(), "删除成功");
    closeScreens();
    screen.reset(), navigation.reset();
    platform::RunLoop::main().advance(0.001);
    EXPECT_EQ(frontAlertText(), "");
}

// The city button is the only right item, so the add button sits left;
// neither hands anything over.
TEST_F(FavouritesTest, TheCityButtonAloneOnTheRightAndTheAddButtonOpenTheirScreens) {
    platform::UserDefaults::standard().setObject("大同", "cityName");
    open();
    const auto cityButton = [this] {
        EXPECT_EQ(screen->navigationItem().rightBarButtonItems().size(), 1u);
        return screen->navigationItem().rightBarButtonItems().at(0)->customView();
    };
    EXPECT_EQ(cityButton()->text() + " " + cityButton()->imageName(), "大同 城市下拉.png");
    tap(*cityButton());
    EXPECT_EQ(navigation->topViewController()->storyboardIdentifier(), "City");
    EXPECT_EQ(handed(), Handed{});
    navigation->popToRootViewControllerAnimated(false);
    ui::BarButtonItem add("添加", {});
    screen->addUIButton(add);
    EXPECT_EQ(navigation->topViewController()->storyboardIdentifier(), "Search");
    EXPECT_EQ(handed(), Handed{});
}

}  // namespace
}  // namespace bus::test
