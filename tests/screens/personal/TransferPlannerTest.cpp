// Journey planning on a small network made by hand, with the plans, the
// requests made and whether the request bound cut the search short.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/Value.h"
#include "screens/personal/BusTransferPlanner.h"

namespace bus::test {
namespace {

struct Line {
    int lineId;
    std::vector<std::string> stops;  // direction 0; direction 1 runs back
};

// 4路 and 5路 make the shorter change of 甲→寅; 6路 is a shortcut that beats
// 4路's long direct ride to 亥; 7路 with 2路 makes a change as long as 2路
// alone; 8路 meets 1路 on both sides of 丙. "甲西" contains "甲" and must not
// count as it.
const std::vector<Line> kNetwork = {
    {1, {"甲", "乙", "丙", "丁", "戊"}},
    {2, {"子", "丙", "丑", "寅"}},
    {3, {"卯", "丑", "辰"}},
    {4, {"甲", "巳", "午", "未", "申", "酉", "戌", "亥"}},
    {5, {"巳", "寅"}},
    {6, {"甲西", "乙", "亥"}},
    {7, {"丑", "寅"}},
    {8, {"乙", "癸", "丁"}},
};

std::vector<std::string> stopsOf(const Line& line, long long direction) {
    return direction == 0 ? line.stops : std::vector<std::string>(line.stops.rbegin(), line.stops.rend());
}

// Answers like a city service: a line hit that names the keyword, then a
// stop hit for each stop whose name contains it, line by line.
BusTransferPlanner::Source sourceOf(const std::vector<Line>& network) {
    return {[network](const std::string& keyword) {
                std::vector<BusQuery> hits{BusQuery::initData(
                    {{"stationName", keyword}, {"attribute", 0}, {"lineId", 99}, {"direction", 0}})};
                for (const auto& line : network)
                    for (long long d = 0; d < 2; ++d)
                        for (const auto& stop : stopsOf(line, d))
                            if (stop.find(keyword) != std::string::npos)
                                hits.push_back(BusQuery::initData({{"stationName", stop}, {"attribute", 1},
                                                                   {"lineId", line.lineId},
                                                                   {"lineName", std::to_string(line.lineId) + "路"},
                                                                   {"direction", d}}));
                return hits;
            },
            [network](std::int64_t direction, std::int64_t lineId) {
                ops::LineReading reading;
                for (const auto& line : network) {
                    if (line.lineId != lineId) continue;
                    reading.line = BusLine::initData({{"lineName", std::to_string(lineId) + "路"}});
                    for (const auto& stop : stopsOf(line, direction))
                        reading.stations.push_back(BusStation::initData({{"stationName", stop}}));
                }
                return reading;
            }};
}

// "4路/0 甲→巳 1, 5路/0 巳→寅 1 | 巳同站换乘 | 乘车2站"
std::string describe(const BusTransfer& plan) {
    std::string legs;
    for (const auto& l : plan.vehicleInfos)
        legs += (legs.empty() ? "" : ", ") + textValue(l["lineName"]) + "/" + decimalText(l["direction"]) + " " +
                textValue(l["startStation"]) + "→" + textValue(l["endStation"]) + " " + decimalText(l["stationCount"]);
    return legs + " | " + textValue(plan.bxjl) + " | " + textValue(plan.sxsj);
}

struct Case {
    const char* name;
    std::string start, end;
    int maxRequests;
    std::vector<std::string> plans;
    int requests;
    bool complete;
};

const Case kCases[] = {
    {"Direct", "甲", "丁", 40, {"1路/0 甲→丁 3 | 无需换乘 | 乘车3站"}, 8, true},
    {"DirectInTravelOrderOnly", "丁", "甲", 40, {"1路/1 丁→甲 3 | 无需换乘 | 乘车3站"}, 8, true},
    {"OneChangeFewestStopsFirst", "甲", "寅", 40,
     {"4路/0 甲→巳 1, 5路/0 巳→寅 1 | 巳同站换乘 | 乘车2站", "1路/0 甲→丙 2, 2路/0 丙→寅 2 | 丙同站换乘 | 乘车4站"},
     12, true},
    {"ShorterChangeBeforeLongDirect", "甲", "亥", 40,
     {"1路/0 甲→乙 1, 6路/0 乙→亥 1 | 乙同站换乘 | 乘车2站", "4路/0 甲→亥 7 | 无需换乘 | 乘车7站"}, 8, true},
    {"OnePlanPerSequenceOfLines", "丙", "癸", 40, {"1路/0 丙→丁 1, 8路/1 丁→癸 1 | 丁同站换乘 | 乘车2站"}, 8, true},
    {"ChangeNoShorterThanDirectDropped", "子", "寅", 40, {"2路/0 子→寅 3 | 无需换乘 | 乘车3站"}, 8, true},
    {"TwoChangesIsNoPlan", "甲", "辰", 40, {}, 8, true},
    {"UnknownStopFetchesNoLine", "甲", "无此站", 40, {}, 2, true},
    {"EmptyNameNoRequest", "", "甲", 40, {}, 0, true},
    {"EqualNamesNoRequest", "甲", "甲", 40, {}, 0, true},
    // Fetched in turns 1/0, 2/0, 1/1, 2/1, 4/0, 5/0, ...
    {"BoundBeforeAnyLine", "甲", "寅", 2, {}, 2, false},
    {"BoundBeforeTheEndStop", "甲", "寅", 1, {}, 1, false},
    {"BoundLeavesTheLongerChange", "甲", "寅", 7,
     {"1路/0 甲→丙 2, 2路/0 丙→寅 2 | 丙同站换乘 | 乘车4站"}, 7, false},
    {"BoundJustReachesBoth", "甲", "寅", 8,
     {"4路/0 甲→巳 1, 5路/0 巳→寅 1 | 巳同站换乘 | 乘车2站", "1路/0 甲→丙 2, 2路/0 丙→寅 2 | 丙同站换乘 | 乘车4站"},
     8, false},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class TransferPlanner : public testing::TestWithParam<Case> {};

TEST_P(TransferPlanner, FindsThePlans) {
    const Case& c = GetParam();
    const auto result = BusTransferPlanner(sourceOf(kNetwork), c.maxRequests).plan(c.start, c.end);
    std::vector<std::string> plans;
    for (const auto& plan : result.plans) plans.push_back(describe(plan));
    EXPECT_EQ(plans, c.plans);
    EXPECT_EQ(result.requests, c.requests);
    EXPECT_EQ(result.complete, c.complete);
}

INSTANTIATE_TEST_SUITE_P(Network, TransferPlanner, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Twelve lines from the hub to the end: the ten with the fewest stops stay,
// and a line that cannot be read offers nothing.
TEST(TransferPlannerLimits, KeepsTheTenShortestPlans) {
    std::vector<Line> network{{1, {"起", "枢纽"}}};
    for (int n = 0; n < 12; ++n) {
        std::vector<std::string> stops{"枢纽"};
        for (int extra = 0; extra < n; ++extra) stops.push_back("经" + std::to_string(n) + "_" + std::to_string(extra));
        stops.push_back("止");
        network.push_back({20 + n, stops});
    }
    auto source = sourceOf(network);
    const auto readLine = source.queryLine;
    source.queryLine = [readLine](std::int64_t direction, std::int64_t lineId) {
        return lineId == 20 ? ops::LineReading{} : readLine(direction, lineId);
    };
    const auto result = BusTransferPlanner(source).plan("起", "止");
    ASSERT_EQ(result.plans.size(), BusTransferPlanner::kMaxPlans);
    // Line 20 (2 stops) is unreadable: 21 with 3 stops comes first, 30 with 12 last.
    EXPECT_EQ(transferLines(result.plans.front()), "1路 → 21路");
    EXPECT_EQ(transferLines(result.plans.back()), "1路 → 30路");
    EXPECT_EQ(result.requests, 2 + 2 + 24);
}

}  // namespace
}  // namespace bus::test
