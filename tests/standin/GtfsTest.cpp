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
    EXPECT_EQ(l101.opTime, "07:40-09:00");
    // Brackets would cut the app's stop array short; quotes and commas stay.
    EXPECT_EQ(l101.directions[0]->stops,
              (std::vector<std::string>{"北站", "广场, 南侧", "医院(东门)", "\"老\"街", "南站"}));
    EXPECT_EQ(l101.directions[1]->stops,
              (std::vector<std::string>{"南站", "\"老\"街", "医院(东门)", "广场, 南侧", "北站"}));
    const Line& night = line("夜间环线");  // no short name: the long one
    EXPECT_TRUE(night.directions[0].has_value());
    EXPECT_FALSE(night.directions[1].has_value());
}

TEST_F(Feed, EveryTripOfTheRouteRunsOnTheLineByTheTimetableOnTheDaysTheCalendarGives) {
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
        // the second trip left the first stop, and the short one that skips
        // the second stop is on its way to the third.
        {"101", 0, "2024-05-06T08:12:00", "B7 4 on, T3 3 on, T2 2 on"},
        {"101", 0, "2024-05-06T08:16:00", "B7 5 on, T3 3 at, T2 3 on"},
        // Other patterns of the route. A branch via a stop off the line shows
        // on its way to the next stop of the line it calls at.
        {"101", 0, "2024-05-06T08:50:00", "T4 5 on"},
        // A trip from a stop off the line joins at a platform with another id
        // and the same name as the second stop, and turns at the fourth.
        {"101", 0, "2024-05-06T08:32:00", "T8 2 on"},
        {"101", 0, "2024-05-06T08:35:10", "T8 2 at"},
        {"101", 0, "2024-05-06T08:45:00", "T4 5 on, T8 4 on"},
        // One on its way to the first stop from off the line, then gone once
        // none of its stops ahead is on the line.
        {"101", 0, "2024-05-06T07:45:00", "T9 1 on"},
        {"101", 0, "2024-05-06T07:55:10", "T9 2 at"},
        {"101", 0, "2024-05-06T07:57:00", ""},
        {"101", 1, "2024-05-06T08:07:00", "T5 3 on"},  // the other direction runs its own trip
        {"101", 0, "2024-05-04T08:12:00", ""},   // Saturday: no weekday trips
        {"101", 0, "2024-05-04T09:07:00", "T6 3 on"},  // but the weekend one
        // 1 May is a holiday: weekday service removed, weekend service added.
        {"101", 0, "2024-05-01T08:12:00", ""},
        {"101", 0, "2024-05-01T09:07:00", "T6 3 on"},
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

TEST(FeedImport, TheTicketPriceIsTheRoutesFareWithItsCurrency) {
    const auto dir = bus::test::containerRoot() / "feed";
    std::filesystem::copy(BUS_STANDIN_TEST_FEED, dir);
    struct Case {
        const char* attributes;  // fare_attributes.txt: null as the feed has it, "" none
        const char* rules;       // fare_rules.txt, the same way
        const char* line101;
        const char* night;
    };
    const Case cases[] = {
        {nullptr, nullptr, "2.00 CNY", "3.50 CNY"},  // the lowest of the fares a rule gives the route
        {"fare_id,price,currency_type\nA,1,USD\n", "", "1 USD", "1 USD"},  // the feed's only fare
        {"", "", "", ""},
    };
    for (const auto& c : cases) {
        for (const auto& [file, text] : {std::pair{"fare_attributes.txt", c.attributes}, {"fare_rules.txt", c.rules}}) {
            if (!text) continue;
            std::filesystem::remove(dir / file);
            if (*text) std::ofstream(dir / file) << text;
        }
        const City city = importGtfs(dir, kOptions);
        EXPECT_EQ(city.lines[0].ticketPrice, c.line101);
        EXPECT_EQ(city.lines[1].ticketPrice, c.night);
    }
}

TEST(FeedImport, AFaultyFeedIsRefusedNamingTheFile) {
    const auto dir = bus::test::containerRoot() / "feed";
    std::filesystem::copy(BUS_STANDIN_TEST_FEED, dir);
    using namespace std::string_literals;
    const std::pair<std::string, const char*> cases[] = {
        // stop_times.txt ("": none), what the fault names
        {"", "stop_times.txt"},
        {"trip_id,arrival_time,departure_time,stop_id,stop_sequence\nT1,08:00:00,08:00:00,S1,first\n", "stop_sequence"},
        {"\xFF\xFEt\0r\0i\0p\0"s, "stop_times.txt: the text is UTF-16LE"},
    };
    for (const auto& [stopTimes, says] : cases) {
        std::filesystem::remove(dir / "stop_times.txt");
        if (!stopTimes.empty()) std::ofstream(dir / "stop_times.txt") << stopTimes;
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

// A file read in blocks of every small size, so that a block ends at every
// byte: inside a doubled quote, between CR and LF, in a multi-line field.
TEST(CsvTables, AFileReadInBlocksGivesTheRecordsOfTheWholeText) {
    const std::string text = "\xEF\xBB\xBFid,name\r\n1,\"say \"\"hi\"\"\"\r\n\r\n2,\"two\nlines\",x\r3,plain\n";
    const std::vector<std::vector<std::string>> records = {{"1", "say \"hi\""}, {"2", "two\nlines"}, {"3", "plain"}};
    const std::vector<std::size_t> lines = {2, 4, 6};
    const auto file = bus::test::containerRoot() / "t.txt";
    std::ofstream(file, std::ios::binary) << text;
    for (std::size_t block = 1; block <= text.size(); ++block) {
        auto reader = CsvReader::open(file, block);
        ASSERT_TRUE(reader);
        std::size_t n = 0;
        for (; reader->next(); ++n) {
            ASSERT_LT(n, records.size()) << block;
            EXPECT_EQ(reader->field(reader->column("id")), records[n][0]) << block;
            EXPECT_EQ(reader->field(reader->column("name")), records[n][1]) << block;
            EXPECT_EQ(reader->line(), lines[n]) << block;
        }
        EXPECT_EQ(n, records.size()) << block;
    }
}

TEST(CsvTables, TextThatIsNotUtf8IsRefusedNamingItsEncoding) {
    using namespace std::string_literals;
    const std::pair<std::string, const char*> cases[] = {
        {"\xFF\xFEs\0t\0o\0p\0"s, "UTF-16LE (byte order mark FF FE)"},
        {"\xFE\xFF\0s\0t\0o\0p"s, "UTF-16BE (byte order mark FE FF)"},
        {"s\0t\0o\0p\0"s, "UTF-16LE (no byte order mark)"},
        {"\xFF\xFE\0\0s\0\0\0"s, "UTF-32LE"},
        {"stop_name\nCaf\xE9\n", "line 2 is not UTF-8 (byte 0xE9)"},  // Latin-1
        {"stop_name\n\xED\xA0\x80\n", "line 2 is not UTF-8"},        // a surrogate
    };
    for (const auto& [text, says] : cases) {
        try {
            CsvTable::parse(text, "stops.txt");
            ADD_FAILURE() << "accepted: " << says;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(std::string("stops.txt: ") + (says[0] == 'l' ? "" : "the text is ") + says),
                      std::string::npos)
                << e.what();
        }
    }
    EXPECT_EQ(CsvTable::parse("stop_name\n大同\xF0\x9F\x9A\x8C\n").get(0, "stop_name"), "大同\xF0\x9F\x9A\x8C");
}

}  // namespace
}  // namespace bus::standin
