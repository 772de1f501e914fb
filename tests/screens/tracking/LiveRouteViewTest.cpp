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
using Post = std::pair<const void*, bool>;  // object, posted on the main thread

// One line per subview, bottom to top: class, image or text, frame.
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

std::shared_ptr<BusRealUIView> row(int n, int o, std::optional<BusCollection> favourite = std::nullopt,
                                   int flagId = 1) {
    BusLine line = BusLine::initData({{"lineName", "12路"}, {"gprsId", 1201}});
    line.uid = 12;
    line.direction = 1;
    line.endStation = "站9";
    const auto stop = BusStation::initData({{"orderNo", n}, {"stationName", stopName(n)}, {"flagId", flagId}});
    return BusRealUIView::initBusStation({0, 0, 375, n == o ? 130.0 : 60.0}, stop, o, std::move(favourite), line);
}

std::shared_ptr<BusRealUIView> marker(int s, int o, int busNum = 1) {
    BusReal vehicle = BusReal::initData({{"stationNo", s}, {"inStation", 0}});
    vehicle.busNum = busNum;
    return BusRealUIView::initBusReal({5, 0, 50, 40}, vehicle, o);
}

BusCollection favouriteAt(int orderNo) {
    BusCollection record;
    record.orderNo = orderNo;
    return record;
}

class Posts {
public:
    explicit Posts(const char* name)
        : observation_(platform::NotificationCenter::defaultCenter().addObserver(
              name, [this](const platform::Notification& n) { posts.emplace_back(n.object, platform::isMainThread()); })) {}
    std::vector<Post> posts;

private:
    platform::Observation observation_;
};

std::optional<json> storedOrderNo() { return platform::UserDefaults::standard().objectForKey("orderNo"); }

class LiveRouteViewTest : public TrackingFixture {};

