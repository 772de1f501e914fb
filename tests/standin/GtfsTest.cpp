// Serving a published timetable: the small feed in tests/standin/feed.
#include <fstream>

#include <gtest/gtest.h>

#include "StandinTestSupport.h"
#include "standin/Csv.h"
#include "standin/Gtfs.h"
#include "standin/Vehicles.h"
#include "support/TestSupport.h"

namespace bus::standin {
namespace {

using test::at;

// City 90 on Beijing time.
const GtfsOptions kOptions{90, "", 0, 8 * 3600};

class Feed : public testing::Test {
protected:
    const City city = importGtfs(BUS_STANDIN_TEST_FEED, kOptions);
    const Line& line(const std::string& name) {
        for (const auto& l : city.lines)
            if (l.lineName == name) return l;
        ADD_FAILURE() << "no line " << name;
        return city.lines.front();
    }
    // The vehicles of a line at a time of day, as "plate stop at|on", nearest
    // the end first.
    std::string vehicles(const std::string& lineName, int direction, const std::string& time) {
        std::string out;
        for (const auto& v : vehiclesAt(city, line(lineName), direction, at(time + "+08:00"), {})) {
            out += (out.empty() ? "" : ", ") + v.licensePlate + " " + std::to_string(v.stationNo) + (v.inStation ? " at" : " on");
        }
        return out;
    }
};

TEST_F(Feed, EachRouteWithTripsBecomesALineWithItsMostCommonPattern) {
    EXPECT_EQ(city.name, "示例公交");
    ASSERT_EQ(city.lines.size(), 2u);  // the route without trips is left out
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

TEST_F(Feed, VehiclesRunByTheTimetableOnTheDaysTheCalendarGives) {
    struct Case {
        const char* line;
        int direction;
        const char* time;  // in the feed's zone
        const char* expected;
    };
    const Case cases[] = {
        // Monday: the first trip stands at the second stop, shown by its block.
        {"101", 0, "2024-05-06T08:05:10", "B7 2 at"},
        // It left the third stop (a blank time, spaced evenly to 08:10:15);
        // the second trip and the short one left the first stop.
        {"101", 0, "2024-05-06T08:12:00", "B7 3 on, T2 1 on, T3 1 on"},
        {"101", 0, "2024-05-06T08:16:00", "B7 4 on, T3 3 at, T2 2 on"},  // the short trip calls at 1 and 3
        {"101", 0, "2024-05-06T08:45:00", ""},   // the trip on another pattern never shows
        {"101", 1, "2024-05-06T08:07:00", "T5 2 on"},  // the other direction runs its own trip
        {"101", 0, "2024-05-04T08:12:00", ""},   // Saturday: no weekday trips
        {"101", 0, "2024-05-04T09:07:00", "T6 2 on"},  // but the weekend one
        // 1 May is a holiday: weekday service removed, weekend service added.
        {"101", 0, "2024-05-01T08:12:00", ""},
        {"101", 0, "2024-05-01T09:07:00", "T6 2 on"},
        {"101", 0, "2025-01-06T08:12:00", ""},  // outside the calendar's dates
        {"101", 0, "2024-05-06T03:00:00", ""},  // a timetable keeps its own hours
        // Trips past midnight belong to the day they started.
        {"夜间环线", 0, "2024-05-07T00:05:10", "T7 2 at"},  // Monday's 23:50 trip
        {"夜间环线", 0, "2024-05-05T00:05:10", ""},   // after Saturday
    };
    for (const auto& c : cases) EXPECT_EQ(vehicles(c.line, c.direction, c.time), c.expected) << c.time;
}

TEST(FeedImport, TheAgencyTimeZoneSetsTheClockOfTheCity) {
    if (!std::filesystem::exists("/usr/share/zoneinfo/Asia/Shanghai")) GTEST_SKIP() << "no time zone data (tzdata)";
    const City city = importGtfs(BUS_STANDIN_TEST_FEED, {});
    EXPECT_EQ(city.utcOffsetSeconds, 8 * 3600);  // Asia/Shanghai keeps no summer time
}

TEST(FeedImport, AFaultyFeedIsRefusedNamingTheFile) {
    const auto dir = bus::test::containerRoot() / "feed";
    std::filesystem::copy(BUS_STANDIN_TEST_FEED, dir);
    const std::pair<const char*, const char*> cases[] = {
        // stop_times.txt ("": none), what the fault names
        {"", "stop_times.txt"},
        {"trip_id,arrival_time,departure_time,stop_id,stop_sequence\nT1,08:00:00,08:00:00,S1,first\n", "stop_sequence"},
    };
    for (const auto& [stopTimes, says] : cases) {
        std::filesystem::remove(dir / "stop_times.txt");
        if (*stopTimes) std::ofstream(dir / "stop_times.txt") << stopTimes;
        try {
            importGtfs(dir, kOptions);
            ADD_FAILURE() << "accepted, not refused for " << says;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(importGtfs(bus::test::containerRoot() / "nothing-here", kOptions), std::runtime_error);
}

TEST(GtfsTimes, ReadHoursPastMidnightAndRefuseOthers) {
    EXPECT_EQ(parseGtfsTime(" 8:05:30"), 8 * 3600 + 5 * 60 + 30);
    EXPECT_EQ(parseGtfsTime("25:10:00"), 25 * 3600 + 10 * 60);
    for (const char* bad : {"", "08:65:00", "8.05"}) EXPECT_FALSE(parseGtfsTime(bad)) << bad;
}

TEST(CsvTables, ReadQuotedFieldsLineEndsAndAByteOrderMark) {
    const auto t = CsvTable::parse("\xEF\xBB\xBF" "a, b ,c\r\n1,\"x, \"\"y\"\"\",3\r\n\r\n2,\"multi\nline\"\n4");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_TRUE(t.has("a") && t.has("b"));
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
