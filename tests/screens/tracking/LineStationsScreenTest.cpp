// The line stations screen, pushed over a root as the favourite search opens
// it, against a recorded city service: selection, the favourite star and its
// alerts, the direction switch and the replies that change nothing.
#include <array>

#include <gtest/gtest.h>

#include "platform/ui/ImageView.h"
#include "screens/tracking/BusStationViewController.h"
#include "screens/tracking/TrackingFixture.h"

namespace bus::test {
namespace {

// Stop numbers out of list order: the star finds its stop by number.
const std::string kOutbound = lineText({"火车站", "大北街", "红旗广场"}, 1201, {5, 7, 6});

class LineStationsTest : public TrackingFixture {
protected:
    void SetUp() override {
        TrackingFixture::SetUp();
        replyWith("queryLine", kOutbound);
        storyboard.screen<ui::ViewController>("Root");
        storyboard.screen<BusStationViewController>("Stations", {.build = ui::outlets<BusStationViewController>(
            [](BusStationViewController& screen, ui::View& root, const ui::ScreenLayout&) {
                auto add = [&root](auto view) { root.addSubview(view); return view; };
                screen.lineTitle = add(std::make_shared<ui::Label>(ui::Rect{15, 8, 270, 30}));
                screen.tabUIImageView = add(std::make_shared<ui::ImageView>(ui::Rect{300, 8, 60, 30}, "切换1.png"));
                screen.queryUITableView = add(std::make_shared<ui::TableView>(ui::Rect{0, 46, 320, 400}));
                screen.navigationItem().setLeftBarButtonItem(ui::BarButtonItem::withTitle("返回", {}));
            })});
    }
    void open() {
        root = show("Root");
        screen = std::dynamic_pointer_cast<BusStationViewController>(storyboard.instantiateViewController("Stations"));
        screen->setValue(12, "lineId");
        screen->setValue(0, "direction");
        screen->setValue("火车站", "currentStation");
        navigation->pushViewController(screen, true);
        settleRequests();
        table = screen->queryUITableView.lock();
    }
    // Each row's content: disc, star, name, number.
    Texts rows() {
        Texts out;
        for (int r = 0; r < table->numberOfRowsInSection(0); ++r)
            out.push_back(partsOf(*table->cellForRowAtIndexPath(ui::IndexPath::forRow(r))->contentView()));
        return out;
    }
    void tapStar(int row) {
        for (const auto& v : table->cellForRowAtIndexPath(ui::IndexPath::forRow(row))->contentView()->subviews())
            if (v->imageName().find("收藏") != std::string::npos) return tap(*v);
        FAIL() << "no star in row " << row;
    }
    Texts heading() const {
        return {screen->title(), screen->lineTitle.lock()->text(), screen->tabUIImageView.lock()->image()};
    }
    static std::vector<BusCollection> favourites() { return FavouriteStore{}.query(16, 12, 0); }

