// The bundled cities and a city service answering from them, without a
// network: the data files, the vehicles at instants the test sets on the
// clock, what a rider reads beside them, and the keyword search. The app's
// client reads the other operations in EndToEndTest.
#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <tuple>

#include <gtest/gtest.h>

#include "StandinTestSupport.h"
#include "standin/Operations.h"
#include "standin/Vehicles.h"
#include "support/TestSupport.h"

namespace bus::standin {
namespace {

using test::at;

std::map<std::string, VehiclePosition> byPlate(const std::vector<VehiclePosition>& vs) {
    std::map<std::string, VehiclePosition> out;
    for (const auto& v : vs) EXPECT_TRUE(out.emplace(v.licensePlate, v).second) << "plate twice: " << v.licensePlate;
    return out;
}

class Datong : public testing::Test {
protected:
    std::shared_ptr<const City> city = test::bundledCity(16);
    const Line& line9 = *city->lineByGprsId(16009);  // 40 stops, a bus every 5 minutes
    const TimePoint noon = at("2024-05-06T12:00:00+08:00");
    std::vector<VehiclePosition> line9At(TimePoint t) { return vehiclesAt(*city, line9, 0, t, {}); }
};

// One vehicle followed second by second for ten minutes.
TEST_F(Datong, AVehicleRunsAtTheTimetablesPaceStandingAtEachStopForItsDwellTime) {
    const auto first = line9At(noon);
    ASSERT_GE(first.size(), 8u);
    const std::string plate = first.back().licensePlate;  // the one nearest the start
    std::vector<std::pair<int, bool>> seen;
    for (int s = 0; s <= 600; ++s) {
        const auto now = byPlate(line9At(noon + std::chrono::seconds(s)));
        ASSERT_TRUE(now.count(plate)) << s;
        seen.emplace_back(now.at(plate).stationNo, now.at(plate).inStation);
        ASSERT_LE(seen.back().first, static_cast<int>(line9.directions[0]->stops.size())) << s;
    }
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end(), [](auto& a, auto& b) { return a.first < b.first; }));
    int completeStands = 0;
    for (std::size_t i = 1; i < seen.size(); ++i) {
        if (!seen[i].second || seen[i - 1].second) continue;  // a stand begins at i
        std::size_t j = i;
        while (j < seen.size() && seen[j].second) ++j;
        if (j == seen.size()) break;
        ++completeStands;
        EXPECT_EQ(j - i, static_cast<std::size_t>(line9.headway->dwellSeconds));
        EXPECT_EQ(seen[i].first, seen[i - 1].first);      // arrived at the stop it was coming to
        EXPECT_EQ(seen[j].first, seen[i].first + 1);      // left it for the next
    }
    // A stop takes a run and a stand (a bus may lose up to a second per stop).
    const int perStop = line9.headway->runSeconds + line9.headway->dwellSeconds;
    EXPECT_GE(completeStands, 600 / perStop - 1);
    EXPECT_GE(seen.back().first - seen.front().first, 600 / perStop);
    EXPECT_LE(seen.back().first - seen.front().first, 600 / perStop + 1);
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
    const Line& line1 = *city->lineByGprsId(16001);  // 06:00 to 22:00
    const std::tuple<const char*, bool, bool> cases[] = {
        // time of day, service hours kept, buses running
        {"05:59:59", true, false},
        {"06:30:00", true, true},
        {"22:05:00", true, true},  // the last trips finish their run
        {"23:30:00", true, false},
        {"03:00:00", false, true},  // around the clock by default, so a newcomer sees buses at any hour
    };
    for (const auto& [time, hours, running] : cases) {
        const auto when = at(std::string("2024-05-06T") + time + "+08:00");
        EXPECT_EQ(vehiclesAt(*city, line1, 0, when, {hours}).empty(), !running) << time;
    }
}

