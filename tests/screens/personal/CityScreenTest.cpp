// The city selection, opened from the favourites list, against a recorded
// directory: the cities at every count, the choice stored and followed, and
// entries that cannot be served.
#include <gtest/gtest.h>

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
        replyWith("queryCity", json::array({city(16, "大同", "http://h"), city(17, "太原", service.url())}).dump());
        replyWith("realBusStation", "2站");
        storyboard.screen<BusCollectionViewController>("List", tableLayout<BusCollectionViewController>());
        storyboard.screen<BusCityViewController>(
            "City", {.build = ui::outlets<BusCityViewController>([this](auto& screen, ui::View& root, const auto&) {
                auto table = std::make_shared<ui::TableView>(ui::Rect{0, 0, 375, 554});
                root.addSubview(table);
                screen.cityList = table;
                screen.directoryUrl = service.url();
            })});
        storyboard.transition("List", "busCity", "City");
    }
    // The favourites list at the root; its city button opens the selection.
    ui::TableView& open() {
        list = std::dynamic_pointer_cast<BusCollectionViewController>(show("List"));
        tap(*list->navigationItem().rightBarButtonItems().at(0)->customView());
        return *std::dynamic_pointer_cast<BusCityViewController>(navigation->topViewController())->cityList.lock();
    }

    std::shared_ptr<BusCollectionViewController> list;
};

// After the choice the list shows the new city's name and favourites, with
// live texts from the new city's address.
TEST_F(CityScreenTest, ListsTheCitiesAtEveryCountAndTheChoiceIsStoredAndFollowed) {
    auto& prefs = platform::UserDefaults::standard();
    saveFavourite(12, 1, 3, 17);
    makeServiceUnreachable();
    ui::TableView& cities = open();
    EXPECT_EQ(rowTexts(cities), (Texts{"大同", "太原"}));
    EXPECT_EQ(cities.cellForRowAtIndexPath(ui::IndexPath::forRow(0))->detailTextLabel()->text(), "");
    cities.reloadData();
    EXPECT_EQ(requestsFor("queryCity").size(), 2u);
    const auto webService = prefs.objectForKey("postWebService");
    tapRow(cities, 1);
    EXPECT_EQ((std::vector{prefs.objectForKey("cityId"), prefs.objectForKey("cityName"), prefs.objectForKey("postUrl"),
                           prefs.objectForKey("postWebService")}),
              (std::vector<std::optional<json>>{17, "太原", service.url(), webService}));
    ASSERT_EQ(navigation->topViewController(), list);
    EXPECT_EQ(list->navigationItem().rightBarButtonItems().at(0)->customView()->text(), "太原");
    EXPECT_EQ(partsOf(*list->queryUITableView.lock()->cellForRowAtIndexPath(ui::IndexPath::forRow(0))->contentView()),
              "    方向 2站#55cdff");
}

// Entries without an id or with an address the transport cannot post to
// would leave the rider with no working city: they are not offered.
TEST_F(CityScreenTest, EntriesThatCannotBeServedAreNotOffered) {
    replyWith("queryCity", json::array({city(nullptr, "无号", "http://h"), city(19, "无址", nullptr),
                                        city(20, "文件", "file:///etc/passwd"), city("22", "好", "https://h")})
                               .dump());
    EXPECT_EQ(rowTexts(open()), Texts{"好"});
}

}  // namespace
}  // namespace bus::test
