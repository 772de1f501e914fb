// Vehicles on the timetable, read at instants the test sets on the clock.
#include <algorithm>
#include <map>

#include <gtest/gtest.h>

#include "StandinTestSupport.h"
#include "standin/Operations.h"
#include "standin/Vehicles.h"

namespace bus::standin {
namespace {

using test::at;
using test::bundledCity;

const Line& lineOf(const City& city, std::int64_t gprsId) {
    const Line* line = city.lineByGprsId(gprsId);
    EXPECT_NE(line, nullptr) << gprsId;
    return *line;
}

std::map<std::string, VehiclePosition> byPlate(const std::vector<VehiclePosition>& vs) {
    std::map<std::string, VehiclePosition> out;
    for (const auto& v : vs) EXPECT_TRUE(out.emplace(v.licensePlate, v).second) << "plate twice: " << v.licensePlate;
    return out;
}

class Datong : public testing::Test {
protected:
    std::shared_ptr<const City> city = bundledCity(16);
    const Line& line9 = lineOf(*city, 16009);  // 40 stops, 80 s runs, 25 s stands, every 5 minutes
    const TimePoint noon = at("2024-05-06T12:00:00+08:00");
};

TEST_F(Datong, VehiclesMoveAlongAtTheTimetablesPace) {
    const auto before = byPlate(vehiclesAt(*city, line9, 0, noon, {}));
    const auto after = byPlate(vehiclesAt(*city, line9, 0, noon + std::chrono::minutes(10), {}));
    ASSERT_GE(before.size(), 8u);
    int followed = 0;
    for (const auto& [plate, v] : before) {
        const auto it = after.find(plate);
        if (it == after.end()) continue;
        ++followed;
        // 600 s at 105 s a stop (plus up to a second of delay per stop).
        const int moved = it->second.stationNo - v.stationNo;
        EXPECT_GE(moved, 5) << plate;
        EXPECT_LE(moved, 6) << plate;
    }
    EXPECT_GE(followed, 5);
    // Every vehicle is on the line.
    for (const auto& [plate, v] : after) {
        EXPECT_GE(v.stationNo, 1);
        EXPECT_LE(v.stationNo, 40);
    }
}

TEST_F(Datong, TheSameInstantGivesTheSameVehicles) {
    const auto a = vehiclesAt(*city, line9, 1, noon, {});
    const auto b = vehiclesAt(*city, line9, 1, noon, {});
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].licensePlate, b[i].licensePlate);
        EXPECT_EQ(a[i].stationNo, b[i].stationNo);
        EXPECT_EQ(a[i].inStation, b[i].inStation);
    }
}

TEST_F(Datong, AVehicleStandsAtEachStopForItsDwellTime) {
    const auto first = vehiclesAt(*city, line9, 0, noon, {});
    ASSERT_FALSE(first.empty());
    const std::string plate = first.back().licensePlate;  // the one nearest the start
    std::vector<std::pair<int, bool>> seen;
    for (int s = 0; s < 400; ++s) {
        const auto now = byPlate(vehiclesAt(*city, line9, 0, noon + std::chrono::seconds(s), {}));
        ASSERT_TRUE(now.count(plate)) << s;
        seen.emplace_back(now.at(plate).stationNo, now.at(plate).inStation);
    }
    int completeStands = 0;
    for (std::size_t i = 1; i < seen.size(); ++i) {
        if (!seen[i].second || seen[i - 1].second) continue;  // a stand begins at i
        std::size_t j = i;
        while (j < seen.size() && seen[j].second) ++j;
        if (j == seen.size()) break;
        ++completeStands;
        EXPECT_EQ(j - i, 25u);
        EXPECT_EQ(seen[i].first, seen[i - 1].first + 1);  // arrived at the next stop
        EXPECT_EQ(seen[j].first, seen[i].first);          // left it, still numbered by it
    }
    EXPECT_GE(completeStands, 2);
}

TEST_F(Datong, BunchedBusesSometimesStandAtOneStopTogether) {
    ManualClock clock(noon);
    const CityService service(city, clock);
    bool found = false;
    for (int step = 0; step < 24 * 180 && !found; ++step) {
        clock.set(noon + std::chrono::seconds(20 * step));
        const Json buses = service.realBus(16009, 40, 0);
        for (std::size_t i = 1; i < buses.size() && !found; ++i) {
            const auto& a = buses[i - 1];
            const auto& b = buses[i];
            if (a["stationNo"] == b["stationNo"] && a["inStation"] == 1 && b["inStation"] == 1) {
                found = true;
                EXPECT_NE(a["licensePlate"], b["licensePlate"]);
                EXPECT_EQ(a["toNextStop"], b["toNextStop"]);
            }
        }
    }
    EXPECT_TRUE(found) << "no two buses standing at one stop in a day";
}