    std::shared_ptr<ui::ViewController> root;
    std::shared_ptr<BusStationViewController> screen;
    std::shared_ptr<ui::TableView> table;
};

// Only this line, direction and city's favourites are marked, untappable off
// the selected row. 继续收藏 (0) updates the star; 返回 (1) and the back
// button go to the root.
TEST_F(LineStationsTest, TheSelectedRowsStarMarksAndUnmarksWithAnAlertToGoOnOrBack) {
    const std::array<int, 4> stored[] = {{12, 0, 6, 16}, {12, 1, 5, 16}, {13, 0, 7, 16}, {12, 0, 7, 17}};
    for (const auto& [line, direction, orderNo, city] : stored) saveFavourite(line, direction, orderNo, city);
    open();
    EXPECT_NE(requestsFor("queryLine").at(0).find("<direction>0</direction><lineId>12</lineId>"), std::string::npos);
    EXPECT_EQ(heading(), (Texts{"12路", "开往 红旗广场方向", "切换2.png"}));
    EXPECT_EQ(rows(), (Texts{"灰底.png 火车站 5#ffffff", "灰底.png 大北街 7#ffffff",
                             "灰底.png 收藏成功.png 红旗广场 6#ffffff"}));
    screen->navigationItem().leftBarButtonItem()->trigger();
    settle();
    EXPECT_EQ(navigation->topViewController(), root);
    navigation->pushViewController(screen, false);
    settle();
    tapRow(*table, 2);
    tapRow(*table, 1);
    EXPECT_EQ(rows(), (Texts{"灰底.png 火车站 5#ffffff", "蓝底.png 点击收藏.png+tap 大北街 7#ffffff",
                             "灰底.png 收藏成功.png 红旗广场 6#ffffff"}));
    const struct {
        const char* notice;
        int button;
        const char* row;  // after the alert
    } taps[] = {{"收藏成功", 0, "蓝底.png 收藏成功.png+tap 大北街 7#ffffff"},
                {"取消收藏成功", 0, "蓝底.png 点击收藏.png+tap 大北街 7#ffffff"},
                {"收藏成功", 1, ""}};
    for (const auto& t : taps) {
        SCOPED_TRACE(t.notice);
        tapStar(1);
        EXPECT_EQ(frontAlertText(), t.notice);
        EXPECT_EQ(platform::AlertCenter::shared().frontAlert()->buttonTitles(), (Texts{"继续收藏", "返回"}));
        platform::AlertCenter::shared().frontAlert()->dismissWithClickedButtonIndex(t.button, true);
        settle();
        EXPECT_EQ(navigation->topViewController() == root, t.button == 1);
        EXPECT_TRUE(t.button == 1 || rows()[1] == t.row) << rows()[1];
    }
    const auto saved = favourites();
    ASSERT_EQ(saved.size(), 2u);
    const auto& f = saved[0];  // newest first
    EXPECT_EQ((std::vector<json>{f.lineName, f.stationName, f.orderNo, f.gprsId, f.endLine, f.direction, f.lineId}),
              (std::vector<json>{"12路", "大北街", 7, 1201, "红旗广场", 0, 12}));
    auto recognizer = std::make_shared<ui::TapGestureRecognizer>();
    auto star = std::make_shared<ui::ImageView>();
    star->addGestureRecognizer(recognizer);
    for (int tag : {0, 1, 99}) {
        star->tag = tag;
        screen->clickCell(*recognizer);
    }
    EXPECT_EQ(favourites().size(), 2u);
    EXPECT_EQ(frontAlertText(), "") << "nothing for a number that names no stop";
}

// Each tap asks for the other direction. A failed call, or a text that is not
// one object holding a bracketed stop list, leaves all but the direction as it
// was; a list without stops keeps the last terminal. The selection stays.
TEST_F(LineStationsTest, TheSwitchFetchesTheOtherDirectionAndKeepsTheSelection) {
    const Texts outbound{"12路", "开往 红旗广场方向", "切换2.png"};
    const struct {
        std::string reply;
        int status = 200, direction = 0;
        Texts heading = {};
        std::size_t rows = 3;
        const char* notice = "";
    } flips[] = {
        {.reply = lineText({"新开里", "红旗广场", "东关", "火车站"}), .direction = 1,
         .heading = {"12路", "开往 火车站方向", "切换1.png"}, .rows = 4},
        {.reply = kOutbound, .heading = outbound},
        {.reply = "", .status = 500, .direction = 1, .heading = outbound, .notice = "提醒 无法连接服务器"},
        {.reply = "", .heading = outbound},
        {.reply = R"({"lineName":"9路","gprsId":9})", .direction = 1, .heading = outbound},
        {.reply = R"({"lineName":"9路","upDown":[{"orderNo":1})", .heading = outbound},
        {.reply = R"(]{"lineName":"9路"}[)", .direction = 1, .heading = outbound},
        {.reply = R"([{"stationName":"x","orderNo":1}])", .heading = outbound},
        {.reply = "12路 [火车站] 停运", .direction = 1, .heading = outbound},
        {.reply = lineText(0), .heading = outbound, .rows = 0},
    };
    open();
    tapRow(*table, 1);
    for (const auto& f : flips) {
        SCOPED_TRACE(f.reply);
        replyWith("queryLine", f.reply, f.status);
        tap(*screen->tabUIImageView.lock());
        settleRequests();
        EXPECT_NE(requestsFor("queryLine").back().find("<direction>" + std::to_string(f.direction) + "</direction>"),
                  std::string::npos);
        EXPECT_EQ(screen->handedOver.direction, f.direction);
        EXPECT_EQ(heading(), f.heading);
        EXPECT_EQ(frontAlertText(), f.notice);
        const auto shown = rows();
        ASSERT_EQ(shown.size(), f.rows);
        EXPECT_TRUE(shown.empty() || shown[1].starts_with("蓝底.png"));
        platform::AlertCenter::shared().clear();
    }
}

// Until the other direction's stops are in, the rows show this direction's:
// their star takes no tap, so no stop is filed under the direction asked for.
TEST_F(LineStationsTest, AStarTakesNoTapWhileTheOtherDirectionIsOnItsWay) {
    open();
    tapRow(*table, 1);
    ui::TapGestureRecognizer recognizer;
    screen->clickImage(recognizer);  // the reply is shown at the next turn of the loop, not before
    tapStar(1);
    EXPECT_EQ(frontAlertText(), "");
    EXPECT_TRUE(FavouriteStore{}.query(16, 12, 1).empty());
    settleRequests();
    tapStar(1);
    EXPECT_EQ(frontAlertText(), "收藏成功");
    EXPECT_EQ(FavouriteStore{}.query(16, 12, 1).size(), 1u);
}

}  // namespace
}  // namespace bus::test
