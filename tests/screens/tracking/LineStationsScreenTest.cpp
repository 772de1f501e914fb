// The line stations screen, opened on a navigation stack as the favourite
// search opens it, against a recorded city service: the stop rows, selection,
// the favourite star and its alerts, the direction switch and the replies
// that change nothing.
#include <gtest/gtest.h>

#include "model/BusCollection.h"
#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "screens/tracking/BusStationViewController.h"
#include "screens/tracking/TrackingFixture.h"

namespace bus::test {
namespace {

using nlohmann::json;

constexpr double kTableWidth = 320;

struct Stop {
    std::string name;
    int orderNo;
};

std::string lineWithStops(const std::string& lineName, const std::vector<Stop>& stops) {
    json list = json::array();
    for (const auto& s : stops) list.push_back({{"stationName", s.name}, {"orderNo", s.orderNo}, {"lineId", 12}});
    return json{{"lineId", 12}, {"lineName", lineName}, {"gprsId", 1201}, {"upDown", list}}.dump();
}

const std::vector<Stop> kOutbound{{"火车站", 1}, {"大北街", 2}, {"红旗广场", 3}};
const std::vector<Stop> kInbound{{"新开里", 1}, {"红旗广场", 2}, {"东关", 3}, {"火车站", 4}};

// What a row shows, read from its content view in the order it was built.
struct RowLook {
    std::string disc;
    std::string star;  // "" without one
    std::string name;
    std::string number;
};

class LineStationsTest : public TrackingFixture {
protected:
    void SetUp() override {
        TrackingFixture::SetUp();
        replyWith("queryLine", lineWithStops("12路", kOutbound));
        storyboard.screen<ui::ViewController>("Root");
        storyboard.screen<BusStationViewController>("Stations", stationsLayout());
    }

    static ui::ScreenLayout stationsLayout() {
        return {.title = "layout title",
                .build = ui::outlets<BusStationViewController>(
                    [](BusStationViewController& screen, ui::View& root, const ui::ScreenLayout&) {
                        auto title = ui::makeLabel({15, 8, 270, 30}, "layout header");
                        auto image = std::make_shared<ui::ImageView>(ui::Rect{300, 8, 60, 30}, "切换1.png");
                        auto table = std::make_shared<ui::TableView>(ui::Rect{0, 46, kTableWidth, 400});
                        table->rowHeight = 50;
                        for (const ui::ViewPtr& v : {ui::ViewPtr(title), ui::ViewPtr(image), ui::ViewPtr(table)})
                            root.addSubview(v);
                        screen.lineTitle = title;
                        screen.tabUIImageView = image;
                        screen.queryUITableView = table;
                        screen.navigationItem().setLeftBarButtonItem(ui::BarButtonItem::withTitle("返回", {}));
                    })};
    }

    // Pushes the screen over a root with the values the favourite search
    // hands over.
    void open() {
        root = show("Root");
        screen = std::dynamic_pointer_cast<BusStationViewController>(storyboard.instantiateViewController("Stations"));
        ASSERT_TRUE(screen);
        screen->setValue(12, "lineId");
        screen->setValue(0, "direction");
        screen->setValue("火车站", "currentStation");
        navigation->pushViewController(screen, true);
        settle();
        table = screen->queryUITableView.lock();
        ASSERT_TRUE(table);
    }

    RowLook look(int row) {
        auto cell = table->cellForRowAtIndexPath(ui::IndexPath::forRow(row));
        if (!cell) return {"<no cell>", "", "", ""};
        RowLook l;
        for (const auto& v : cell->contentView()->subviews()) {
            if (v->imageName() == "灰底.png" || v->imageName() == "蓝底.png")
                l.disc = v->imageName();
            else if (!v->imageName().empty())
                l.star = v->imageName();
            else if (l.name.empty())
                l.name = v->text();
            else
                l.number = v->text();
        }
        return l;
    }

    std::vector<RowLook> looks() {
        std::vector<RowLook> all;
        for (int r = 0; r < table->numberOfRowsInSection(0); ++r) all.push_back(look(r));
        return all;
    }

    ui::View* star(int row) {
        auto cell = table->cellForRowAtIndexPath(ui::IndexPath::forRow(row));
        if (!cell) return nullptr;
        for (const auto& v : cell->contentView()->subviews())
            if (v->frame().x() == kTableWidth - 50) return v.get();
        return nullptr;
    }

