// The live route views on their own: what a stop row, a vehicle marker and
// the panel are made of. Their taps are driven through the live bus screen.
#include <gtest/gtest.h>

#include "platform/ui/Accessibility.h"
#include "screens/tracking/BusRealUIView.h"
#include "support/Language.h"
#include "screens/tracking/TrackingFixture.h"

namespace bus::test {
namespace {

std::shared_ptr<BusRealUIView> row(int n, int o, bool isFavourite, int flagId) {
    std::optional<BusCollection> favourite;
    if (isFavourite) favourite.emplace().orderNo = n;
    const auto stop = BusStation::initData({{"orderNo", n}, {"stationName", stopNames(n).back()}, {"flagId", flagId}});
    return BusRealUIView::initBusStation({0, 0, 375, n == o ? 130.0 : 60.0}, stop, o, favourite, BusLine{});
}

std::shared_ptr<BusRealUIView> marker(int s, int busNum) {
    BusReal vehicle = BusReal::initData({{"stationNo", s}, {"inStation", 0}});
    vehicle.busNum = busNum;
    return BusRealUIView::initBusReal({5, 0, 50, 40}, vehicle, 4);
}

// A stop row by its place around the waiting stop; markers for waiting stop 4.
TEST(LiveRouteViewTest, EachViewIsMadeOfTheParts) {
    const std::string boxes = "最近三辆车： 最近三辆车底色.png 最近三辆车底色.png 最近三辆车底色.png";
    const struct {
        std::shared_ptr<BusRealUIView> view;
        std::string parts;
        double dividerY = -1, connectorHeight = 0;
    } cases[] = {
        {row(2, 4, true, 1), "站2 分割线.png 已过站.png 过站连接线.png 2#808080 收藏成功.png", 60, 48},
        {row(4, 4, false, 1), "站4#55cdff 分割线.png 等车站.png 连接线.png " + boxes + " 点击收藏.png+tap", 135, 110},
        {row(4, 4, true, 1), "站4#55cdff 分割线.png 等车站.png 连接线.png " + boxes + " 收藏成功.png+tap", 135, 110},
        {row(12, 4, false, 1), "站12 分割线.png 未过站.png 连接线.png 12#ffffff", 60, 48},
        {row(1, 0, false, 2), "站1 分割线.png 未过站.png 1#ffffff", 60},  // the last stop has no connector
        {row(3, 3, false, 2), "站3#55cdff 分割线.png 等车站.png " + boxes + " 点击收藏.png+tap", 135},
        {marker(7, 3), "过站巴士.png"},
        {marker(5, 1), "过站巴士.png"},
        {marker(4, 1), "bus.png"},
        {marker(3, 2), "两辆巴士.png 2#ffffff"},
        {marker(1, 11), "两辆巴士.png 11#ffffff"},
        {BusRealUIView::initBusRealDetailed({}, {}), "暂无信息#ffffff 暂无信息#ffffff 暂无信息#ffffff"},
        {BusRealUIView::initBusRealDetailed({}, {"已到站"}), "已到站#ffffff 暂无信息#ffffff 暂无信息#ffffff"},
        {BusRealUIView::initBusRealDetailed({}, {"a", "b", "c", "d"}), "a#ffffff b#ffffff c#ffffff"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.parts);
        EXPECT_EQ(partsOf(*c.view), c.parts);
        double dividerY = -1, connectorHeight = 0;
        for (const auto& part : c.view->subviews()) {
            if (part->imageName() == "分割线.png") dividerY = part->frame().y();
            if (part->imageName().find("连接线") != std::string::npos) connectorHeight = part->frame().height();
        }
        EXPECT_EQ(dividerY, c.dividerY);
        EXPECT_EQ(connectorHeight, c.connectorHeight);
    }
}

// What a screen reader finds in a row, star aside (its name is the common
// screens'): the button that names the stop, and in the waiting row the
// heading over the nearest vehicles, in either language.
TEST(LiveRouteViewTest, TheWaitingRowKeepsItsHeadingForTheScreenReaderInEitherLanguage) {
    const struct {
        bool english;
        int stop;
        Texts nodes;
    } cases[] = {
        {false, 4, {"第4站 站4，等车站", "最近三辆车："}},
        {false, 2, {"第2站 站2，已过站"}},
        {true, 4, {"Stop 4: 站4, your stop", "Next buses:"}},
        {true, 2, {"Stop 2: 站2, before your stop"}},
        {true, 5, {"Stop 5: 站5, after your stop"}},
    };
    for (const auto& c : cases) {
        std::optional<InEnglish> language;
        if (c.english) language.emplace();
        const auto view = row(c.stop, 4, false, 1);
        Texts nodes;
        for (ui::View* node : ui::accessibility::children(*view))
            if (node->accessibilityIdentifier() != "star") nodes.push_back(ui::accessibility::name(*node));
        EXPECT_EQ(nodes, c.nodes) << c.english << " " << c.stop;
    }
}

}  // namespace
}  // namespace bus::test
