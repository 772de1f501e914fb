// A published timetable in a zone with daylight saving, served by one city service on a clock the
// tests set: service days across the changes, trips by headway, places that are no stops, brackets.
#include <array>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "StandinTestSupport.h"
#include "service/Readings.h"
#include "standin/Gtfs.h"
#include "standin/Operations.h"
#include "support/TestSupport.h"

namespace bus::standin {
namespace {

// New York, every day of 2026. Route D: D1 by day, N1 past 24:00, E1 just after the service day's
// start, all via an entrance; D1 also "calls" at a node and a boarding area. F and G run
// every headway from templates at 10:00 that no window covers. P is a platform named by its station.
const std::map<std::string, std::string> kFeed = {
    {"agency.txt", "agency_name,agency_url,agency_timezone\n[NYCT] Bus,http://127.0.0.1/,America/New_York\n"},
    {"calendar.txt", "service_id,monday,tuesday,wednesday,thursday,friday,saturday,sunday,start_date,end_date\n"
                     "ALL,1,1,1,1,1,1,1,20260101,20261231\n"},
    {"fare_attributes.txt", "fare_id,price,currency_type\nF,2.90,[USD]\n"},
    {"routes.txt", "route_id,route_short_name\nD,M[15]\nF,F\nG,G\n"},
    {"stops.txt", "stop_id,stop_name,location_type,parent_station\nA,Avenue A,,\nST,Central,1,\nP,,0,ST\n"
                  "E,Central Gate,2,ST\nN,Node,3,ST\nBA,Boarding,4,P\nC,Canal St,,\n"},
    {"trips.txt", "route_id,service_id,trip_id\nD,ALL,D1\nD,ALL,N1\nD,ALL,E1\nF,ALL,F1\nG,ALL,G1\n"},
    {"stop_times.txt", "trip_id,arrival_time,departure_time,stop_id,stop_sequence\nD1,08:00:00,08:00:00,A,1\n"
                       "D1,08:02:00,,E,2\nD1,,,N,4\nD1,,,BA,5\nD1,08:10:00,08:10:00,P,6\nD1,08:20:00,,C,7\n"
                       "N1,25:00:00,,A,1\nN1,25:30:00,,E,2\nN1,26:00:00,,P,3\nN1,27:00:00,,C,4\n"
                       "E1,00:30:00,,A,1\nE1,00:35:00,,E,2\nE1,00:40:00,,P,3\nE1,00:50:00,,C,4\n"
                       "F1,10:00:00,,A,1\nF1,10:10:00,,P,2\nF1,10:25:00,,C,3\n"
                       "G1,10:00:00,,A,1\nG1,10:10:00,,P,2\nG1,10:25:00,,C,3\n"},
    {"frequencies.txt", "trip_id,start_time,end_time,headway_secs,exact_times\n"
                        "F1,06:00:00,07:00:00,600,1\nF1,07:00:00,07:30:00,300,\nG1,06:00:00,08:00:00,900,0\n"},
};

class NewYorkFeed : public testing::Test {
protected:
    static std::shared_ptr<const City> load() {
        const auto dir = bus::test::containerRoot() / "ny";
        std::filesystem::create_directories(dir);
        for (const auto& [file, text] : kFeed) std::ofstream(dir / file) << text;
        return std::make_shared<const City>(importGtfs(dir, {}));
    }
    const std::shared_ptr<const City> city = load();
    ManualClock clock;
    CityService service{city, clock};