    void tapStar(int row) {
        ui::View* s = star(row);
        ASSERT_TRUE(s) << "no star in row " << row;
        tap(*s);
    }

    static void closeAlert(int buttonIndex) {
        auto alert = platform::AlertCenter::shared().frontAlert();
        ASSERT_TRUE(alert);
        alert->dismissWithClickedButtonIndex(buttonIndex, true);
    }

    static void saveFavourite(json direction, json orderNo, json lineId = 12, json cityId = 16) {
        BusCollection f;
        f.lineId = lineId;
        f.direction = direction;
        f.cityId = cityId;
        f.orderNo = orderNo;
        f.save(f);
    }

    static std::vector<BusCollection> favourites(json direction = 0) {
        return BusCollection{}.query(16, 12, direction);
    }

    std::string header() const { return screen->lineTitle.lock()->text(); }
    std::string switchImage() const { return screen->tabUIImageView.lock()->image(); }

    std::shared_ptr<ui::ViewController> root;
    std::shared_ptr<BusStationViewController> screen;
    std::shared_ptr<ui::TableView> table;
};

TEST_F(LineStationsTest, LoadShowsTheLineWithGreyDiscsAndNoSelection) {
    open();
    ASSERT_EQ(requestsFor("queryLine").size(), 1u);
    EXPECT_NE(requestsFor("queryLine")[0].find("<ns1:queryLine><direction>0</direction><lineId>12</lineId>"),
              std::string::npos);
    EXPECT_EQ(screen->title(), "12路");
    EXPECT_EQ(header(), "开往 红旗广场方向");
    EXPECT_EQ(switchImage(), "切换2.png");
    EXPECT_EQ(table->separatorInset, (ui::EdgeInsets{0, 0, 0, 0}));
    ASSERT_EQ(looks().size(), 3u);
    for (int r = 0; r < 3; ++r) {
        const auto l = look(r);
        EXPECT_EQ(l.disc, "灰底.png");
        EXPECT_EQ(l.star, "") << "no star before a tap";
        EXPECT_EQ(l.name, kOutbound[static_cast<std::size_t>(r)].name);
        EXPECT_EQ(l.number, std::to_string(r + 1));
    }
}

TEST_F(LineStationsTest, RowViewsSitWhereTheRowDrawsThem) {
    open();
    tapRow(*table, 0);
    auto cell = table->cellForRowAtIndexPath(ui::IndexPath::forRow(0));
    const auto& views = cell->contentView()->subviews();
    ASSERT_EQ(views.size(), 4u);
    EXPECT_EQ(views[0]->frame(), (ui::Rect{7, -2, 50, 50}));
    EXPECT_EQ(views[1]->frame(), (ui::Rect{kTableWidth - 50, 10, 25, 25}));
    EXPECT_EQ(views[2]->frame(), (ui::Rect{50, 10, 200, 20}));
    auto number = std::dynamic_pointer_cast<ui::Label>(views[3]);
    ASSERT_TRUE(number);
    EXPECT_EQ(number->frame(), (ui::Rect{20, 10, 24, 24}));
    EXPECT_EQ(number->textColor, ui::Color::white());
    EXPECT_EQ(number->textAlignment, ui::TextAlignment::Center);
    EXPECT_EQ(views[1]->tag, 1);
    EXPECT_EQ(views[1]->restorationIdentifier, "up");
    EXPECT_TRUE(views[1]->userInteractionEnabled);
}

TEST_F(LineStationsTest, ATapSelectsItsRowAndOnlyIt) {
    open();
    for (int r : {2, 0, 1}) {
        SCOPED_TRACE(r);
        tapRow(*table, r);
        EXPECT_EQ(screen->_current, r);
        for (int other = 0; other < 3; ++other) {
            const auto l = look(other);
            EXPECT_EQ(l.disc, other == r ? "蓝底.png" : "灰底.png");
            EXPECT_EQ(l.star, other == r ? "点击收藏.png" : "");
        }
    }
}

TEST_F(LineStationsTest, MarkingStoresTheStopAndTheStarFollowsAfterContinuing) {
    open();
    tapRow(*table, 1);
    tapStar(1);
    auto alert = platform::AlertCenter::shared().frontAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "收藏成功");
    EXPECT_EQ(alert->message(), "");
    EXPECT_EQ(alert->buttonTitles(), (std::vector<std::string>{"继续收藏", "返回"}));
    const auto stored = favourites();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].lineName, "12路");
    EXPECT_EQ(stored[0].stationName, "大北街");
    EXPECT_EQ(stored[0].orderNo, 2);
    EXPECT_EQ(stored[0].gprsId, 1201);
    EXPECT_EQ(stored[0].endLine, "红旗广场");
    EXPECT_EQ(stored[0].cityId, 16);
    EXPECT_EQ(stored[0].direction, 0);
    EXPECT_EQ(stored[0].lineId, 12);
    // The star changes only once the alert is closed.
    EXPECT_EQ(look(1).star, "点击收藏.png");

    closeAlert(0);
    settle();
    EXPECT_EQ(look(1).star, "收藏成功.png");
    EXPECT_EQ(navigation->topViewController(), screen);

    tapStar(1);
    EXPECT_EQ(platform::AlertCenter::shared().frontAlert()->title(), "取消收藏成功");
    EXPECT_TRUE(favourites().empty());
    closeAlert(0);
    settle();
    EXPECT_EQ(look(1).star, "点击收藏.png");
}

