// Serving a published timetable: the small feed in tests/standin/feed.
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "StandinTestSupport.h"
#include "standin/Csv.h"
#include "standin/Gtfs.h"
#include "standin/Operations.h"
#include "standin/Vehicles.h"
#include "support/TestSupport.h"

namespace bus::standin {
namespace {

using test::at;
using test::testFeed;

GtfsOptions options() {
    GtfsOptions o;
    o.cityId = 90;
    o.utcOffsetSeconds = 8 * 3600;
    return o;
}

class Feed : public testing::Test {
protected:
    std::shared_ptr<const City> city = std::make_shared<const City>(importGtfs(testFeed(), options()));
    const Line& line(const std::string& name) {
        for (const auto& l : city->lines)
            if (l.lineName == name) return l;
        ADD_FAILURE() << "no line " << name;
        return city->lines.front();
    }
    std::vector<VehiclePosition> at101(const std::string& time, int direction = 0, bool hours = false) {
        return vehiclesAt(*city, line("101"), direction, at(time), {hours});
    }
};

TEST_F(Feed, EachRouteWithTripsBecomesALineWithItsMostCommonPattern) {
    EXPECT_EQ(city->name, "示例公交");
    ASSERT_EQ(city->lines.size(), 2u);  // the route without trips is left out
    const Line& l101 = line("101");
    EXPECT_NE(l101.gprsId, 0);
    EXPECT_EQ(l101.gjgs, "示例公交");
    EXPECT_EQ(l101.opTime, "08:00-09:00");
    // Brackets would cut the app's stop array short; quotes and commas stay.
    EXPECT_EQ(l101.directions[0]->stops,
              (std::vector<std::string>{"北站", "广场, 南侧", "医院(东门)", "\"老\"街", "南站"}));
    EXPECT_EQ(l101.directions[1]->stops,
              (std::vector<std::string>{"南站", "\"老\"街", "医院(东门)", "广场, 南侧", "北站"}));
    const Line& night = line("夜间环线");  // no short name: the long one
    EXPECT_TRUE(night.directions[0].has_value());
    EXPECT_FALSE(night.directions[1].has_value());
}

TEST_F(Feed, VehiclesStandAtStopsAndRunBetweenThemByTheTimetable) {
    // Monday 08:05:10: the first trip stands at the second stop.
    auto v = at101("2024-05-06T08:05:10+08:00");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].licensePlate, "B7");  // its block
    EXPECT_EQ(v[0].stationNo, 2);
    EXPECT_TRUE(v[0].inStation);
    // 08:12: it has left the third stop (a blank time, spaced evenly to
    // 08:10:15); the second trip and the short one left the first stop.
    v = at101("2024-05-06T08:12:00+08:00");
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].licensePlate, "B7");
    EXPECT_EQ(v[0].stationNo, 3);
    EXPECT_FALSE(v[0].inStation);
    EXPECT_EQ(v[1].stationNo, 1);
    EXPECT_EQ(v[2].stationNo, 1);
    EXPECT_FALSE(v[1].inStation);
    // The short trip calls at stops 1 and 3 of the pattern.
    v = at101("2024-05-06T08:16:00+08:00");
    const auto shortTrip = std::find_if(v.begin(), v.end(), [](const auto& x) { return x.licensePlate == "T3"; });
    ASSERT_NE(shortTrip, v.end());
    EXPECT_EQ(shortTrip->stationNo, 3);
    EXPECT_TRUE(shortTrip->inStation);
    // The trip on another pattern never shows.
    for (const auto& x : at101("2024-05-06T08:45:00+08:00")) EXPECT_NE(x.licensePlate, "T4");
    // The other direction runs its own trip.
    v = at101("2024-05-06T08:07:00+08:00", 1);
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].stationNo, 2);
    EXPECT_FALSE(v[0].inStation);
}

TEST_F(Feed, TheCalendarDecidesWhichTripsRun) {
    EXPECT_TRUE(at101("2024-05-04T08:12:00+08:00").empty());  // Saturday: no weekday trips
    auto v = at101("2024-05-04T09:07:00+08:00");              // but the weekend one
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].licensePlate, "T6");
    EXPECT_EQ(v[0].stationNo, 2);
    // 1 May is a holiday: weekday service removed, weekend service added.
    EXPECT_TRUE(at101("2024-05-01T08:12:00+08:00").empty());
    EXPECT_EQ(at101("2024-05-01T09:07:00+08:00").size(), 1u);
    // Outside the calendar's dates nothing runs.
    EXPECT_TRUE(at101("2025-01-06T08:12:00+08:00").empty());
    // No vehicles at night: a timetable keeps its own hours.
    EXPECT_TRUE(at101("2024-05-06T03:00:00+08:00").empty());
}

