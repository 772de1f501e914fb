// The bundled cities and a city service answering from them without a network:
// the data, the vehicles on the test's clock, the riders' texts and the search.
#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <tuple>

#include <gtest/gtest.h>

#include "StandinTestSupport.h"
#include "service/Readings.h"
#include "standin/Operations.h"
#include "standin/Vehicles.h"
#include "support/TestSupport.h"

namespace bus::standin {
namespace {

using test::at;

class Datong : public testing::Test {
protected:
    std::shared_ptr<const City> city = test::bundledCity(16);
    const Line& line9 = *city->lineByGprsId(16009);  // 40 stops, a bus every 5 minutes
    const TimePoint noon = at("2024-05-06T12:00:00+08:00");
    std::vector<VehiclePosition> line9At(TimePoint t) { return vehiclesAt(*city, line9, 0, t, {}); }
};

// One vehicle followed second by second for ten minutes: on its way to a
// stop, standing there for the dwell time, then on its way to the next.
TEST_F(Datong, AVehicleRunsAtTheTimetablesPaceStandingAtEachStopForItsDwellTime) {
    const std::string plate = line9At(noon).back().licensePlate;  // the one nearest the start
    std::vector<std::tuple<int, bool, int>> runs;                  // stop, standing, for how many seconds
    for (int s = 0; s <= 600; ++s) {
        const auto now = line9At(noon + std::chrono::seconds(s));
        const auto same = [&](const VehiclePosition& v) { return v.licensePlate == plate; };
        ASSERT_EQ(std::count_if(now.begin(), now.end(), same), 1) << s;
        const auto it = std::find_if(now.begin(), now.end(), same);
        if (runs.empty() || std::get<0>(runs.back()) != it->stationNo || std::get<1>(runs.back()) != it->inStation)
            runs.emplace_back(it->stationNo, it->inStation, 0);
        ++std::get<2>(runs.back());
    }
    const int run = line9.headway->runSeconds, dwell = line9.headway->dwellSeconds;
    ASSERT_GE(runs.size(), 2u * (600 / (run + dwell)));
    for (std::size_t i = 1; i + 1 < runs.size(); ++i) {  // the first and last are cut short by the ten minutes
        const auto [stop, standing, seconds] = runs[i];
        const auto [next, nextStanding, nextSeconds] = runs[i + 1];
        EXPECT_EQ(std::pair(next, nextStanding), std::pair(standing ? stop + 1 : stop, !standing)) << i;
        // A bus may lose a few seconds on its way.
        EXPECT_TRUE(standing ? seconds == dwell : seconds >= run && seconds <= run + 5) << i << ": " << seconds;
    }
}

TEST_F(Datong, BunchedBusesSometimesStandAtOneStopTogether) {
    ManualClock clock(noon);
    const CityService service(city, clock);
    for (int step = 0; step < 24 * 180; ++step) {  // a day
        clock.set(noon + std::chrono::seconds(20 * step));
        const Json buses = service.realBus(16009, 40, 0);
        for (std::size_t i = 1; i < buses.size(); ++i) {
            const auto &a = buses[i - 1], &b = buses[i];
            if (a["stationNo"] != b["stationNo"] || a["inStation"] != 1 || b["inStation"] != 1) continue;
            EXPECT_NE(a["licensePlate"], b["licensePlate"]);
            EXPECT_EQ(a["toNextStop"], b["toNextStop"]);
            return;
        }
    }
    ADD_FAILURE() << "no two buses standing at one stop in a day";
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
    for (const auto& [time, hours, running] : cases)
        EXPECT_EQ(vehiclesAt(*city, line1, 0, at(std::string("2024-05-06T") + time + "+08:00"), {hours}).empty(), !running)
            << time;
}

// Bundled cities are written for Chinese riders: a favourite on 9路 reads as it always has while a bus
// comes and stands there.
TEST_F(Datong, AFavouritesLiveTextIsInChinese) {
    ManualClock clock(noon);
    const CityService service(city, clock);
    std::set<std::string> kinds;
    for (int s = 0; s < 300; s += 10) {  // a headway
        clock.set(noon + std::chrono::seconds(s));
        const std::string text = service.realBusStation(line9.gprsId, 20, 0);
        EXPECT_TRUE(std::regex_match(text, std::regex("已到站|即将到站|还有[1-9][0-9]*站"))) << s << ": " << text;
        kinds.insert(text.starts_with("还有") ? "还有" : text);
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"已到站", "即将到站", "还有"}));
}

TEST(ApproachTexts, SayWhereTheVehicleIsForTheRiderAtStop5) {
    auto v = [](int stationNo, bool in) { return VehiclePosition{"x", stationNo, in}; };
    // inStation 0: on its way to stationNo from the stop before.
    const std::pair<VehiclePosition, const char*> one[] = {
        {v(5, true), "已到站"}, {v(5, false), "即将到站"}, {v(4, true), "还有1站"}, {v(4, false), "还有2站"},
        {v(6, false), "已过站"}, {v(7, true), "已过站"}};
    for (const auto& [vehicle, text] : one) EXPECT_EQ(approachText(vehicle, 5), text) << vehicle.stationNo;
    const std::pair<std::vector<VehiclePosition>, const char*> nearest[] = {
        {{v(6, false), v(3, true), v(4, true)}, "还有1站"}, {{v(4, false), v(4, true)}, "还有1站"},
        {{v(2, false), v(5, false)}, "即将到站"}, {{v(5, false), v(5, true)}, "已到站"},
        {{v(6, true), v(6, false)}, ""}, {{}, ""},
    };
    for (const auto& [vehicles, text] : nearest) EXPECT_EQ(nearestApproachText(vehicles, 5), text);
}