TEST_F(LineStationsTest, ReturnInEitherAlertAndTheLeftBarButtonGoToTheRoot) {
    const struct {
        const char* name;
        bool favouriteBefore;
        const char* alert;  // null: the left bar button instead
    } cases[] = {{"unmark", true, "取消收藏成功"}, {"mark", false, "收藏成功"}, {"bar button", false, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.favouriteBefore) saveFavourite(0, 3);
        open();
        if (c.alert) {
            tapRow(*table, 2);
            tapStar(2);
            ASSERT_EQ(platform::AlertCenter::shared().frontAlert()->title(), c.alert);
            closeAlert(1);
        } else {
            screen->navigationItem().leftBarButtonItem()->trigger();
        }
        settle();
        EXPECT_EQ(navigation->topViewController(), root);
        window->setRootViewController(nullptr);
        settle();
    }
}

TEST_F(LineStationsTest, OnlyThisLineDirectionAndCitysFavouritesAreMarked) {
    const struct {
        json lineId, direction, cityId, orderNo;
    } stored[] = {{12, 0, 16, 3}, {12, 1, 16, 1}, {13, 0, 16, 2}, {12, 0, 17, 2}};
    for (const auto& s : stored) saveFavourite(s.direction, s.orderNo, s.lineId, s.cityId);
    open();
    std::vector<std::string> stars;
    for (const auto& l : looks()) stars.push_back(l.star);
    EXPECT_EQ(stars, (std::vector<std::string>{"", "", "收藏成功.png"}));
    // An unselected favourite's star is a mark only: it takes no taps.
    ui::View* mark = star(2);
    ASSERT_TRUE(mark);
    EXPECT_FALSE(mark->userInteractionEnabled);
    EXPECT_TRUE(mark->gestureRecognizers().empty());
}

TEST_F(LineStationsTest, TheSwitchFetchesTheOtherDirectionAndKeepsTheSelectedPosition) {
    open();
    auto image = screen->tabUIImageView.lock();
    EXPECT_EQ(image->restorationIdentifier, "up");
    EXPECT_TRUE(image->userInteractionEnabled);
    tapRow(*table, 1);

    replyWith("queryLine", lineWithStops("12路", kInbound));
    tap(*image);
    EXPECT_NE(requestsFor("queryLine").back().find("<direction>1</direction><lineId>12</lineId>"), std::string::npos);
    EXPECT_EQ(screen->direction, 1);
    EXPECT_EQ(switchImage(), "切换1.png");
    EXPECT_EQ(header(), "开往 火车站方向");
    ASSERT_EQ(looks().size(), 4u);
    EXPECT_EQ(look(0).name, "新开里");
    EXPECT_EQ(look(1).disc, "蓝底.png");

    replyWith("queryLine", lineWithStops("12路", kOutbound));
    tap(*image);
    EXPECT_EQ(screen->direction, 0);
    EXPECT_EQ(switchImage(), "切换2.png");
    EXPECT_EQ(header(), "开往 红旗广场方向");
    EXPECT_EQ(look(1).disc, "蓝底.png");
}

