// The live route views: what a stop row, a vehicle marker and the panel are
// made of, what their taps store and post, and the favourite notices.
#include <gtest/gtest.h>

#include "model/BusCollection.h"
#include "platform/AlertView.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "screens/tracking/BusRealUIView.h"
#include "screens/tracking/TrackingFixture.h"

namespace bus::test {
namespace {

using nlohmann::json;

std::optional<BusCollection> favourite(int orderNo) {
    BusCollection record;
    record.orderNo = orderNo;
    return record;
}

std::shared_ptr<BusRealUIView> row(int n, int o, std::optional<BusCollection> record = std::nullopt, int flagId = 1) {
    BusLine line = BusLine::initData({{"lineName", "12路"}, {"gprsId", 1201}});
    line.uid = 12;
    line.direction = 1;
    line.endStation = "站9";
    const auto stop = BusStation::initData({{"orderNo", n}, {"stationName", stopNames(n).back()}, {"flagId", flagId}});
    return BusRealUIView::initBusStation({0, 0, 375, n == o ? 130.0 : 60.0}, stop, o, std::move(record), line);
}

std::shared_ptr<BusRealUIView> marker(int s, int busNum = 1) {
    BusReal vehicle = BusReal::initData({{"stationNo", s}, {"inStation", 0}});
    vehicle.busNum = busNum;
    return BusRealUIView::initBusReal({5, 0, 50, 40}, vehicle, 4);
}

class LiveRouteViewTest : public TrackingFixture {
protected:
    int posts = 0;  // of "updateOrderNo"
    platform::Observation observation = platform::NotificationCenter::defaultCenter().addObserver(
        BusRealUIView::kUpdateOrderNo, [this](const platform::Notification&) { ++posts; });
};

TEST_F(LiveRouteViewTest, StopRowFollowsItsPlaceAroundTheWaitingStop) {
    const std::string boxes = "最近三辆车： 最近三辆车底色.png 最近三辆车底色.png 最近三辆车底色.png";
    const struct {
        int n, o, flagId;
        bool isFavourite;
        std::string parts;
        double dividerY, connectorHeight;
    } cases[] = {
        {2, 4, 1, true, "站2 分割线.png 已过站.png 过站连接线.png 2#808080 收藏成功.png", 60, 48},
        {4, 4, 1, false, "站4#55cdff 分割线.png 等车站.png 连接线.png " + boxes + " 点击收藏.png+tap", 135, 110},
        {4, 4, 1, true, "站4#55cdff 分割线.png 等车站.png 连接线.png " + boxes + " 收藏成功.png+tap", 135, 110},
        {12, 4, 1, false, "站12 分割线.png 未过站.png 连接线.png 12#ffffff", 60, 48},
        {1, 0, 2, false, "站1 分割线.png 未过站.png 1#ffffff", 60, 0},  // the last stop has no connector
        {3, 3, 2, false, "站3#55cdff 分割线.png 等车站.png " + boxes + " 点击收藏.png+tap", 135, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.parts);
        auto view = row(c.n, c.o, c.isFavourite ? favourite(c.n) : std::nullopt, c.flagId);
        EXPECT_EQ(partsOf(*view), c.parts);
        double dividerY = -1, connectorHeight = 0;
        for (const auto& part : view->subviews()) {
            if (part->imageName() == "分割线.png") dividerY = part->frame().y();
            if (part->imageName().find("连接线") != std::string::npos) connectorHeight = part->frame().height();
        }
        EXPECT_EQ(dividerY, c.dividerY);
        EXPECT_EQ(connectorHeight, c.connectorHeight);
    }
}

TEST_F(LiveRouteViewTest, MarkersAndThePanelShowWhatTheScreenCounted) {
    const std::pair<std::shared_ptr<BusRealUIView>, std::string> cases[] = {
        {marker(7, 3), "过站巴士.png"},
        {marker(5), "过站巴士.png"},
        {marker(4), "bus.png"},
        {marker(3, 2), "两辆巴士.png 2#ffffff"},
        {marker(1, 11), "两辆巴士.png 11#ffffff"},
        {BusRealUIView::initBusRealDetailed({}, {}), "暂无信息#ffffff 暂无信息#ffffff 暂无信息#ffffff"},
        {BusRealUIView::initBusRealDetailed({}, {"已到站"}), "已到站#ffffff 暂无信息#ffffff 暂无信息#ffffff"},
        {BusRealUIView::initBusRealDetailed({}, {"a", "b", "c", "d"}), "a#ffffff b#ffffff c#ffffff"},
    };
    for (const auto& [view, parts] : cases) EXPECT_EQ(partsOf(*view), parts);
}

// A tap on a row (its favourite mark included) or on a vehicle stores a
// waiting stop; the panel over the waiting row swallows its taps.
TEST_F(LiveRouteViewTest, TapsStoreTheWaitingStopAndPostUpdateOrderNo) {
    const struct {
        std::vector<std::shared_ptr<BusRealUIView>> views;  // the last is tapped
        ui::Point at;
        std::optional<json> stored;
    } cases[] = {
        {{row(2, 4)}, {20, 30}, "2"},
        {{row(7, 4, favourite(7))}, {337, 32}, "7"},
        {{marker(6)}, {25, 20}, "5"},
        {{marker(1)}, {25, 20}, "0"},
        {{row(4, 4), BusRealUIView::initBusRealDetailed({80, 79, 250, 50}, {})}, {70, 20}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.value_or("nothing").dump());
        platform::UserDefaults::standard().removeObjectForKey("orderNo");
        posts = 0;
        host().removeAllSubviews();
        for (const auto& v : c.views) host().addSubview(v);
        tapAt(*c.views.back(), c.at);
        EXPECT_EQ(storedOrderNo(), c.stored);
        EXPECT_EQ(posts, c.stored ? 1 : 0);
    }
}

// The notice closes one second later as its first button would, also when
// the screen has dropped the row first on the rebuild the tap asked for.
TEST_F(LiveRouteViewTest, TheWaitingStopsFavouriteControlSavesOrRemovesWithANotice) {
    const struct {
        bool wasFavourite, rowGoneFirst;
        const char* notice;
        std::vector<json> saved;  // stationName, orderNo, lineName, gprsId, endLine
    } cases[] = {{false, false, "收藏成功", {"站4", 4, "12路", 1201, "站9"}},
                 {true, false, "取消收藏成功", {}},
                 {false, true, "收藏成功", {"站4", 4, "12路", 1201, "站9"}}};
    auto& alerts = platform::AlertCenter::shared();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.notice + std::string(c.rowGoneFirst ? ", row gone" : ""));
        if (c.wasFavourite) saveFavourite(12, 1, 4);
        auto view = row(4, 4, c.wasFavourite ? std::optional(BusCollection{}.query(16, 12, 1).at(0)) : std::nullopt);
        std::weak_ptr<BusRealUIView> watch = view;
        host().addSubview(view);
        posts = 0;
        tap(*view->subviews().back());
        EXPECT_EQ(frontAlertText(), c.notice);
        EXPECT_EQ(storedOrderNo(), json("4"));
        EXPECT_EQ(posts, 1);
        std::vector<json> saved;
        for (const auto& r : BusCollection{}.query(16, 12, 1)) {
            saved = {r.stationName, r.orderNo, r.lineName, r.gprsId, r.endLine};
            BusCollection{}.remove(r);
        }
        EXPECT_EQ(saved, c.saved);
        view->removeFromSuperview();
        if (c.rowGoneFirst) view.reset();
        platform::RunLoop::main().advance(0.999);
        EXPECT_EQ(alerts.visibleAlerts().size(), 1u);
        platform::RunLoop::main().advance(0.001);
        EXPECT_TRUE(alerts.visibleAlerts().empty());
        EXPECT_EQ(alerts.history().back().kind, platform::AlertCenter::Event::Dismissed);
        EXPECT_EQ(alerts.history().back().buttonIndex, 0);
        EXPECT_EQ(watch.expired(), c.rowGoneFirst) << "the closed notice lets the row go";
    }
}

}  // namespace
}  // namespace bus::test