TEST_F(Feed, TripsPastMidnightBelongToTheDayTheyStarted) {
    const Line& night = line("夜间环线");
    auto v = vehiclesAt(*city, night, 0, at("2024-05-07T00:05:10+08:00"), {});  // Monday's 23:50 trip
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].stationNo, 2);
    EXPECT_TRUE(v[0].inStation);
    EXPECT_EQ(vehiclesAt(*city, night, 0, at("2024-05-05T00:05:10+08:00"), {}).size(), 0u);  // after Saturday
}

TEST_F(Feed, TheCityServesTheFeedLikeAnyOther) {
    ManualClock clock(at("2024-05-06T08:12:00+08:00"));
    const CityService service(city, clock);
    const Json hits = service.queryKeyword("老");
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[0]["stationName"], "\"老\"街");
    const std::string lineText = jsonText(service.queryLine(line("101").lineId, 0));
    const auto open = lineText.find('[');
    const auto stops = nlohmann::json::parse(lineText.substr(open, lineText.find(']') - open + 1));
    ASSERT_EQ(stops.size(), 5u);
    EXPECT_EQ(stops[4]["flagId"], 2);
    EXPECT_EQ(service.realBus(line("101").gprsId, 3, 0).size(), 3u);
    EXPECT_EQ(service.realBusStation(line("101").gprsId, 4, 0), "即将到站");
}

TEST(FeedImport, TheAgencyTimeZoneSetsTheClockOfTheCity) {
    if (!std::filesystem::exists("/usr/share/zoneinfo/Asia/Shanghai")) GTEST_SKIP() << "no time zone data (tzdata)";
    GtfsOptions o;
    const City city = importGtfs(testFeed(), o);
    EXPECT_EQ(city.utcOffsetSeconds, 8 * 3600);  // Asia/Shanghai keeps no summer time
}

TEST(FeedImport, AFaultyFeedIsRefusedNamingTheFile) {
    const auto dir = bus::test::containerRoot() / "feed";
    std::filesystem::copy(testFeed(), dir);
    std::filesystem::remove(dir / "stop_times.txt");
    try {
        importGtfs(dir, options());
        ADD_FAILURE() << "accepted a feed without stop times";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("stop_times.txt"), std::string::npos) << e.what();
    }
    std::ofstream(dir / "stop_times.txt") << "trip_id,arrival_time,departure_time,stop_id,stop_sequence\n"
                                             "T1,08:00:00,08:00:00,S1,first\n";
    try {
        importGtfs(dir, options());
        ADD_FAILURE() << "accepted a bad stop_sequence";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("stop_sequence"), std::string::npos) << e.what();
    }
    EXPECT_THROW(importGtfs(bus::test::containerRoot() / "nothing-here", options()), std::runtime_error);
}

TEST(GtfsTimes, ReadHoursPastMidnight) {
    EXPECT_EQ(parseGtfsTime("08:05:30"), 8 * 3600 + 5 * 60 + 30);
    EXPECT_EQ(parseGtfsTime(" 8:05:30"), 8 * 3600 + 5 * 60 + 30);
    EXPECT_EQ(parseGtfsTime("25:10:00"), 25 * 3600 + 10 * 60);
    EXPECT_FALSE(parseGtfsTime(""));
    EXPECT_FALSE(parseGtfsTime("08:65:00"));
    EXPECT_FALSE(parseGtfsTime("8.05"));
}

TEST(CsvTables, ReadQuotedFieldsLineEndsAndAByteOrderMark) {
    const auto t = CsvTable::parse("\xEF\xBB\xBF" "a, b ,c\r\n1,\"x, \"\"y\"\"\",3\r\n\r\n2,\"multi\nline\"\n4");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_TRUE(t.has("a"));
    EXPECT_TRUE(t.has("b"));
    EXPECT_EQ(t.get(0, "b"), "x, \"y\"");
    EXPECT_EQ(t.get(0, "c"), "3");
    EXPECT_EQ(t.get(1, "b"), "multi\nline");
    EXPECT_EQ(t.get(2, "a"), "4");
    EXPECT_EQ(t.get(2, "b"), "");  // a short row
    EXPECT_EQ(t.get(0, "missing"), "");
    EXPECT_THROW(CsvTable::parse("a\n\"open"), std::runtime_error);
}

}  // namespace
}  // namespace bus::standin