TEST_F(LiveRouteViewTest, StopRowIsBuiltForItsPlaceAroundTheWaitingStop) {
    const struct {
        const char* name;
        int n, o, flagId;
        ui::Color nameColor, numberColor;
        std::vector<std::string> parts;
    } cases[] = {
        {"before", 2, 4, 1, ui::Color::black(), ui::Color::gray(),
         {"Label 站2 80,20,375,20", "ImageView 分割线.png 80,60,375,1", "ImageView 已过站.png 50,20,22,22",
          "ImageView 过站连接线.png 59,42,4,48", "Label 2 50,20,22,22", "Button  0,0,375,60"}},
        {"waiting", 4, 4, 1, ui::Color::rgba(85.0 / 255, 205.0 / 255, 1), {},
         {"Label 站4 80,20,375,20", "ImageView 分割线.png 80,135,375,1", "ImageView 等车站.png 50,20,22,22",
          "ImageView 连接线.png 59,42,4,110", "Button  0,0,375,130", "Label 最近三辆车： 80,50,375,20",
          "ImageView 最近三辆车底色.png 80,80,75,50", "ImageView 最近三辆车底色.png 156,80,75,50",
          "ImageView 最近三辆车底色.png 232,80,75,50", "ImageView 点击收藏.png 325,20,25,25"}},
        {"after", 12, 4, 1, ui::Color::black(), ui::Color::white(),
         {"Label 站12 80,20,375,20", "ImageView 分割线.png 80,60,375,1", "ImageView 未过站.png 50,20,22,22",
          "ImageView 连接线.png 59,42,4,48", "Label 12 50,20,22,22", "Button  0,0,375,60"}},
        {"last stop, waiting stop 0", 1, 0, 2, ui::Color::black(), ui::Color::white(),
         {"Label 站1 80,20,375,20", "ImageView 分割线.png 80,60,375,1", "ImageView 未过站.png 50,20,22,22",
          "Label 1 50,20,22,22", "Button  0,0,375,60"}},
        {"last stop, waiting", 3, 3, 2, ui::Color::rgba(85.0 / 255, 205.0 / 255, 1), {},
         {"Label 站3 80,20,375,20", "ImageView 分割线.png 80,135,375,1", "ImageView 等车站.png 50,20,22,22",
          "Button  0,0,375,130", "Label 最近三辆车： 80,50,375,20", "ImageView 最近三辆车底色.png 80,80,75,50",
          "ImageView 最近三辆车底色.png 156,80,75,50", "ImageView 最近三辆车底色.png 232,80,75,50",
          "ImageView 点击收藏.png 325,20,25,25"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto view = row(c.n, c.o, std::nullopt, c.flagId);
        EXPECT_EQ(partsOf(*view), c.parts);
        auto name = std::dynamic_pointer_cast<ui::Label>(view->subviews()[0]);
        EXPECT_EQ(name->textColor, c.nameColor);
        EXPECT_EQ(name->font, ui::Font::boldSystem(18));
        for (const auto& child : view->subviews()) {
            if (auto button = std::dynamic_pointer_cast<ui::Button>(child)) {
                EXPECT_EQ(button->buttonType(), ui::ButtonType::System);
                EXPECT_EQ(button->tag, c.n);
            } else if (auto number = std::dynamic_pointer_cast<ui::Label>(child); number && child->frame().x() == 50) {
                EXPECT_EQ(number->textColor, c.numberColor);
                EXPECT_EQ(number->font, ui::Font::boldSystem(15));
                EXPECT_EQ(number->textAlignment, ui::TextAlignment::Center);
            }
        }
    }
}

// Only the waiting stop's favourite control reacts; elsewhere a favourite is
// a plain mark.
TEST_F(LiveRouteViewTest, FavouriteControlByStopClassAndFavourite) {
    const struct {
        int n;
        bool isFavourite;
        const char* image;  // "" for no control
    } cases[] = {{4, true, "收藏成功.png"}, {4, false, "点击收藏.png"}, {2, true, "收藏成功.png"},
                 {6, true, "收藏成功.png"}, {2, false, ""},            {6, false, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.n) + (c.isFavourite ? " favourite" : ""));
        auto view = row(c.n, 4, c.isFavourite ? std::optional(favouriteAt(c.n)) : std::nullopt);
        const auto& last = view->subviews().back();
        EXPECT_EQ(last->imageName(), c.image);
        if (!*c.image) continue;
        const bool reacts = c.n == 4;
        EXPECT_EQ(last->frame(), (ui::Rect{325, 20, 25, 25}));
        EXPECT_EQ(last->gestureRecognizers().size(), reacts ? 1u : 0u);
        EXPECT_EQ(last->userInteractionEnabled, reacts);
        EXPECT_EQ(last->tag, reacts ? c.n : 0);
        EXPECT_EQ(last->restorationIdentifier, reacts ? "up" : "");
    }
}

// A tap on a row (its favourite mark included) or a vehicle stores a waiting
// stop and posts from the tapped view; the panel swallows its taps.
TEST_F(LiveRouteViewTest, TapsStoreTheWaitingStopAndPostOnTheMainThread) {
    const struct {
        const char* name;
        std::vector<std::shared_ptr<BusRealUIView>> views;  // the last is tapped
        ui::Point at;
        const char* stored;  // "" for no tap action
    } cases[] = {
        {"row", {row(2, 4)}, {20, 30}, "2"},
        {"favourite mark", {row(7, 4, favouriteAt(7))}, {337, 32}, "7"},
        {"waiting row again", {row(4, 4)}, {200, 100}, "4"},
        {"vehicle", {marker(6, 4)}, {25, 20}, "5"},
        {"vehicle at stop 1", {marker(1, 4)}, {25, 20}, "0"},
        {"panel over the waiting row", {row(4, 4), BusRealUIView::initBusRealDetailed({80, 79, 250, 50}, {})},
         {70, 20}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::UserDefaults::standard().removeObjectForKey("orderNo");
        Posts posts(BusRealUIView::kUpdateOrderNo);
        host().removeAllSubviews();
        for (const auto& v : c.views) host().addSubview(v);
        tapAt(*c.views.back(), c.at);
        if (!*c.stored) {
            EXPECT_TRUE(posts.posts.empty());
            EXPECT_FALSE(storedOrderNo());
            continue;
        }
        EXPECT_EQ(storedOrderNo(), json(c.stored));
        EXPECT_EQ(posts.posts, (std::vector<Post>{{c.views.back().get(), true}}));
    }
}

TEST_F(LiveRouteViewTest, VehicleMarkerShowsPlaceAndCount) {
    const struct {
        int s, busNum;
        const char* image;
        const char* count;  // "" for none
    } cases[] = {{7, 3, "过站巴士.png", ""}, {5, 1, "过站巴士.png", ""}, {4, 1, "bus.png", ""},
                 {3, 2, "两辆巴士.png", "2"}, {1, 11, "两辆巴士.png", "11"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.s) + "/" + std::to_string(c.busNum));
        auto view = marker(c.s, 4, c.busNum);
        EXPECT_EQ(view->tag, BusRealUIView::kLiveItemTag);
        std::vector<std::string> parts{std::string("ImageView ") + c.image + " 0,5,50,50"};
        if (*c.count) parts.push_back(std::string("Label ") + c.count + " 28,15,13,13");
        parts.push_back("Button  0,0,50,40");
        EXPECT_EQ(partsOf(*view), parts);
        if (!*c.count) continue;
        auto label = std::dynamic_pointer_cast<ui::Label>(view->subviews()[1]);
        EXPECT_EQ(label->textColor, ui::Color::white());
        EXPECT_EQ(label->font, ui::Font::boldSystem(12));
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
    EXPECT_EQ(emptied.posts, (std::vector<Post>{{view.get(), true}}));
    EXPECT_TRUE(orders.posts.empty());
    EXPECT_FALSE(storedOrderNo());
}

class FavouriteNoticeTest : public LiveRouteViewTest {
protected:
    // Taps the waiting row's favourite control: a notice, the same waiting
    // stop stored and posted. The notice closes 1.0 s later, as its first
    // button would.
    void tapFavourite(const std::shared_ptr<BusRealUIView>& view, const std::string& notice) {
        Posts posts(BusRealUIView::kUpdateOrderNo);
        host().addSubview(view);
        tap(*view->subviews().back());
        ASSERT_TRUE(platform::AlertCenter::shared().frontAlert());
        EXPECT_EQ(platform::AlertCenter::shared().frontAlert()->title(), notice);
        EXPECT_EQ(storedOrderNo(), json("4"));
        EXPECT_EQ(posts.posts, (std::vector<Post>{{view.get(), true}}));
    }
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

TEST_F(FavouriteNoticeTest, SavingTheWaitingStopStoresItWithTheLine) {
    tapFavourite(row(4, 4), "收藏成功");
    const auto saved = BusCollection{}.query(16, 12, 1);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ((std::vector<json>{saved[0].stationName, saved[0].orderNo, saved[0].lineName, saved[0].gprsId,
                                 saved[0].endLine, saved[0].cityId}),
              (std::vector<json>{"站4", 4, "12路", 1201, "站9", 16}));
    expectNoticeClosesAfterOneSecond();
}

TEST_F(FavouriteNoticeTest, RemovingTheWaitingStopDeletesItsRecord) {
    BusCollection record = favouriteAt(4);
    record.lineId = 12;
    record.direction = 1;
    record.cityId = 16;
    record.save(record);
    tapFavourite(row(4, 4, record.query(16, 12, 1).at(0)), "取消收藏成功");
    EXPECT_TRUE(BusCollection{}.query(16, 12, 1).empty());
    expectNoticeClosesAfterOneSecond();
}

// The screen discards the row on the rebuild the tap asks for; the pending
// dismissal keeps the row alive until it has run, then lets it go.
TEST_F(FavouriteNoticeTest, ANoticeStillClosesWhenItsRowIsGoneFirst) {
    auto view = row(4, 4);
    std::weak_ptr<BusRealUIView> watch = view;
    tapFavourite(view, "收藏成功");
    view->removeFromSuperview();
    view.reset();
    EXPECT_FALSE(watch.expired());
    expectNoticeClosesAfterOneSecond();
    EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace bus::test