TEST(ApproachTexts, SayWhereTheVehicleIsForTheRiderAtStop5) {
    auto v = [](int stationNo, bool in) { return VehiclePosition{"x", stationNo, in}; };
    // inStation 0: on its way to stationNo from the stop before.
    const std::pair<VehiclePosition, const char*> one[] = {{v(5, true), "已到站"}, {v(5, false), "即将到站"},
                                                          {v(4, true), "还有1站"}, {v(4, false), "还有2站"},
                                                          {v(6, false), "已过站"}, {v(7, true), "已过站"}};
    for (const auto& [vehicle, text] : one) EXPECT_EQ(approachText(vehicle, 5), text) << vehicle.stationNo;
    const std::pair<std::vector<VehiclePosition>, const char*> nearest[] = {
        {{v(6, false), v(3, true), v(4, true)}, "还有1站"},
        {{v(4, false), v(4, true)}, "还有1站"},
        {{v(2, false), v(5, false)}, "即将到站"},
        {{v(5, false), v(5, true)}, "已到站"},
        {{v(6, true), v(6, false)}, ""},
        {{}, ""},
    };
    for (const auto& [vehicles, text] : nearest) EXPECT_EQ(nearestApproachText(vehicles, 5), text);
}

// How many line directions of the city call at a stop of this name.
std::size_t directionsServing(const City& city, const std::string& stop) {
    std::size_t n = 0;
    for (const auto& line : city.lines)
        for (const auto& dir : line.directions)
            if (dir) n += static_cast<std::size_t>(std::count(dir->stops.begin(), dir->stops.end(), stop));
    return n;
}

TEST(CityOperations, AKeywordFindsLinesThenEveryLineDirectionAtEachStopHoldingIt) {
    struct Case {
        std::int64_t cityId;
        std::string keyword;
        std::vector<std::string> lines;  // the line hits' names, in order
        std::set<std::string> stops;     // the names of the stops hit
    };
    const Case cases[] = {
        {16, "华严寺", {}, {"华严寺"}},
        {16, "广场", {}, {"红旗广场", "东信广场"}},  // part of a name
        {16, "9路", {"9路", "9路"}, {}},             // both directions
        {16, "旅游", {"旅游1路", "旅游1路"}, {}},
        {1, "k1", {"K1路", "K1路"}, {}},  // Latin letters in either case
        {17, "城", {"城郊1路", "城郊1路"}, {"凤凰城", "新城小区", "朔城区政府", "古城"}},  // line hits first
        {16, "", {}, {}},
        {16, "不存在的站", {}, {}},
    };
    ManualClock clock(test::at("2024-05-06T12:00:00+08:00"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keyword);
        const auto city = test::bundledCity(c.cityId);
        const Json hits = CityService(city, clock).queryKeyword(c.keyword);
        std::vector<std::string> lines;
        std::set<std::string> stops;
        for (const auto& h : hits) {
            const Line* line = city->lineById(h["lineId"].get<std::int64_t>());
            ASSERT_NE(line, nullptr);
            EXPECT_EQ(h["lineName"], line->lineName);
            const int d = h["direction"].get<int>();
            const auto& dirStops = line->directions[static_cast<std::size_t>(d)]->stops;
            const std::string name = h["stationName"];
            if (h["attribute"] == 0) {
                EXPECT_TRUE(stops.empty()) << "a line hit after a stop hit";
                EXPECT_EQ(name, dirStops.front() + "→" + dirStops.back());
                lines.push_back(line->lineName);
            } else {
                EXPECT_EQ(h["attribute"], 1);
                EXPECT_NE(std::find(dirStops.begin(), dirStops.end(), name), dirStops.end()) << name;
                stops.insert(name);
            }
        }
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(stops, c.stops);
        std::size_t stopHits = 0;
        for (const auto& s : stops) stopHits += directionsServing(*city, s);
        EXPECT_EQ(hits.size(), lines.size() + stopHits);
    }
}

class BundledCities : public testing::Test {
protected:
    std::vector<City> cities = loadDataFolder(BUS_STANDIN_DATA);
};

