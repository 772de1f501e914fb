// The live screen's rules on their own: how old data reads and when it is
// stale, and what the arrival reminder says for the vehicles of a refresh.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/TextMetrics.h"
#include "support/Language.h"
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

// The texts in each language, a row a text: Chinese as the screens have
// always shown them, English from the catalog, with one and many.
TEST(LiveRules, TheTextsReadInTheRidersLanguage) {
    const auto at = [](long long stops, bool standing) { return Approach{stops, standing}; };
    const struct {
        std::string (*make)(double);
        double seconds;
        const char *chinese, *english;
    } ages[] = {
        {dataAgeText, 3, "刚刚更新", "Just updated"},
        {dataAgeText, 5, "5秒前更新", "Updated 5 s ago"},
        {dataAgeText, 60, "1分钟前更新", "Updated 1 min ago"},
        {dataAgeText, 150, "2分钟前更新", "Updated 2 min ago"},
        {offlineAgeText, 1, "离线 · 刚刚", "Offline · just now"},
        {offlineAgeText, 42, "离线 · 42秒前", "Offline · 42s ago"},
        {offlineAgeText, 60, "离线 · 1分钟前", "Offline · 1m ago"},
        {offlineAgeText, 3599, "离线 · 59分钟前", "Offline · 59m ago"},
        {offlineAgeText, 7200, "离线 · 2小时前", "Offline · 2h ago"},
        {offlineAgeText, 86400, "离线 · 1天前", "Offline · 1d ago"},
        {offlineAgeText, 30 * 86400.0, "离线 · 30天前", "Offline · 30d ago"},
    };
    const struct {
        Approach approach;
        const char *chinese, *english;
    } distances[] = {
        {at(0, true), "已到本站", "at your stop"},
        {at(0, false), "正在进站", "pulling in"},
        {at(1, false), "还有1站", "1 stop away"},
        {at(2, false), "还有2站", "2 stops away"},
    };
    for (const bool english : {false, true}) {
        std::optional<test::InEnglish> language;
        if (english) language.emplace();
        for (const auto& c : ages) {
            const std::string text = c.make(c.seconds);
            EXPECT_EQ(text, english ? c.english : c.chinese) << c.seconds;
            // The age label is 125 points wide, in a 12-point font.
            EXPECT_LE(ui::estimatedTextWidth(text, 12), 125) << text;
        }
        EXPECT_LE(ui::estimatedTextWidth(platform::tr(kStaleText), 12), 125);
        for (const auto& c : distances) EXPECT_EQ(distanceText(c.approach), english ? c.english : c.chinese);
        EXPECT_EQ(arrivalText(at(3, false)), english ? "Bus arriving: 3 stops away" : "车辆即将到站：还有3站");
    }
}

// The heading's hours and fare: a bare number is yuan, a fare with its
// currency shows as served, none shows nothing; a last trip after midnight
// (hours from 24, or before the first) is the next day's; hours of any
// other shape show as served.
TEST(LiveRules, HoursAndFareSayTheNextDayAndTheYuanOnlyWhereTheyApply) {
    const struct {
        const char *opTime, *price, *chinese, *english;
    } cases[] = {
        {"06:00-22:00", "1", "首末班:06:00-22:00 ￥1", "Hours 06:00-22:00 ¥1"},
        {"06:00-22:00", "1.5", "首末班:06:00-22:00 ￥1.5", "Hours 06:00-22:00 ¥1.5"},
        {"06:00-22:00", "2.90 USD", "首末班:06:00-22:00 2.90 USD", "Hours 06:00-22:00 2.90 USD"},
        {"06:00-22:00", "$2.90", "首末班:06:00-22:00 $2.90", "Hours 06:00-22:00 $2.90"},
        {"06:00-22:00", "1.", "首末班:06:00-22:00 1.", "Hours 06:00-22:00 1."},
        {"06:00-22:00", "", "首末班:06:00-22:00", "Hours 06:00-22:00"},
        {"06:00-22:00", "  ", "首末班:06:00-22:00", "Hours 06:00-22:00"},
        {"06:00-06:00", "2", "首末班:06:00-06:00 ￥2", "Hours 06:00-06:00 ¥2"},
        {"05:20-25:45", "2", "首末班:05:20-次日01:45 ￥2", "Hours 05:20-01:45+1 ¥2"},
        {"05:20-01:45", "2.90 USD", "首末班:05:20-次日01:45 2.90 USD", "Hours 05:20-01:45+1 2.90 USD"},
        {"6:00-24:00", "", "首末班:6:00-次日00:00", "Hours 6:00-00:00+1"},
        {"23:59-47:59", "12.50", "首末班:23:59-次日23:59 ￥12.50", "Hours 23:59-23:59+1 ¥12.50"},
        {"05:20-48:00", "2", "首末班:05:20-48:00 ￥2", "Hours 05:20-48:00 ¥2"},
        {"24:00-25:00", "2", "首末班:24:00-25:00 ￥2", "Hours 24:00-25:00 ¥2"},
        {"05:20-01:60", "2", "首末班:05:20-01:60 ￥2", "Hours 05:20-01:60 ¥2"},
        {"全天", "2", "首末班:全天 ￥2", "Hours 全天 ¥2"},
        {"05:20", "", "首末班:05:20", "Hours 05:20"},
        {"", "1", "首末班: ￥1", "Hours  ¥1"},
    };
    for (const bool english : {false, true}) {
        std::optional<test::InEnglish> language;
        if (english) language.emplace();
        for (const auto& c : cases) {
            const std::string text = hoursAndFareText(c.opTime, c.price);
            EXPECT_EQ(text, english ? c.english : c.chinese) << c.opTime << " " << c.price;
            // The heading's label is 230 points wide, in a 13-point font.
            EXPECT_LE(ui::estimatedTextWidth(text, 13), 230) << text;
        }
    }
}

}  // namespace
}  // namespace bus::live