TEST_F(Datong, ServiceHoursEmptyTheNightOnlyWhenAsked) {
    const TimePoint night = at("2024-05-06T03:00:00+08:00");
    for (const auto& line : city->lines) {
        SCOPED_TRACE(line.lineName);
        for (int d = 0; d < 2; ++d) {
            EXPECT_TRUE(vehiclesAt(*city, line, d, night, {true}).empty());
            if (line.gprsId == 0) continue;
            // Around the clock by default, so a newcomer sees buses at any hour.
            EXPECT_FALSE(vehiclesAt(*city, line, d, night, {false}).empty());
            EXPECT_FALSE(vehiclesAt(*city, line, d, noon, {true}).empty());
        }
    }
}

TEST_F(Datong, ServiceHoursStartWithTheFirstDepartureAndEndAfterTheLastTrip) {
    const Line& line1 = lineOf(*city, 16001);  // 06:00 to 22:00, every 6 minutes
    const VehicleRules hours{true};
    auto count = [&](const std::string& time) {
        return vehiclesAt(*city, line1, 0, at(time), hours).size();
    };
    EXPECT_EQ(count("2024-05-06T05:59:59+08:00"), 0u);
    EXPECT_GE(count("2024-05-06T06:30:00+08:00"), 3u);
    EXPECT_GE(count("2024-05-06T22:05:00+08:00"), 1u);  // the last trips finish their run
    EXPECT_EQ(count("2024-05-06T23:30:00+08:00"), 0u);
}

TEST_F(Datong, TheLineWithoutLiveDataHasNoVehicles) {
    const auto it = std::find_if(city->lines.begin(), city->lines.end(), [](const Line& l) { return l.gprsId == 0; });
    ASSERT_NE(it, city->lines.end());
    EXPECT_TRUE(vehiclesAt(*city, *it, 0, noon, {}).empty());
    ManualClock clock(noon);
    const CityService service(city, clock);
    EXPECT_EQ(service.realBus(0, 3, 0), Json::array());
    EXPECT_EQ(service.realBusStation(0, 3, 0), "");
    EXPECT_EQ(service.queryLine(it->lineId, 0)["gprsId"], 0);
}

TEST_F(Datong, EachVehicleCarriesTheTextForTheAskedStop) {
    ManualClock clock(noon);
    const CityService service(city, clock);
    const int asked = 20;
    const Json buses = service.realBus(16009, asked, 0);
    ASSERT_GE(buses.size(), 8u);
    int best = 0;
    bool bestStanding = false;
    for (const auto& bus : buses) {
        const int s = bus["stationNo"];
        const bool in = bus["inStation"] == 1;
        const std::string text = bus["toNextStop"];
        if (s > asked || (s == asked && !in)) {
            EXPECT_EQ(text, "已过站");
        } else if (s == asked) {
            EXPECT_EQ(text, "已到站");
        } else if (s == asked - 1 && !in) {
            EXPECT_EQ(text, "即将到站");
        } else {
            EXPECT_EQ(text, "还有" + std::to_string(asked - s) + "站");
        }
        const bool coming = s < asked || (s == asked && in);
        if (coming && (s > best || (s == best && !in && s != asked))) {
            best = s;
            bestStanding = in;
        }
    }
    ASSERT_GT(best, 0);
    const std::string expected = best == asked                    ? "已到站"
                                 : best == asked - 1 && !bestStanding ? "即将到站"
                                                                      : "还有" + std::to_string(asked - best) + "站";
    EXPECT_EQ(service.realBusStation(16009, asked, 0), expected);
    // Highest stop first, as the app draws them.
    for (std::size_t i = 1; i < buses.size(); ++i) EXPECT_GE(buses[i - 1]["stationNo"], buses[i]["stationNo"]);
}

TEST(ApproachTexts, SayWhereTheVehicleIsForTheRider) {
    auto v = [](int stationNo, bool in) { return VehiclePosition{"x", stationNo, in}; };
    EXPECT_EQ(approachText(v(5, true), 5), "已到站");
    EXPECT_EQ(approachText(v(4, false), 5), "即将到站");
    EXPECT_EQ(approachText(v(4, true), 5), "还有1站");
    EXPECT_EQ(approachText(v(2, false), 5), "还有3站");
    EXPECT_EQ(approachText(v(5, false), 5), "已过站");
    EXPECT_EQ(approachText(v(7, true), 5), "已过站");
    EXPECT_EQ(nearestApproachText({v(6, false), v(3, true), v(4, true)}, 5), "还有1站");
    EXPECT_EQ(nearestApproachText({v(4, true), v(4, false)}, 5), "即将到站");
    EXPECT_EQ(nearestApproachText({v(5, false), v(2, false)}, 5), "还有3站");
    EXPECT_EQ(nearestApproachText({v(5, true), v(4, false)}, 5), "已到站");
    EXPECT_EQ(nearestApproachText({v(6, true), v(5, false)}, 5), "");
    EXPECT_EQ(nearestApproachText({}, 5), "");
}

}  // namespace
}  // namespace bus::standin
