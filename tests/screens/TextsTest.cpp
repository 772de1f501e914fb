// The texts the screens build around the service's names, as written (the
// Chinese of the code, byte for byte) and in English: directions, a plan's
// legs and notes, menu rows and what the screen reader hears.
#include <gtest/gtest.h>

#include <functional>

#include "model/BusCollection.h"
#include "model/BusQuery.h"
#include "model/BusStation.h"
#include "platform/ui/Accessibility.h"
#include "platform/ui/Label.h"
#include "screens/ScreenFixture.h"
#include "screens/common/Accessibility.h"
#include "screens/common/BusDirection.h"
#include "screens/personal/BusMoreViewController.h"
#include "screens/personal/BusRefreshTimeViewController.h"
#include "screens/personal/BusTransferResultViewController.h"
#include "support/Language.h"

namespace bus::test {
namespace {

using nlohmann::json;
using Result = BusTransferResultViewController;

class ScreenTextsTest : public ScreenFixture {
protected:
    // A cell named by one of the screens' namers, as the screen reader hears it.
    static std::string named(const std::function<void(ui::TableViewCell&)>& name) {
        ui::TableViewCell cell(ui::TableViewCellStyle::Default, "cell");
        name(cell);
        return ui::accessibility::name(cell);
    }
    static std::string favourite(const std::string& live) {
        BusCollection f;
        f.lineName = "12路", f.stationName = "火车站", f.endLine = "东门";
        return named([&](ui::TableViewCell& cell) { a11y::nameFavourite(cell, f, live); });
    }
    static std::string hit(int attribute, int direction) {
        const auto query = BusQuery::initData(
            {{"attribute", attribute}, {"direction", direction}, {"lineName", "12路"}, {"stationName", "火车站"}});
        return named([&](ui::TableViewCell& cell) { a11y::nameSearchHit(cell, query); });
    }
    static std::string stop(bool favourite) {
        const auto station = BusStation::initData({{"orderNo", 3}, {"stationName", "博物馆"}});
        return named([&](ui::TableViewCell& cell) { a11y::nameStopCell(cell, station, favourite, false); });
    }
    static std::string ride(const json& stops) {
        return Result::legRideText({{"startStation", "站2"}, {"endStation", "站4"}, {"stationCount", stops}});
    }
    // A menu's rows on screen, one after the other.
    template <class Screen>
    std::string rows() {
        storyboard.screen<Screen>("menu", tableLayout<Screen>());
        auto screen = std::dynamic_pointer_cast<Screen>(show("menu"));
        std::string joined;
        for (const auto& row : rowTexts(*screen->queryUITableView.lock()))
            joined += (joined.empty() ? "" : " | ") + row;
        return joined;
    }

    struct Case {
        const char* what;
        std::function<std::string()> text;
        std::string written, english;
    };
    const std::vector<Case> cases{
        {"direction", [] { return directionTitle("东门"); }, "开往 东门方向", "Towards 东门"},
        {"leg line", [] { return Result::legLineText({{"lineName", "12路"}, {"terminus", "站5"}}); },
         "12路 开往 站5方向", "12路 towards 站5"},
        {"leg of one stop", [] { return ride(1); }, "站2上车 → 站4下车，共1站", "Board at 站2 → get off at 站4, 1 stop"},
        {"leg of two stops", [] { return ride(2); }, "站2上车 → 站4下车，共2站",
         "Board at 站2 → get off at 站4, 2 stops"},
        {"leg counted in text", [] { return ride("11"); }, "站2上车 → 站4下车，共11站",
         "Board at 站2 → get off at 站4, 11 stops"},
        {"one line unread", [] { return Result::unreadLinesNote(1); }, "1条线路未能读取，方案可能不全",
         "1 line could not be read; the plans may be incomplete"},
        {"lines unread", [] { return Result::unreadLinesNote(3); }, "3条线路未能读取，方案可能不全",
         "3 lines could not be read; the plans may be incomplete"},
        {"stop number", [] { return a11y::stopNumber(5); }, "第5站", "Stop 5"},
        {"star of a stop", [] { return a11y::starName(false); }, "收藏此站", "Add to favourites"},
        {"star of a favourite", [] { return a11y::starName(true); }, "已收藏", "In favourites"},
        {"stop row", [] { return stop(false); }, "第3站 博物馆", "Stop 3 博物馆"},
        {"favourite stop row", [] { return stop(true); }, "第3站 博物馆，已收藏", "Stop 3 博物馆, in favourites"},
        {"city button",
         [] {
             ui::Button button;
             a11y::nameCityButton(button, "大同");
             return button.accessibilityLabel();
         },
         "切换城市，当前：大同", "Change city, current: 大同"},
        {"line hit", [] { return hit(0, 0); }, "12路，火车站", "12路, 火车站"},
        {"stop hit going out", [] { return hit(1, 0); }, "火车站，12路，上行", "火车站, 12路, outbound"},
        {"stop hit coming back", [] { return hit(1, 1); }, "火车站，12路，下行", "火车站, 12路, inbound"},
        {"favourite", [] { return favourite("2站"); }, "12路 火车站，东门方向，2站", "12路 火车站, towards 东门, 2站"},
        {"favourite without live text", [] { return favourite(""); }, "12路 火车站，东门方向，无实时信息",
         "12路 火车站, towards 东门, no live information"},
        {"labels of a row",
         [] {
             return named([](ui::TableViewCell& cell) {
                 cell.contentView()->addSubview(ui::makeLabel({0, 0, 100, 20}, "12路"));
                 cell.contentView()->addSubview(ui::makeLabel({0, 20, 100, 20}, "火车站"));
             });
         },
         "12路，火车站", "12路, 火车站"},
        {"More menu", [this] { return rows<BusMoreViewController>(); }, "关于我们 | 用户协议 | 设置刷新时间",
         "About us | User agreement | Refresh interval"},
        {"refresh intervals", [this] { return rows<BusRefreshTimeViewController>(); },
         "10秒 | 20秒 | 30秒 | 手动刷新", "10 seconds | 20 seconds | 30 seconds | Manual refresh"},
    };
};

TEST_F(ScreenTextsTest, AreWrittenInChineseAndReadInEnglishWithTheCatalog) {
    for (const auto& c : cases) EXPECT_EQ(c.text(), c.written) << c.what;
    InEnglish english;
    for (const auto& c : cases) EXPECT_EQ(c.text(), c.english) << c.what;
}

}  // namespace
}  // namespace bus::test
