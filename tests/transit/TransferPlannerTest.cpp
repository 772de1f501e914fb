// Journey planning on a small network made by hand, with the plans, the
// requests made and what cut the search short or could not be read. Time is
// the test's own: each request takes as long as the case says.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "model/Value.h"
#include "support/Language.h"
#include "transit/BusTransferPlanner.h"

namespace bus::test {
namespace {

using Texts = std::vector<std::string>;
// Line id and stops in direction 0, in the order the service lists them;
// direction 1 runs back.
using Network = std::vector<std::pair<int, Texts>>;

// 4路 and 5路 make the shorter change of 甲→寅; 6路 is a shortcut that beats
// 4路's long direct ride to 亥; 7路 with 2路 makes a change as long as 2路
// alone; 8路 meets 1路 on both sides of 丙. "甲西" contains "甲" and must not
// count as it. From 庚 to 终, 12路 (listed first) and 9路 go direct in 3
// stops, 13路 in 6, and 10路 with 11路 in 2 with a change.
const Network kNetwork = {{1, {"甲", "乙", "丙", "丁", "戊"}}, {2, {"子", "丙", "丑", "寅"}}, {3, {"卯", "丑", "辰"}},
                          {4, {"甲", "巳", "午", "未", "申", "酉", "戌", "亥"}}, {5, {"巳", "寅"}}, {6, {"甲西", "乙", "亥"}},
                          {7, {"丑", "寅"}}, {8, {"乙", "癸", "丁"}}, {12, {"庚", "辛", "壬", "终"}},
                          {9, {"庚", "辛", "壬", "终"}}, {10, {"庚", "辛"}}, {11, {"辛", "终"}},
                          {13, {"庚", "庚1", "庚2", "庚3", "庚4", "庚5", "终"}}};

// How the service behaves besides its network.
struct Conditions { double secondsPerRequest = 0; int unreadableLine = 0; bool down = false; };

Texts stopsOf(const Texts& stops, long long back) { return back ? Texts(stops.rbegin(), stops.rend()) : stops; }

// Answers like a city service: a line hit that names the keyword, then a
// stop hit for each stop whose name contains it, line by line. A request
// takes its time on the source's clock, or gives up when the planner's
// bound comes first.
BusTransferPlanner::Source sourceOf(const Network& network, const Conditions& when = {}) {
    auto clock = std::make_shared<double>(0);
    const auto answers = [clock, when](BusTransferPlanner::Within within) {
        const double bound = static_cast<double>(within.count()) / 1000;
        *clock += std::min(when.secondsPerRequest, bound);
        return when.secondsPerRequest <= bound && !when.down;
    };
    BusTransferPlanner::Source source;
    source.queryKeyword = [network, answers](const std::string& word, auto within)
        -> std::optional<std::vector<BusQuery>> {
        if (!answers(within)) return std::nullopt;
        std::vector<BusQuery> hits{BusQuery::initData({{"stationName", word}, {"attribute", 0}, {"lineId", 99}})};
        for (const auto& [id, stops] : network)
            for (long long d : {0, 1})
                for (const auto& stop : stopsOf(stops, d))
                    if (stop.find(word) != std::string::npos)
                        hits.push_back(BusQuery::initData({{"stationName", stop}, {"attribute", 1}, {"lineId", id},
                                                           {"lineName", std::to_string(id) + "路"}, {"direction", d}}));
        return hits;
    };
    source.queryLine = [network, answers, when](std::int64_t direction, std::int64_t lineId, auto within)
        -> std::optional<ops::LineReading> {
        if (!answers(within) || lineId == when.unreadableLine) return std::nullopt;
        const auto line = std::find_if(network.begin(), network.end(), [&](const auto& l) { return l.first == lineId; });
        ops::LineReading reading;
        reading.line = BusLine::initData({{"lineName", std::to_string(lineId) + "路"}});
        for (const auto& stop : stopsOf(line->second, direction))
            reading.stations.push_back(BusStation::initData({{"stationName", stop}}));
        reading.endStation = reading.stations.back().stationName;
        return reading;
    };
    source.now = [clock] { return *clock; };
    return source;
}

// "4路/0>亥 甲→巳 1, 5路/0>寅 巳→寅 1 | 巳同站换乘 | 乘车2站": line, direction
// and its last stop, then where to board and leave and the stops between.
std::string describe(const BusTransfer& plan) {
    std::string legs;
    for (const auto& l : plan.vehicleInfos)
        legs += (legs.empty() ? "" : ", ") + textValue(l["lineName"]) + "/" + decimalText(l["direction"]) + ">" +
                textValue(l["terminus"]) + " " + textValue(l["startStation"]) + "→" + textValue(l["endStation"]) +
                " " + decimalText(l["stationCount"]);
    return legs + " | " + textValue(plan.bxjl) + " | " + textValue(plan.sxsj);
}

// "12", "7 cut by bound", "5 cut by deadline", "12, 2 unread", "1, search failed"
std::string outcome(const BusTransferPlanner::Result& result) {
    using Cut = BusTransferPlanner::Cut;
    std::string text = std::to_string(result.requests);
    if (result.cut != Cut::None) text += result.cut == Cut::Deadline ? " cut by deadline" : " cut by bound";
    if (result.unreadLines > 0) text += ", " + std::to_string(result.unreadLines) + " unread";
    if (result.searchFailed) text += ", search failed";
    return text;
}

struct Case { const char* name; std::string start, end; int maxRequests; Conditions when; Texts plans; std::string outcome; };
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const std::string kShortChange = "4路/0>亥 甲→巳 1, 5路/0>寅 巳→寅 1 | 巳同站换乘 | 乘车2站";
const std::string kLongChange = "1路/0>戊 甲→丙 2, 2路/0>寅 丙→寅 2 | 丙同站换乘 | 乘车4站";
// Lines are fetched in turns from either end: 1/0, 2/0, 1/1, 2/1, 4/0, 5/0, ...
const Case kCases[] = {
    {"Direct", "甲", "丁", 40, {}, {"1路/0>戊 甲→丁 3 | 无需换乘 | 乘车3站"}, "8"},
    {"DirectInTravelOrderOnly", "丁", "甲", 40, {}, {"1路/1>甲 丁→甲 3 | 无需换乘 | 乘车3站"}, "8"},
    {"OneChangeFewestStopsFirst", "甲", "寅", 40, {}, {kShortChange, kLongChange}, "12"},
    {"ShorterChangeBeforeLongDirect", "甲", "亥", 40, {},
     {"1路/0>戊 甲→乙 1, 6路/0>亥 乙→亥 1 | 乙同站换乘 | 乘车2站", "4路/0>亥 甲→亥 7 | 无需换乘 | 乘车7站"}, "8"},
    // A change costs four stops: it goes under direct rides up to four
    // stops longer; equal ones go by fewer changes, then by line name.
    {"ChangeCostsFourStops", "庚", "终", 40, {},
     {"9路/0>终 庚→终 3 | 无需换乘 | 乘车3站", "12路/0>终 庚→终 3 | 无需换乘 | 乘车3站",
      "13路/0>终 庚→终 6 | 无需换乘 | 乘车6站", "10路/0>辛 庚→辛 1, 11路/0>终 辛→终 1 | 辛同站换乘 | 乘车2站"},
     "12"},
    {"OnePlanPerSequenceOfLines", "丙", "癸", 40, {}, {"1路/0>戊 丙→丁 1, 8路/1>乙 丁→癸 1 | 丁同站换乘 | 乘车2站"}, "8"},
    {"ChangeNoShorterThanDirectDropped", "子", "寅", 40, {}, {"2路/0>寅 子→寅 3 | 无需换乘 | 乘车3站"}, "8"},
    {"TwoChangesIsNoPlan", "甲", "辰", 40, {}, {}, "8"},
    {"UnknownStopFetchesNoLine", "甲", "无此站", 40, {}, {}, "2"},
    {"EmptyNameNoRequest", "", "甲", 40, {}, {}, "0"},
    {"EqualNamesNoRequest", "甲", "甲", 40, {}, {}, "0"},
    {"BoundBeforeTheEndStop", "甲", "寅", 1, {}, {}, "1 cut by bound"},
    {"BoundLeavesTheLongerChange", "甲", "寅", 7, {}, {kLongChange}, "7 cut by bound"},
    {"BoundJustReachesBoth", "甲", "寅", 8, {}, {kShortChange, kLongChange}, "8 cut by bound"},
    // Ten seconds: five requests of two seconds read 1/0, 2/0 and 1/1.
    {"DeadlineKeepsThePlansFoundSoFar", "甲", "寅", 40, {.secondsPerRequest = 2}, {kLongChange}, "5 cut by deadline"},
    // The fourth request is given the one second left and fails with it.
    {"DeadlineCutsARequestShort", "甲", "寅", 40, {.secondsPerRequest = 3}, {}, "4 cut by deadline"},
    {"UnreadLineLeftOut", "甲", "寅", 40, {.unreadableLine = 4}, {kLongChange}, "12, 2 unread"},
    {"UnreachableServiceAsksOnce", "甲", "寅", 40, {.down = true}, {}, "1, search failed"},
};

class TransferPlanner : public testing::TestWithParam<Case> {};

TEST_P(TransferPlanner, FindsThePlans) {
    const Case& c = GetParam();
    const auto result = BusTransferPlanner(sourceOf(kNetwork, c.when), c.maxRequests).plan(c.start, c.end);
    Texts plans;
    for (const auto& plan : result.plans) plans.push_back(describe(plan));
    EXPECT_EQ(plans, c.plans);
    EXPECT_EQ(outcome(result), c.outcome);
}

INSTANTIATE_TEST_SUITE_P(Network, TransferPlanner, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The ride and the change in English, with one stop and many: each route's
// best plan.
TEST(TransferPlannerTexts, ThePlansTextsReadInTheRidersLanguage) {
    const test::InEnglish english;
    const struct {
        const char *start, *end, *best;
    } cases[] = {
        {"甲", "乙", "1路/0>戊 甲→乙 1 | No change | Ride 1 stop"},
        {"甲", "丁", "1路/0>戊 甲→丁 3 | No change | Ride 3 stops"},
        {"甲", "亥", "1路/0>戊 甲→乙 1, 6路/0>亥 乙→亥 1 | Change at 乙 | Ride 2 stops"},
    };
    for (const auto& c : cases) {
        const auto plans = BusTransferPlanner(sourceOf(kNetwork)).plan(c.start, c.end).plans;
        ASSERT_FALSE(plans.empty()) << c.start << "→" << c.end;
        EXPECT_EQ(describe(plans.front()), c.best);
    }
}

// Twenty lines from the hub to the end, the longest fetched first: the
// default bound of 40 requests leaves the last two (38路, 39路) unasked, and of
// the others the ten with the fewest stops stay, 37路 first and 28路 last.
TEST(TransferPlannerLimits, KeepsTheTenShortestPlansWithinFortyRequests) {
    Network network{{1, {"起", "枢纽"}}};
    for (int n = 0; n < 20; ++n) {
        Texts& stops = network.emplace_back(20 + n, Texts{"枢纽"}).second;
        for (int extra = n; extra < 19; ++extra) stops.push_back("经" + std::to_string(n) + "_" + std::to_string(extra));
        stops.push_back("止");
    }
    const auto result = BusTransferPlanner(sourceOf(network)).plan("起", "止");
    ASSERT_EQ(result.plans.size(), 10u);
    EXPECT_EQ(transferLines(result.plans.front()) + ", " + transferLines(result.plans.back()), "1路 → 37路, 1路 → 28路");
    EXPECT_EQ(outcome(result), "40 cut by bound");
}

}  // namespace
}  // namespace bus::test