    std::string buses(std::int64_t line) const {
        std::vector<VehiclePosition> out;
        for (const auto& b : service.realBus(line, 1, 0))
            out.push_back({b["licensePlate"].get<std::string>(), b["stationNo"].get<int>(), b["inStation"] == 1});
        return test::shown(out);
    }
};

// Service days count from noon minus 12 h in New York (23:00 before the spring-forward day, 01:00 of
// the fall-back day), through both changes in one run; the machine's date plays no part.
TEST_F(NewYorkFeed, ServiceDaysCountFromNoonMinus12hInTheFeedsZoneAcrossEveryChange) {
    const std::pair<const char*, const char*> cases[] = {
        {"2026-01-14T13:05:00Z", "D1 2 on"},           // 08:05 EST
        {"2026-03-08T04:35:00Z", "E1 2 on"},           // 23:35 EST, the day of the change has begun
        {"2026-03-08T06:30:00Z", "N1 2 on"},           // 01:30 EST, Saturday's 25:30
        {"2026-03-08T07:30:00Z", "N1 3 on"},           // 03:30 EDT, Saturday's 26:30
        {"2026-03-08T12:05:00Z", "D1 2 on"},           // 08:05 EDT
        {"2026-07-15T12:05:00Z", "D1 2 on"},           // summer
        {"2026-11-01T05:35:00Z", "E1 2 on, N1 2 on"},  // the first 01:35 (EDT): 00:35, and Saturday's 25:35
        {"2026-11-01T06:30:00Z", "N1 3 on"},           // the second 01:30 (EST): Saturday's 26:30
        {"2026-11-01T13:05:00Z", "D1 2 on"},           // 08:05 EST
    };
    for (const auto& [when, shows] : cases) {
        clock.set(test::at(when));
        EXPECT_EQ(buses(1), shows) << when;
    }
}

// A trip update's delay counts from its service day's start in New York, summer or winter, by its start date
// or by the day of its nearest run, whatever offset was in force when the stand-in started.
TEST_F(NewYorkFeed, TripUpdatesCountFromTheirServiceDaysStartInTheFeedsZone) {
    const auto file = bus::test::containerRoot() / "ny.pb";
    test::MemoryLog log;
    LiveFeed feed(city, LiveSources{{file.string()}}, "ny", clock, log.log());
    const CityService live(city, clock, {}, &feed);
    for (const auto& [when, date] : {std::pair{"2026-01-14T08:05:00-05:00", "20260114"}, {"2026-01-14T08:05:00-05:00", ""},
                                     {"2026-07-15T08:05:00-04:00", "20260715"}, {"2026-07-15T08:05:00-04:00", ""}}) {
        clock.set(test::at(when));
        const std::string trip = "trip { trip_id: 'D1' start_date: '" + std::string(date) + "' }";
        std::ofstream(file, std::ios::binary) << test::message(std::chrono::system_clock::to_time_t(clock.now()),
            "trip_update { " + trip + " stop_time_update { stop_sequence: 7 arrival { delay: 60 } } }");
        feed.poll();  // due at Canal St at 08:21, a minute late
        EXPECT_EQ(live.realBus(1, 3, 0)[0]["toNextStop"].get<std::string>(), "还有16分钟") << when << " " << date;
    }
}

// Runs leave at start, start + headway, ... before end, each taking the template's 25 minutes; the
// template's own 10:00 is no departure. The counts come from the rows of frequencies.txt above.
TEST_F(NewYorkFeed, TripsByHeadwayRunAsTheirWindowsSay) {
    const std::map<std::int64_t, std::vector<std::array<int, 3>>> windows = {  // minutes: start, end, headway
        {2, {{360, 420, 10}, {420, 450, 5}}}, {3, {{360, 480, 15}}}};
    for (int minute : {359, 360, 384, 385, 432, 470, 471, 490, 491, 605}) {
        clock.set(test::at("2026-01-14T00:00:00-05:00") + std::chrono::minutes(minute));
        for (const auto& [line, rows] : windows) {
            std::size_t underWay = 0;
            for (const auto& [start, end, headway] : rows)
                for (int left = start; left < end; left += headway) underWay += left <= minute && minute <= left + 25;
            const Json vehicles = service.realBus(line, 3, 0);
            EXPECT_EQ(vehicles.size(), underWay) << line << " at minute " << minute;
            EXPECT_EQ(service.realBusStation(line, 3, 0), vehicles.empty() ? "" : vehicles[0]["toNextStop"].get<std::string>());
        }
    }
    clock.set(test::at("2026-01-14T07:12:00-05:00"));
    EXPECT_EQ(buses(2), "F1 0650 3 on, F1 0700 3 on, F1 0705 2 on, F1 0710 2 on");
}

// Entrances, nodes and boarding areas never stand on a line; brackets in the line's name, its
// operator and its fare would cut the stop array short where the app reads it.
TEST_F(NewYorkFeed, ALineOffersOnlyStopsAndReadsWholeThroughTheAppsReading) {
    EXPECT_EQ(city->lines[0].directions[0]->stops, (std::vector<std::string>{"Avenue A", "Central", "Canal St"}));
    const auto reading = ops::readLine(jsonText(service.queryLine(1, 0)));
    ASSERT_EQ(reading.stations.size(), 3u);
    EXPECT_EQ(Json({reading.line->lineName, reading.line->gjgs, reading.line->ticketPrice}),
              Json({"M(15)", "(NYCT) Bus", "2.90 (USD)"}));
}

// Trips that call at a station (location_type 1) rather than at one of its platforms, as feeds in the
// wild do: the station is a stop of the line under its name, and every vehicle before and after it
// shows. Entrances on the way stay off the line. Line H runs every 5 minutes from 06:00 to 08:00,
// 10 minutes from the station to the second stop and 10 more to the third.
TEST(StationCalls, AStationThatTripsCallAtIsAStopOfTheLine) {
    const std::map<std::string, std::string> feed = {
        {"agency.txt", "agency_name,agency_url,agency_timezone\nHarbour Bus,http://127.0.0.1/,UTC\n"},
        {"calendar.txt", "service_id,monday,tuesday,wednesday,thursday,friday,saturday,sunday,start_date,end_date\n"
                         "ALL,1,1,1,1,1,1,1,20260101,20261231\n"},
        {"routes.txt", "route_id,route_short_name\nH,H\n"},
        {"stops.txt", "stop_id,stop_name,location_type,parent_station\nHS,Harbour Station,1,\n"
                      "HS1,Harbour Station Bay 1,0,HS\nG,Harbour Gate,2,HS\nM,Market,0,\nQ,Quay,,\n"},
        {"trips.txt", "route_id,service_id,trip_id\nH,ALL,H1\n"},
        {"stop_times.txt", "trip_id,arrival_time,departure_time,stop_id,stop_sequence\n"
                           "H1,06:00:00,06:00:00,HS,1\nH1,06:01:00,06:01:00,G,2\n"
                           "H1,06:10:00,06:10:00,M,3\nH1,06:20:00,06:20:00,Q,4\n"},
        {"frequencies.txt", "trip_id,start_time,end_time,headway_secs\nH1,06:00:00,08:00:00,300\n"},
    };
    const auto dir = bus::test::containerRoot() / "station-calls";
    std::filesystem::create_directories(dir);
    for (const auto& [file, text] : feed) std::ofstream(dir / file) << text;
    const City city = importGtfs(dir, {});
    ASSERT_EQ(city.lines.size(), 1u);
    EXPECT_EQ(city.lines[0].directions[0]->stops, (std::vector<std::string>{"Harbour Station", "Market", "Quay"}));
    ASSERT_EQ(city.feedFaults.size(), 1u);  // told once for the feed, however many runs call there
    EXPECT_NE(city.feedFaults[0].find("HS \"Harbour Station\""), std::string::npos) << city.feedFaults[0];

    // At 07:02:30 the runs that left at 06:45 and 06:50 are on their way to Quay, those of 06:55 and
    // 07:00 on their way to Market; at 06:02:30 only the first run is out.
    const std::pair<const char*, std::map<int, int>> cases[] = {
        {"2026-01-14T07:02:30Z", {{2, 2}, {3, 2}}},
        {"2026-01-14T06:02:30Z", {{2, 1}}},
        {"2026-01-14T08:30:00Z", {}},
    };
    for (const auto& [when, expected] : cases) {
        std::map<int, int> onTheWayTo;
        for (const auto& v : vehiclesAt(city, city.lines[0], 0, test::at(when), {})) {
            EXPECT_FALSE(v.inStation) << when;
            ++onTheWayTo[v.stationNo];
        }
        EXPECT_EQ(onTheWayTo, expected) << when;
    }
}

}  // namespace
}  // namespace bus::standin