TEST_F(BundledCities, IncludeDatongAsCity16OnTheAppsDefaultPort) {
    ASSERT_GE(cities.size(), 3u);
    const auto it = std::find_if(cities.begin(), cities.end(), [](const City& c) { return c.cityId == 16; });
    ASSERT_NE(it, cities.end());
    EXPECT_EQ(it->name, "大同");
    EXPECT_EQ(it->port, 18116);
    // The forty-stop line that the timetable tests and the benchmarks measure on.
    ASSERT_NE(it->lineByGprsId(16009), nullptr);
    EXPECT_EQ(it->lineByGprsId(16009)->directions[0]->stops.size(), 40u);
    std::set<int> ports;
    for (const auto& c : cities) {
        EXPECT_TRUE(ports.insert(c.port).second) << "two cities on port " << c.port;
        EXPECT_NE(c.port, kDefaultDirectoryPort);
    }
}

TEST_F(BundledCities, EachHasARealisticNetwork) {
    for (const auto& city : cities) {
        SCOPED_TRACE(city.name);
        EXPECT_GE(city.lines.size(), 12u);
        int withoutLiveData = 0;
        std::map<std::string, std::set<std::int64_t>> linesAtStop;
        for (const auto& line : city.lines) {
            SCOPED_TRACE(line.lineName);
            if (line.gprsId == 0) ++withoutLiveData;
            EXPECT_FALSE(line.ticketPrice.empty());
            EXPECT_FALSE(line.opTime.empty());
            ASSERT_TRUE(line.headway.has_value());
            for (const auto& dir : line.directions) {
                ASSERT_TRUE(dir.has_value());
                EXPECT_GE(dir->stops.size(), 10u);
                EXPECT_LE(dir->stops.size(), 45u);
                for (const auto& stop : dir->stops) linesAtStop[stop].insert(line.lineId);
            }
        }
        EXPECT_EQ(withoutLiveData, 1);
        // Transfers exist: many stops are served by more than one line.
        const auto shared = std::count_if(linesAtStop.begin(), linesAtStop.end(),
                                          [](const auto& kv) { return kv.second.size() >= 2; });
        EXPECT_GE(shared, 10);
        const auto busiest = std::max_element(linesAtStop.begin(), linesAtStop.end(), [](const auto& a, const auto& b) {
            return a.second.size() < b.second.size();
        });
        EXPECT_GE(busiest->second.size(), 3u) << busiest->first;
    }
}

TEST(CityFiles, AreReadWithTheirWayBackAndAFaultyOneIsNamedWithItsFault) {
    const std::string good = R"({"cityId": 5, "name": "测试", "lines": [
        {"lineId": 1, "lineName": "1路", "gprsId": 9, "firstBus": "06:00", "lastBus": "22:00", "headwayMinutes": 10,
         "runSeconds": 60, "dwellSeconds": 20, "stops": ["甲", "乙", "丙"]},
        {"lineId": 2, "lineName": "2路", "gprsId": 0, "firstBus": "06:00", "lastBus": "22:00", "headwayMinutes": 10,
         "runSeconds": 60, "dwellSeconds": 20, "stops": ["甲", "乙", "丙"], "stopsBack": ["丙", "丁", "甲"]}]})";
    const auto file = bus::test::containerRoot() / "x.json";
    auto load = [&](const std::string& text) {
        std::ofstream(file) << text;
        return loadCityFile(file);
    };
    const City city = load(good);
    EXPECT_EQ(city.lines[0].directions[1]->stops, (std::vector<std::string>{"丙", "乙", "甲"}));
    EXPECT_EQ(city.lines[1].directions[1]->stops, (std::vector<std::string>{"丙", "丁", "甲"}));
    EXPECT_EQ(city.lines[0].opTime, "06:00-22:00");

    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    const std::pair<std::string, std::string> faults[] = {
        {replaced("\"乙\"", "\"乙[东]\""), "bracket"},
        {replaced("\"06:00\"", "\"6 am\""), "HH:MM"},
        {replaced("[\"甲\", \"乙\", \"丙\"]", "[\"甲\"]"), "two stops"},
        {"{not json", "x.json"},
        {replaced("\"cityId\": 5,", ""), "cityId"},
    };
    for (const auto& [text, says] : faults) {
        try {
            load(text);
            ADD_FAILURE() << "accepted, not refused for " << says;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace bus::standin
