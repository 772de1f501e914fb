// Journey planning on a small network made by hand, with the plans, the
// requests made and whether the request bound cut the search short.
#include <gtest/gtest.h>

#include <map>

#include "model/Value.h"
#include "screens/personal/BusTransferPlanner.h"

namespace bus::test {
namespace {

using Texts = std::vector<std::string>;
using Network = std::map<int, Texts>;  // line id -> stops in direction 0; direction 1 runs back

// 4路 and 5路 make the shorter change of 甲→寅; 6路 is a shortcut that beats
// 4路's long direct ride to 亥; 7路 with 2路 makes a change as long as 2路
// alone; 8路 meets 1路 on both sides of 丙. "甲西" contains "甲" and must not
// count as it.
const Network kNetwork = {{1, {"甲", "乙", "丙", "丁", "戊"}}, {2, {"子", "丙", "丑", "寅"}}, {3, {"卯", "丑", "辰"}},
                          {4, {"甲", "巳", "午", "未", "申", "酉", "戌", "亥"}}, {5, {"巳", "寅"}}, {6, {"甲西", "乙", "亥"}},
                          {7, {"丑", "寅"}}, {8, {"乙", "癸", "丁"}}};

Texts stopsOf(const Texts& stops, long long back) { return back ? Texts(stops.rbegin(), stops.rend()) : stops; }

// Answers like a city service: a line hit that names the keyword, then a
// stop hit for each stop whose name contains it, line by line.
BusTransferPlanner::Source sourceOf(const Network& network) {
    const auto keyword = [network](const std::string& word) {
        std::vector<BusQuery> hits{BusQuery::initData({{"stationName", word}, {"attribute", 0}, {"lineId", 99}})};
        for (const auto& [id, stops] : network)
            for (long long d : {0, 1})
                for (const auto& stop : stopsOf(stops, d))
                    if (stop.find(word) != std::string::npos)
                        hits.push_back(BusQuery::initData({{"stationName", stop}, {"attribute", 1}, {"lineId", id},
                                                           {"lineName", std::to_string(id) + "路"}, {"direction", d}}));
        return hits;
    };
    const auto line = [network](std::int64_t direction, std::int64_t lineId) {
        ops::LineReading reading;
        reading.line = BusLine::initData({{"lineName", std::to_string(lineId) + "路"}});
        for (const auto& stop : stopsOf(network.at(static_cast<int>(lineId)), direction))
            reading.stations.push_back(BusStation::initData({{"stationName", stop}}));
        return reading;
    };
    return {keyword, line};
}

// "4路/0 甲→巳 1, 5路/0 巳→寅 1 | 巳同站换乘 | 乘车2站"
std::string describe(const BusTransfer& plan) {
    std::string legs;
    for (const auto& l : plan.vehicleInfos)
        legs += (legs.empty() ? "" : ", ") + textValue(l["lineName"]) + "/" + decimalText(l["direction"]) + " " +
                textValue(l["startStation"]) + "→" + textValue(l["endStation"]) + " " + decimalText(l["stationCount"]);
    return legs + " | " + textValue(plan.bxjl) + " | " + textValue(plan.sxsj);
}

struct Case { const char* name; std::string start, end; int maxRequests; Texts plans; int requests; bool complete; };
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const std::string kShortChange = "4路/0 甲→巳 1, 5路/0 巳→寅 1 | 巳同站换乘 | 乘车2站";
const std::string kLongChange = "1路/0 甲→丙 2, 2路/0 丙→寅 2 | 丙同站换乘 | 乘车4站";
// Lines are fetched in turns from either end: 1/0, 2/0, 1/1, 2/1, 4/0, 5/0, ...
const Case kCases[] = {
    {"Direct", "甲", "丁", 40, {"1路/0 甲→丁 3 | 无需换乘 | 乘车3站"}, 8, true},
    {"DirectInTravelOrderOnly", "丁", "甲", 40, {"1路/1 丁→甲 3 | 无需换乘 | 乘车3站"}, 8, true},
    {"OneChangeFewestStopsFirst", "甲", "寅", 40, {kShortChange, kLongChange}, 12, true},
    {"ShorterChangeBeforeLongDirect", "甲", "亥", 40,
     {"1路/0 甲→乙 1, 6路/0 乙→亥 1 | 乙同站换乘 | 乘车2站", "4路/0 甲→亥 7 | 无需换乘 | 乘车7站"}, 8, true},
    {"OnePlanPerSequenceOfLines", "丙", "癸", 40, {"1路/0 丙→丁 1, 8路/1 丁→癸 1 | 丁同站换乘 | 乘车2站"}, 8, true},
    {"ChangeNoShorterThanDirectDropped", "子", "寅", 40, {"2路/0 子→寅 3 | 无需换乘 | 乘车3站"}, 8, true},
    {"TwoChangesIsNoPlan", "甲", "辰", 40, {}, 8, true},
    {"UnknownStopFetchesNoLine", "甲", "无此站", 40, {}, 2, true},
    {"EmptyNameNoRequest", "", "甲", 40, {}, 0, true},
    {"EqualNamesNoRequest", "甲", "甲", 40, {}, 0, true},
    {"BoundBeforeTheEndStop", "甲", "寅", 1, {}, 1, false},
    {"BoundLeavesTheLongerChange", "甲", "寅", 7, {kLongChange}, 7, false},
    {"BoundJustReachesBoth", "甲", "寅", 8, {kShortChange, kLongChange}, 8, false},
};

class TransferPlanner : public testing::TestWithParam<Case> {};

TEST_P(TransferPlanner, FindsThePlans) {
    const Case& c = GetParam();
    const auto result = BusTransferPlanner(sourceOf(kNetwork), c.maxRequests).plan(c.start, c.end);
    Texts plans;
    for (const auto& plan : result.plans) plans.push_back(describe(plan));
    EXPECT_EQ(plans, c.plans);
    EXPECT_EQ(std::pair(result.requests, result.complete), std::pair(c.requests, c.complete));
}

INSTANTIATE_TEST_SUITE_P(Network, TransferPlanner, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Twenty lines from the hub to the end, the longest fetched first: the
// default bound of 40 requests leaves the last two (38路, 39路) unread, and of
// the others the ten with the fewest stops stay, 37路 first and 28路 last.
TEST(TransferPlannerLimits, KeepsTheTenShortestPlansWithinFortyRequests) {
    Network network{{1, {"起", "枢纽"}}};
    for (int n = 0; n < 20; ++n) {
        Texts& stops = network[20 + n] = {"枢纽"};
        for (int extra = n; extra < 19; ++extra) stops.push_back("经" + std::to_string(n) + "_" + std::to_string(extra));
        stops.push_back("止");
    }
    const auto result = BusTransferPlanner(sourceOf(network)).plan("起", "止");
    ASSERT_EQ(result.plans.size(), 10u);
    EXPECT_EQ(transferLines(result.plans.front()) + ", " + transferLines(result.plans.back()), "1路 → 37路, 1路 → 28路");
    EXPECT_EQ(std::pair(result.requests, result.complete), std::pair(40, false));
}

}  // namespace
}  // namespace bus::test
