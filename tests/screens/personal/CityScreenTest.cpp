// The city selection against a recorded directory service: the cities at
// every count, the choice stored and every screen following it, and
// directory entries that cannot be served.
#include <gtest/gtest.h>

#include "model/BusCollection.h"
#include "platform/AlertView.h"
#include "platform/UserDefaults.h"
#include "screens/personal/BusCityViewController.h"
#include "screens/personal/BusCollectionViewController.h"
#include "screens/tracking/TrackingFixture.h"

namespace bus::test {
namespace {

using nlohmann::json;
using Texts = std::vector<std::string>;

json city(json id, const std::string& name, json url) { return {{"codeValue", id}, {"name", name}, {"ylzd2", url}}; }

class CityScreenTest : public TrackingFixture {
protected:
    void SetUp() override {
        TrackingFixture::SetUp();
        replyWith("queryCity", json::array({city(16, "大同", "http://127.0.0.1:1"), city(17, "太原", service.url()),
                                            city(18, "北京", "http://127.0.0.1:2")})
                                   .dump());
        replyWith("realBusStation", "2站");
        storyboard.screen<BusCollectionViewController>("List", tableLayout<BusCollectionViewController>());
        storyboard.screen<BusCityViewController>(
            "City", {.build = ui::outlets<BusCityViewController>(
                         [this](BusCityViewController& screen, ui::View& root, const ui::ScreenLayout&) {
                             auto table = std::make_shared<ui::TableView>(ui::Rect{0, 0, 375, 554});
                             root.addSubview(table);
                             screen.cityList = table;
                             screen.directoryUrl = service.url();
                         })});
        storyboard.transition("List", "busCity", "City");
    }
    // The favourites list at the root, the city selection opened by its button.
    void openFromList() {
        list = std::dynamic_pointer_cast<BusCollectionViewController>(show("List"));
        tap(*list->navigationItem().rightBarButtonItems().at(0)->customView());
        screen = std::dynamic_pointer_cast<BusCityViewController>(navigation->topViewController());
        ASSERT_TRUE(screen);
        cities = screen->cityList.lock();
    }
    static std::vector<json> stored() {
        std::vector<json> values;
        for (const char* key : {"cityId", "cityName", "postUrl", "postWebService"})
            values.push_back(platform::UserDefaults::standard().objectForKey(key).value_or(nullptr));
        return values;
    }

    std::shared_ptr<BusCollectionViewController> list;
    std::shared_ptr<BusCityViewController> screen;
    std::shared_ptr<ui::TableView> cities;
};

TEST_F(CityScreenTest, ListsTheDirectorysCitiesInReplyOrderAskingAtEveryCount) {
    openFromList();
    EXPECT_EQ(rowTexts(*cities), (Texts{"大同", "太原", "北京"}));
    EXPECT_EQ(cities->cellForRowAtIndexPath(ui::IndexPath::forRow(0))->detailTextLabel()->text(), "");
    const auto asked = requestsFor("queryCity").size();
    cities->reloadData();
    EXPECT_EQ(requestsFor("queryCity").size(), asked + 1);
}

// After the choice every later call goes to the new city's address, and the
// list shows that city's name and favourites.
TEST_F(CityScreenTest, ChoosingStoresTheCityAndTheListFollowsItWhenItAppears) {
    const auto before = stored();
    BusCollection favourite;
    favourite.lineName = "8路";
    favourite.stationName = "五一广场";
    favourite.cityId = 17;
    favourite.save(favourite);
    makeServiceUnreachable();
    openFromList();
    tapRow(*cities, 1);
    EXPECT_EQ(stored(), (std::vector<json>{17, "太原", service.url(), before[3]}));
    ASSERT_EQ(navigation->topViewController(), list);
    EXPECT_EQ(list->navigationItem().rightBarButtonItems().at(0)->customView()->text(), "太原");
    EXPECT_EQ(partsOf(*list->queryUITableView.lock()->cellForRowAtIndexPath(ui::IndexPath::forRow(0))->contentView()),
              "8路   五一广场 方向 2站#55cdff");
}

// Entries without an id or with an address the transport cannot post to
// would leave the rider with no working city: they are not offered.
TEST_F(CityScreenTest, RepliesAndEntriesThatCannotBeServedOfferNothing) {
    const struct {
        std::string name;
        std::optional<json> reply;  // none: the directory cannot be reached
        Texts rows;
        const char* notice;
    } cases[] = {{"unreachable", std::nullopt, {}, "提醒 无法连接服务器"},
                 {"not an array", city(17, "太原", "http://h"), {}, ""},
                 {"unusable entries",
                  json::array({city(nullptr, "无号", "http://h"), city(19, "无址", nullptr),
                               city(20, "文件", "file:///etc/passwd"), city(21, "空址", ""), city("22", "好", "https://h")}),
                  {"好"},
                  ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.reply ? replyWith("queryCity", c.reply->dump()) : service.reply("queryCity", "", 500);
        openFromList();
        EXPECT_EQ(rowTexts(*cities), c.rows);
        EXPECT_EQ(frontAlertText(), c.notice);
        platform::AlertCenter::shared().clear();
        closeScreens();
    }
}

}  // namespace
}  // namespace bus::test