TEST_F(LineStationsTest, TheStarFindsItsStopByNumberNotByPlace) {
    replyWith("queryLine", lineWithStops("12路", {{"甲", 5}, {"乙", 7}, {"丙", 6}}));
    open();
    tapRow(*table, 1);
    EXPECT_EQ(star(1)->tag, 7);
    tapStar(1);
    const auto stored = favourites();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].stationName, "乙");
    EXPECT_EQ(stored[0].orderNo, 7);
}

TEST_F(LineStationsTest, AStarTagThatNamesNoStopDoesNothing) {
    saveFavourite(0, 1);
    open();
    for (int tag : {0, 4, -1, 99}) {
        SCOPED_TRACE(tag);
        auto starView = std::make_shared<ui::ImageView>();
        starView->tag = tag;
        auto recognizer = std::make_shared<ui::TapGestureRecognizer>();
        starView->addGestureRecognizer(recognizer);
        screen->clickCell(*recognizer);
        screen->clickCancelCell(*recognizer);
    }
    EXPECT_EQ(favourites().size(), 1u);
    EXPECT_TRUE(platform::AlertCenter::shared().history().empty());
}

TEST_F(LineStationsTest, StopListsOfOneAndOfNoneSetTheTerminalAsFarAsTheyGo) {
    replyWith("queryLine", lineWithStops("7路", {{"终点站", 1}}));
    open();
    EXPECT_EQ(header(), "开往 终点站方向");
    ASSERT_EQ(looks().size(), 1u);

    replyWith("queryLine", lineWithStops("7路", {}));
    tap(*screen->tabUIImageView.lock());
    EXPECT_EQ(looks().size(), 0u);
    EXPECT_EQ(header(), "开往 终点站方向");
    EXPECT_EQ(switchImage(), "切换1.png");
}

// Replies that leave the screen as it was: a failed call, and texts that are
// not one object holding a bracketed stop list.
struct Unusable {
    const char* name;
    std::string returnText;
    int status;
    bool notice;
};

const std::vector<Unusable>& unusableReplies() {
    static const std::vector<Unusable> cases{
        {"server error", "", 500, true},
        {"empty return", "", 200, false},
        {"no bracket", R"({"lineName":"9路","gprsId":9})", 200, false},
        {"no closing bracket", R"({"lineName":"9路","upDown":[{"orderNo":1})", 200, false},
        {"closing before opening", R"(]{"lineName":"9路"}[)", 200, false},
        {"an array, not an object", R"([{"stationName":"x","orderNo":1}])", 200, false},
        {"not JSON", "12路 [火车站] 停运", 200, false},
    };
    return cases;
}

TEST_F(LineStationsTest, AnUnusableReplyChangesNothingButASwitchStillFlipsTheDirection) {
    for (const auto& c : unusableReplies()) {
        SCOPED_TRACE(c.name);
        platform::AlertCenter::shared().clear();
        replyWith("queryLine", c.returnText, c.status);
        open();
        EXPECT_EQ(screen->title(), "layout title");
        EXPECT_EQ(header(), "layout header");
        EXPECT_EQ(switchImage(), "切换1.png");
        EXPECT_EQ(table->numberOfRowsInSection(0), 0);
        EXPECT_EQ(!platform::AlertCenter::shared().history().empty(), c.notice);
        // The failure notice closes itself before the switch is tapped.
        platform::RunLoop::main().advance(1.0);

        replyWith("queryLine", lineWithStops("12路", kInbound));
        tap(*screen->tabUIImageView.lock());
        ASSERT_EQ(looks().size(), 4u);
        // A favourite of the other direction: its mark follows the flip.
        saveFavourite(0, 1);
        replyWith("queryLine", c.returnText, c.status);
        tap(*screen->tabUIImageView.lock());
        EXPECT_EQ(screen->direction, 0);
        EXPECT_EQ(screen->title(), "12路");
        EXPECT_EQ(header(), "开往 火车站方向");
        EXPECT_EQ(switchImage(), "切换1.png");
        ASSERT_EQ(looks().size(), 4u);
        EXPECT_EQ(look(0).star, "收藏成功.png");
        for (auto f : favourites(0)) f.remove(f);
        platform::RunLoop::main().advance(1.0);
        window->setRootViewController(nullptr);
        settle();
    }
}

}  // namespace
}  // namespace bus::test