TEST(CityOperations, AKeywordFindsLinesThenEveryLineDirectionAtEachStopHoldingIt) {
    // city, keyword, the line hits' names in order, the names of the stops hit
    const std::tuple<std::int64_t, std::string, std::vector<std::string>, std::set<std::string>> cases[] = {
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
    for (const auto& [cityId, keyword, lineHits, stopHits] : cases) {
        SCOPED_TRACE(keyword);
        const auto city = test::bundledCity(cityId);
        std::vector<std::string> lines;
        std::multiset<std::string> stops;
        for (const auto& h : CityService(city, clock).queryKeyword(keyword)) {
            const Line* line = city->lineById(h["lineId"].get<std::int64_t>());
            ASSERT_NE(line, nullptr);
            EXPECT_EQ(h["lineName"], line->lineName);
            const auto& dirStops = line->directions[h["direction"].get<std::size_t>()]->stops;
            const std::string name = h["stationName"];
            if (h["attribute"] == 0) {
                EXPECT_TRUE(stops.empty()) << "a line hit after a stop hit";
                EXPECT_EQ(name, dirStops.front() + "→" + dirStops.back());
                lines.push_back(line->lineName);
                continue;
            }
            EXPECT_EQ(h["attribute"], 1);
            EXPECT_NE(std::find(dirStops.begin(), dirStops.end(), name), dirStops.end()) << name;
            stops.insert(name);
        }
        EXPECT_EQ(lines, lineHits);
        // One hit for each line direction calling at each stop hit.
        std::multiset<std::string> calls;
        for (const auto& line : city->lines)
            for (const auto& dir : line.directions)
                for (const auto& s : dir ? dir->stops : std::vector<std::string>{})
                    if (stopHits.count(s)) calls.insert(s);
        EXPECT_EQ(stops, calls);
        EXPECT_EQ(std::set(calls.begin(), calls.end()), stopHits);
    }
}

// The bundled data as documented: 大同 on the app's default city port with its
// forty-stop line, each city on a port of its own with one line without live
// data and stops shared between lines for transfers.
TEST(BundledCities, IncludeDatongAsCity16AndEachHasTransfersAndALineWithoutLiveData) {
    const auto datong = test::bundledCity(16);
    const Line* line9 = datong->lineByGprsId(16009);
    EXPECT_EQ(datong->name, "大同");
    EXPECT_GT(datong->port, 0) << "a port of its own; that no two share one is checked below";
    EXPECT_EQ(line9 ? line9->directions[0]->stops.size() : 0u, 40u);
    std::set<int> ports{kDefaultDirectoryPort};
    for (const auto& city : loadDataFolder(BUS_STANDIN_DATA)) {
        EXPECT_TRUE(ports.insert(city.port).second) << "port taken twice: " << city.port;
        EXPECT_EQ(std::count_if(city.lines.begin(), city.lines.end(), [](const Line& l) { return l.gprsId == 0; }), 1)
            << city.name;
        std::map<std::string, std::set<std::int64_t>> linesAtStop;
        for (const auto& line : city.lines)
            for (const auto& dir : line.directions)
                for (const auto& stop : dir ? dir->stops : std::vector<std::string>{}) linesAtStop[stop].insert(line.lineId);
        const auto shared = [](const auto& stopLines) { return stopLines.second.size() > 1; };
        EXPECT_GE(std::count_if(linesAtStop.begin(), linesAtStop.end(), shared), 10) << city.name;
    }
    EXPECT_EQ(ports.size(), 4u);  // three cities and the directory
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
    EXPECT_EQ(city.lines[0].directions[1]->stops, (std::vector<std::string>{"丙", "乙", "甲"}));  // reversed
    EXPECT_EQ(city.lines[1].directions[1]->stops, (std::vector<std::string>{"丙", "丁", "甲"}));  // its own
    EXPECT_EQ(city.lines[0].opTime, "06:00-22:00");
    auto replaced = [&](const std::string& from, const std::string& to) {
        return good.substr(0, good.find(from)) + to + good.substr(good.find(from) + from.size());
    };
    const std::pair<std::string, std::string> faults[] = {
        {replaced("\"06:00\"", "\"6 am\""), "HH:MM"},
        {replaced("[\"甲\", \"乙\", \"丙\"]", "[\"甲\"]"), "two stops"},
        {replaced("\"lineId\": 2,", "\"lineId\": 1,"), "twice"},
        {"{not json", "x.json"},
        {replaced("\"cityId\": 5,", ""), "cityId"},
    };
    for (const auto& [text, says] : faults) test::expectRefused([&] { load(text); }, says);
    // Brackets become parentheses, as in an imported feed: the app cuts the stop array at the first "[".
    const ManualClock clock;
    const CityService service(std::make_shared<const City>(load(replaced("\"1路\",", R"("1[A]", "ticketPrice": "[1]",
        "gjgs": "[公交]", "opTime": "[全天]", "stopsBack": ["丙", "乙[东]", "甲"],)"))), clock);
    const auto reading = ops::readLine(jsonText(service.queryLine(1, 1)));
    ASSERT_EQ(reading.stations.size(), 3u);
    EXPECT_EQ(Json({reading.line->lineName, reading.line->ticketPrice, reading.line->gjgs, reading.line->opTime,
                    reading.stations[1].stationName}), Json({"1(A)", "(1)", "(公交)", "(全天)", "乙(东)"}));
}

}  // namespace
}  // namespace bus::standin
