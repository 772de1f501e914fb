// The live route views: what a stop row, a vehicle marker, the panel and the
// clear-history button are made of, and what their taps store and post.
#include <sstream>

#include <gtest/gtest.h>

#include "model/BusCollection.h"
#include "platform/AlertView.h"
#include "platform/NotificationCenter.h"
#include "platform/Thread.h"
#include "platform/UserDefaults.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "screens/tracking/BusRealUIView.h"
#include "screens/tracking/TrackingFixture.h"

namespace bus::test {
namespace {

using nlohmann::json;

const ui::Color kLightBlue = ui::Color::rgba(85.0 / 255, 205.0 / 255, 1.0, 1.0);

// One line per subview: class, image or text, frame.
std::vector<std::string> partsOf(const ui::View& view) {
    std::vector<std::string> parts;
    for (const auto& child : view.subviews()) {
        const ui::Rect f = child->frame();
        std::ostringstream s;
        s << child->className() << ' ' << (child->imageName().empty() ? child->text() : child->imageName()) << ' '
          << f.x() << ',' << f.y() << ',' << f.width() << ',' << f.height();
        parts.push_back(s.str());
    }
    return parts;
}

BusStation stop(int orderNo, int flagId = 1) {
    return BusStation::initData({{"orderNo", orderNo}, {"stationName", stopName(orderNo)}, {"flagId", flagId}});
}

BusLine line() {
    BusLine l = BusLine::initData({{"lineId", 12}, {"lineName", "12路"}, {"gprsId", 1201}});
    l.uid = 12;
    l.direction = 1;
    l.endStation = "站9";
    return l;
}

std::shared_ptr<BusRealUIView> row(int n, int o, std::optional<BusCollection> favourite = std::nullopt, int flagId = 1,
                                   double height = 0) {
    if (height == 0) height = n == o ? 130 : 60;
    return BusRealUIView::initBusStation({0, 0, 375, height}, stop(n, flagId), o, std::move(favourite), line());
}

BusCollection savedFavourite(int orderNo) {
    BusCollection record;
    record.stationName = stopName(orderNo);
    record.orderNo = orderNo;
    record.lineId = 12;
    record.direction = 1;
    record.cityId = 16;
    record.save(record);
    return record.query(16, 12, 1).at(0);
}

// Every post of one notification name: the object and whether it came on
// the main thread.
class Posts {
public:
    explicit Posts(const char* name)
        : observation_(platform::NotificationCenter::defaultCenter().addObserver(
              name, [this](const platform::Notification& n) { posts.push_back({n.object, platform::isMainThread()}); })) {}
    std::vector<std::pair<const void*, bool>> posts;

private:
    platform::Observation observation_;
};

std::optional<json> storedOrderNo() { return platform::UserDefaults::standard().objectForKey("orderNo"); }

class LiveRouteViewTest : public TrackingFixture {};

struct RowCase {
    const char* name;
    int n, o;
    ui::Color nameColor;
    std::optional<ui::Color> numberColor;
    std::vector<std::string> parts;
};

TEST_F(LiveRouteViewTest, StopRowIsBuiltForItsPlaceAroundTheWaitingStop) {
    const std::vector<std::string> waitingBoxes{
        "Label 最近三辆车： 80,50,375,20", "ImageView 最近三辆车底色.png 80,80,75,50",
        "ImageView 最近三辆车底色.png 156,80,75,50", "ImageView 最近三辆车底色.png 232,80,75,50",
        "ImageView 点击收藏.png 325,20,25,25"};
    std::vector<std::string> waiting{"Label 站4 80,20,375,20", "ImageView 分割线.png 80,135,375,1",
                                     "ImageView 等车站.png 50,20,22,22", "ImageView 连接线.png 59,42,4,110",
                                     "Button  0,0,375,130"};
    waiting.insert(waiting.end(), waitingBoxes.begin(), waitingBoxes.end());
    const RowCase cases[] = {
        {"before", 2, 4, ui::Color::black(), ui::Color::gray(),
         {"Label 站2 80,20,375,20", "ImageView 分割线.png 80,60,375,1", "ImageView 已过站.png 50,20,22,22",
          "ImageView 过站连接线.png 59,42,4,48", "Label 2 50,20,22,22", "Button  0,0,375,60"}},
        {"waiting", 4, 4, kLightBlue, std::nullopt, waiting},
        {"after", 12, 4, ui::Color::black(), ui::Color::white(),
         {"Label 站12 80,20,375,20", "ImageView 分割线.png 80,60,375,1", "ImageView 未过站.png 50,20,22,22",
          "ImageView 连接线.png 59,42,4,48", "Label 12 50,20,22,22", "Button  0,0,375,60"}},
        // Waiting stop 0: every stop is after it.
        {"no waiting stop", 1, 0, ui::Color::black(), ui::Color::white(),
         {"Label 站1 80,20,375,20", "ImageView 分割线.png 80,60,375,1", "ImageView 未过站.png 50,20,22,22",
          "ImageView 连接线.png 59,42,4,48", "Label 1 50,20,22,22", "Button  0,0,375,60"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto view = row(c.n, c.o);
        EXPECT_EQ(partsOf(*view), c.parts);
        EXPECT_EQ(view->tag, 0);
        auto name = std::dynamic_pointer_cast<ui::Label>(view->subviews()[0]);
        EXPECT_EQ(name->textColor, c.nameColor);
        EXPECT_EQ(name->font, ui::Font::boldSystem(18));
        auto button = std::dynamic_pointer_cast<ui::Button>(view->subviews()[c.numberColor ? 5 : 4]);
        ASSERT_TRUE(button);
        EXPECT_EQ(button->buttonType(), ui::ButtonType::System);
        EXPECT_EQ(button->tag, c.n);
        if (!c.numberColor) continue;
        auto number = std::dynamic_pointer_cast<ui::Label>(view->subviews()[4]);
        EXPECT_EQ(number->textColor, *c.numberColor);
        EXPECT_EQ(number->font, ui::Font::boldSystem(15));
        EXPECT_EQ(number->textAlignment, ui::TextAlignment::Center);
    }
}

TEST_F(LiveRouteViewTest, TheLastStopOfADirectionHasNoConnector) {
    for (auto [n, o] : std::vector<std::pair<int, int>>{{2, 4}, {4, 4}, {6, 4}}) {
        SCOPED_TRACE(n);
        EXPECT_TRUE(viewsWithImage(*row(n, o, std::nullopt, 2), "连接线.png").empty());
        EXPECT_TRUE(viewsWithImage(*row(n, o, std::nullopt, 2), "过站连接线.png").empty());
        EXPECT_EQ(viewsWithImage(*row(n, o, std::nullopt, 1), n < o ? "过站连接线.png" : "连接线.png").size(), 1u);
    }
}

// The favourite control: only the waiting stop's reacts; elsewhere a
// favourite is a plain mark.
TEST_F(LiveRouteViewTest, FavouriteControlByStopClassAndFavourite) {
    BusCollection favourite;
    favourite.orderNo = 4;
    const struct {
        int n;
        bool isFavourite;
        const char* image;  // "" for no control
        bool reacts;
    } cases[] = {{4, true, "收藏成功.png", true}, {4, false, "点击收藏.png", true}, {2, true, "收藏成功.png", false},
                 {6, true, "收藏成功.png", false}, {2, false, "", false},         {6, false, "", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.n) + (c.isFavourite ? " favourite" : ""));
        auto view = row(c.n, 4, c.isFavourite ? std::optional(favourite) : std::nullopt);
        const auto& last = view->subviews().back();
        if (*c.image == '\0') {
            EXPECT_EQ(last->className(), "Button");
            continue;
        }
        EXPECT_EQ(last->imageName(), c.image);
        EXPECT_EQ(last->frame(), (ui::Rect{325, 20, 25, 25}));
        EXPECT_EQ(last->gestureRecognizers().size(), c.reacts ? 1u : 0u);
        EXPECT_EQ(last->userInteractionEnabled, c.reacts);
        EXPECT_EQ(last->tag, c.reacts ? c.n : 0);
        EXPECT_EQ(last->restorationIdentifier, c.reacts ? "up" : "");
    }
}

// A tap anywhere on a row, its favourite mark included, makes its stop the
// waiting stop; the waiting row's again stores the same number.
TEST_F(LiveRouteViewTest, ATapOnARowStoresItsStopAndPostsOnTheMainThread) {
    BusCollection favourite;
    favourite.orderNo = 7;
    Posts posts(BusRealUIView::kUpdateOrderNo);
    const struct {
        std::shared_ptr<BusRealUIView> view;
        ui::Point at;
        const char* stored;
    } taps[] = {{row(7, 4, favourite), {337, 32}, "7"}, {row(2, 4), {20, 30}, "2"}, {row(4, 4), {200, 100}, "4"}};
    for (const auto& t : taps) {
        host().removeAllSubviews();
        host().addSubview(t.view);
        const auto before = posts.posts.size();
        tapAt(*t.view, t.at);
        EXPECT_EQ(storedOrderNo(), json(t.stored));
        ASSERT_EQ(posts.posts.size(), before + 1);
        EXPECT_EQ(posts.posts.back(), (std::pair<const void*, bool>{t.view.get(), true}));
    }
}

// The first stop as waiting stop gets a 60-high frame from the screen: the
// boxes below it are drawn but take no touch, and the button covers 60.
TEST_F(LiveRouteViewTest, AWaitingRowOnAShortFrameKeepsItsBoxesBelowIt) {
    Posts posts(BusRealUIView::kUpdateOrderNo);
    auto view = row(1, 1, std::nullopt, 1, 60);
    host().addSubview(view);
    EXPECT_EQ(viewsWithImage(*view, "最近三辆车底色.png").size(), 3u);
    EXPECT_EQ(viewsWithText(*view, "最近三辆车：").size(), 1u);
    EXPECT_EQ(view->subviews()[4]->frame(), (ui::Rect{0, 0, 375, 60}));
    tapAt(*view, {200, 100});
    EXPECT_TRUE(posts.posts.empty());
    tapAt(*view, {200, 40});
    EXPECT_EQ(posts.posts.size(), 1u);
}

TEST_F(LiveRouteViewTest, VehicleMarkerShowsPlaceAndCount) {
    const struct {
        int s, o, busNum;
        const char* image;
        const char* count;  // "" for none
    } cases[] = {{7, 4, 3, "过站巴士.png", ""}, {5, 4, 1, "过站巴士.png", ""}, {4, 4, 1, "bus.png", ""},
                 {3, 4, 2, "两辆巴士.png", "2"}, {1, 4, 11, "两辆巴士.png", "11"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.s) + "/" + std::to_string(c.busNum));
        BusReal vehicle = BusReal::initData({{"stationNo", c.s}, {"inStation", 0}});
        vehicle.busNum = c.busNum;
        auto view = BusRealUIView::initBusReal({5, 50, 50, 40}, vehicle, c.o);
        EXPECT_EQ(view->tag, BusRealUIView::kLiveItemTag);
        std::vector<std::string> parts{std::string("ImageView ") + c.image + " 0,5,50,50"};
        if (*c.count) parts.push_back(std::string("Label ") + c.count + " 28,15,13,13");
        parts.push_back("Button  0,0,50,40");
        EXPECT_EQ(partsOf(*view), parts);
        EXPECT_EQ(view->subviews().back()->tag, c.s - 1);
        if (!*c.count) continue;
        auto label = std::dynamic_pointer_cast<ui::Label>(view->subviews()[1]);
        EXPECT_EQ(label->textColor, ui::Color::white());
        EXPECT_EQ(label->font, ui::Font::boldSystem(12));
    }
}

// The tapped vehicle ends just past the new waiting stop; at stop 1 that is
// stop 0, no stop at all.
TEST_F(LiveRouteViewTest, ATapOnAVehicleStoresTheStopBeforeIt) {
    Posts posts(BusRealUIView::kUpdateOrderNo);
    for (int s : {6, 1}) {
        auto view = BusRealUIView::initBusReal({5, 0, 50, 40}, BusReal::initData({{"stationNo", s}}), 4);
        host().addSubview(view);
        tap(*view);
        EXPECT_EQ(storedOrderNo(), json(std::to_string(s - 1)));
        EXPECT_EQ(posts.posts.back().first, view.get());
    }
}

TEST_F(LiveRouteViewTest, PanelFillsThreeBoxesNearestFirst) {
    const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
        {{}, {"暂无信息", "暂无信息", "暂无信息"}},
        {{"已到站"}, {"已到站", "暂无信息", "暂无信息"}},
        {{"a", "b", "c", "d"}, {"a", "b", "c"}},
    };
    for (const auto& [texts, shown] : cases) {
        auto panel = BusRealUIView::initBusRealDetailed({80, 239, 250, 50}, texts);
        EXPECT_EQ(panel->tag, BusRealUIView::kLiveItemTag);
        EXPECT_EQ(partsOf(*panel), (std::vector<std::string>{"Label " + shown[0] + " 0,0,75,50",
                                                             "Label " + shown[1] + " 75,0,75,50",
                                                             "Label " + shown[2] + " 150,0,75,50"}));
        auto label = std::dynamic_pointer_cast<ui::Label>(panel->subviews()[2]);
        EXPECT_EQ(label->textColor, ui::Color::white());
        EXPECT_EQ(label->textAlignment, ui::TextAlignment::Center);
        EXPECT_EQ(label->font, ui::Font::boldSystem(15));
    }
}

TEST_F(LiveRouteViewTest, ATapOnThePanelDoesNotReachTheRowBelow) {
    Posts posts(BusRealUIView::kUpdateOrderNo);
    auto waiting = row(4, 4);
    host().addSubview(waiting);
    host().addSubview(BusRealUIView::initBusRealDetailed({80, 79, 250, 50}, {}));
    tapAt(*waiting, {150, 100});
    EXPECT_TRUE(posts.posts.empty());
    EXPECT_FALSE(storedOrderNo());
}

TEST_F(LiveRouteViewTest, ClearHistoryButtonPostsOnlyEmptyButton) {
    Posts emptied(BusRealUIView::kEmptyButton), orders(BusRealUIView::kUpdateOrderNo);
    auto view = BusRealUIView::initEmpty({0, 0, 375, 44});
    EXPECT_EQ(partsOf(*view), (std::vector<std::string>{"Button 清空历史记录 0,0,375,44"}));
    auto button = std::dynamic_pointer_cast<ui::Button>(view->subviews()[0]);
    EXPECT_EQ(button->buttonType(), ui::ButtonType::System);
    EXPECT_EQ(button->titleColorForState(ui::ControlStateNormal), ui::Color::rgba(0, 0.4784, 1, 1));
    EXPECT_EQ(button->tintColor, ui::Color::black());
    EXPECT_EQ(button->titleFont, ui::Font::system(18));
    host().addSubview(view);
    tap(*view);
    EXPECT_EQ(emptied.posts, (std::vector<std::pair<const void*, bool>>{{view.get(), true}}));
    EXPECT_TRUE(orders.posts.empty());
    EXPECT_FALSE(storedOrderNo());
}

class FavouriteNoticeTest : public LiveRouteViewTest {
protected:
    // Taps the waiting row's favourite control and checks what every tap
    // does: the notice, the stored stop and the post.
    void tapFavourite(const std::shared_ptr<BusRealUIView>& view, const std::string& notice) {
        Posts posts(BusRealUIView::kUpdateOrderNo);
        tap(*view->subviews().back());
        ASSERT_TRUE(platform::AlertCenter::shared().frontAlert());
        EXPECT_EQ(platform::AlertCenter::shared().frontAlert()->title(), notice);
        EXPECT_EQ(storedOrderNo(), json("4"));
        EXPECT_EQ(posts.posts, (std::vector<std::pair<const void*, bool>>{{view.get(), true}}));
    }
    // The notice closes 1.0 s after it was shown, as its first button would.
    static void expectNoticeClosesAfterOneSecond() {
        auto& loop = platform::RunLoop::main();
        loop.advance(0.999);
        EXPECT_EQ(platform::AlertCenter::shared().visibleAlerts().size(), 1u);
        loop.advance(0.001);
        EXPECT_TRUE(platform::AlertCenter::shared().visibleAlerts().empty());
        const auto last = platform::AlertCenter::shared().history().back();
        EXPECT_EQ(last.kind, platform::AlertCenter::Event::Dismissed);
        EXPECT_EQ(last.buttonIndex, 0);
        EXPECT_TRUE(last.animated);
    }
};

TEST_F(FavouriteNoticeTest, SavingTheWaitingStopStoresEveryFieldOfTheLine) {
    auto view = row(4, 4);
    host().addSubview(view);
    tapFavourite(view, "收藏成功");
    const auto saved = BusCollection{}.query(16, 12, 1);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].stationName, "站4");
    EXPECT_EQ(saved[0].orderNo, 4);
    EXPECT_EQ(saved[0].lineName, "12路");
    EXPECT_EQ(saved[0].gprsId, 1201);
    EXPECT_EQ(saved[0].endLine, "站9");
    EXPECT_EQ(saved[0].cityId, 16);
    expectNoticeClosesAfterOneSecond();
}

TEST_F(FavouriteNoticeTest, RemovingTheWaitingStopDeletesItsRecord) {
    auto view = row(4, 4, savedFavourite(4));
    host().addSubview(view);
    tapFavourite(view, "取消收藏成功");
    EXPECT_TRUE(BusCollection{}.query(16, 12, 1).empty());
    expectNoticeClosesAfterOneSecond();
}

// The screen discards the row on the rebuild the tap asks for; the pending
// dismissal keeps the row alive until it has run, then lets it go.
TEST_F(FavouriteNoticeTest, ANoticeStillClosesWhenItsRowIsGoneFirst) {
    auto view = row(4, 4);
    std::weak_ptr<BusRealUIView> watch = view;
    host().addSubview(view);
    tapFavourite(view, "收藏成功");
    view->removeFromSuperview();
    view.reset();
    EXPECT_FALSE(watch.expired());
    expectNoticeClosesAfterOneSecond();
    EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace bus::test
