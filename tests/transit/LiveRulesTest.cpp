// The live screen's rules on their own: how old data reads and when it is
// stale, and what the arrival reminder says for the vehicles of a refresh.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "transit/LiveRules.h"

namespace bus::live {
namespace {

TEST(LiveRules, AgeTextsAndTheStalePoint) {
    const std::pair<double, const char*> ages[] = {{0, "刚刚更新"},     {4.9, "刚刚更新"},     {5, "5秒前更新"},
                                                   {59.9, "59秒前更新"}, {60, "1分钟前更新"}, {125.9, "2分钟前更新"}};
    for (const auto& [seconds, text] : ages) EXPECT_EQ(dataAgeText(seconds), text) << seconds;
    EXPECT_EQ(staleAfterSeconds(10), 20);
    EXPECT_EQ(staleAfterSeconds(30), 60);
    EXPECT_EQ(staleAfterSeconds(0), 60) << "by hand";
}

TEST(LiveRules, OfflineAgesReadInTheAgeLabelsUnitsThenHoursAndDays) {
    const std::pair<double, const char*> ages[] = {
        {-30, "离线 · 刚刚"},      {4.9, "离线 · 刚刚"},      {5, "离线 · 5秒前"},       {59.9, "离线 · 59秒前"},
        {60, "离线 · 1分钟前"},    {3599, "离线 · 59分钟前"}, {3600, "离线 · 1小时前"},  {86399, "离线 · 23小时前"},
        {86400, "离线 · 1天前"},   {9 * 86400.0 + 7, "离线 · 9天前"}};
    for (const auto& [seconds, text] : ages) EXPECT_EQ(offlineAgeText(seconds), text) << seconds;
}

// Waiting at stop 5; each vehicle as (stop, standing).
TEST(LiveRules, TheReminderSpeaksOfTheNearestVehicleAtOrBeforeTheStop) {
    using Vehicles = std::vector<std::pair<long long, long long>>;
    const struct {
        Vehicles vehicles;
        std::optional<std::string> said;
    } cases[] = {
        {{{1, 1}, {3, 0}}, "车辆即将到站：还有2站"},
        {{{4, 1}, {5, 1}}, "车辆即将到站：已到本站"},
        {{{5, 0}, {2, 1}}, "车辆即将到站：正在进站"},
        {{{5, 0}, {5, 1}}, "车辆即将到站：已到本站"},
        {{{6, 1}, {9, 0}}, std::nullopt},
        {{}, std::nullopt},
        {{{LLONG_MIN, 0}}, "车辆即将到站：还有9223372036854775807站"},
    };
    for (const auto& c : cases) {
        std::vector<BusReal> vehicles;
        for (const auto& [stop, standing] : c.vehicles)
            vehicles.push_back(BusReal::initData({{"stationNo", stop}, {"inStation", standing}}));
        const auto approach = nearestApproach(vehicles, 5);
        EXPECT_EQ(approach ? std::optional<std::string>(arrivalText(*approach)) : std::nullopt, c.said)
            << c.vehicles.size();
    }
}

}  // namespace
}  // namespace bus::live
