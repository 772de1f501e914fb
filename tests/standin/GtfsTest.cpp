// Serving a published timetable: the small feed in tests/standin/feed.
#include <algorithm>
#include <chrono>
#include <fstream>
#include <tuple>

#include <gtest/gtest.h>

#include "StandinTestSupport.h"
#include "standin/Csv.h"
#include "standin/Gtfs.h"
#include "standin/LiveFeed.h"
#include "standin/Operations.h"
#include "support/TestSupport.h"

namespace bus::standin {
namespace {

using test::at;

// City 90 on Beijing time.
const GtfsOptions kOptions{90, "", 0, 8 * 3600};

TEST(Feed, EachRouteWithTripsBecomesALineWithItsMostCommonPattern) {
    const City city = importGtfs(BUS_STANDIN_TEST_FEED, kOptions);
    EXPECT_EQ(city.name, "示例公交");
    ASSERT_EQ(city.lines.size(), 2u);  // the route without trips is left out
    const Line& l101 = city.lines[0];
    EXPECT_EQ(std::tie(l101.lineName, l101.gjgs, l101.opTime), std::make_tuple("101", "示例公交", "07:40-09:00"));
    EXPECT_NE(l101.gprsId, 0);
    // Brackets would cut the app's stop array short; quotes and commas stay.
    const auto& outbound = l101.directions[0]->stops;
    EXPECT_EQ(outbound, (std::vector<std::string>{"北站", "广场, 南侧", "医院(东门)", "\"老\"街", "南站"}));
    EXPECT_EQ(l101.directions[1]->stops, std::vector(outbound.rbegin(), outbound.rend()));
    const Line& night = city.lines[1];
    EXPECT_EQ(night.lineName, "夜间环线");  // no short name: the long one
    EXPECT_TRUE(night.directions[0].has_value());
    EXPECT_FALSE(night.directions[1].has_value());
    // Without an offset given, the agency's time zone sets the clock; Asia/Shanghai keeps no summer time.
    if (std::filesystem::exists("/usr/share/zoneinfo/Asia/Shanghai")) {
        EXPECT_EQ(importGtfs(BUS_STANDIN_TEST_FEED, {}).utcOffsetSeconds, 8 * 3600);
    }
}

TEST(Feed, EveryTripOfTheRouteRunsOnTheLineByTheTimetableOnTheDaysTheCalendarGives) {
    const City city = importGtfs(BUS_STANDIN_TEST_FEED, kOptions);
    // line, direction, time in the feed's zone, the vehicles nearest the end first
    const std::tuple<std::string, int, const char*, const char*> cases[] = {
        // Monday: the first trip stands at the second stop, shown by its block.
        {"101", 0, "2024-05-06T08:05:10", "B7 2 at"},
        // It left the third stop (a blank time, spaced evenly to 08:10:15); the second trip left the first
        // stop, and the short one that skips the second stop is on its way to the third.
        {"101", 0, "2024-05-06T08:12:00", "B7 4 on, T3 3 on, T2 2 on"},
        {"101", 0, "2024-05-06T08:16:00", "B7 5 on, T3 3 at, T2 3 on"},
        // Other patterns: a branch via a stop off the line shows on its way to the next stop of the line.
        {"101", 0, "2024-05-06T08:50:00", "T4 5 on"},
        // One from off the line joins at a platform named as the second stop, and turns at the fourth.
        {"101", 0, "2024-05-06T08:32:00", "T8 2 on"},
        {"101", 0, "2024-05-06T08:35:10", "T8 2 at"},
        {"101", 0, "2024-05-06T08:45:00", "T4 5 on, T8 4 on"},
        // One on its way to the first stop from off the line, gone once no stop ahead is on the line.
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
    for (const auto& [name, direction, time, expected] : cases) {
        const auto line = std::find_if(city.lines.begin(), city.lines.end(), [&](const Line& l) { return l.lineName == name; });
        ASSERT_NE(line, city.lines.end()) << name;
        EXPECT_EQ(test::shown(vehiclesAt(city, *line, direction, at(std::string(time) + "+08:00"), {})), expected) << time;
    }
}

// A copy of the test feed whose files a case replaces.
class FeedCopy : public testing::Test {
protected:
    void SetUp() override { std::filesystem::copy(BUS_STANDIN_TEST_FEED, dir); }
    // null: the feed's own file; "": none.
    void replace(const char* file, const char* text) const {
        if (!text) return;
        std::filesystem::remove(dir / file);
        if (*text) std::ofstream(dir / file) << text;
    }
    const std::filesystem::path dir = bus::test::containerRoot() / "feed";
};

TEST_F(FeedCopy, TheTicketPriceIsTheRoutesFareWithItsCurrency) {
    // fare_attributes.txt, fare_rules.txt, the prices of line 101 and the night line
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {nullptr, nullptr, "2.00 CNY", "3.50 CNY"},  // the lowest of the fares a rule gives the route
        {"fare_id,price,currency_type\nA,1,USD\n", "", "1 USD", "1 USD"},  // the feed's only fare
        {"", "", "", ""},
    };
    for (const auto& [attributes, rules, line101, night] : cases) {
        replace("fare_attributes.txt", attributes);
        replace("fare_rules.txt", rules);
        const City city = importGtfs(dir, kOptions);
        EXPECT_EQ(std::tie(city.lines[0].ticketPrice, city.lines[1].ticketPrice), std::make_tuple(line101, night));
    }
}

// A favourite's live text, and a vehicle's, as riders of an English feed read them and those of any other.
TEST_F(FeedCopy, LiveTextsAreEnglishForAnEnglishFeedAndTheChineseOnesForAnyOther) {
    // feed_lang (null: no feed_info.txt), agency_lang, English
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"en", "", true},         {"en-US", "zh", true}, {"EN", "", true},  {"mul", "en", true},
        {nullptr, "EN-GB", true}, {"zh", "en", false},   {"fr", "", false}, {nullptr, "", false}};
    using Texts = std::vector<std::string>;
    const Texts english = {"", "Arrived", "1 stop", "2 stops", "Arriving", "Passed", "1 min", "3 min"};
    const Texts chinese = {"", "已到站", "还有1站", "还有2站", "即将到站", "已过站", "还有1分钟", "还有3分钟"};
    const auto live = dir / "live.pb";
    for (const auto& [feedLang, agencyLang, inEnglish] : cases) {
        replace("agency.txt", (std::string("agency_id,agency_name,agency_url,agency_timezone,agency_lang\n"
                                           "A1,示例公交,http://127.0.0.1/,Asia/Shanghai,") + agencyLang + "\n").c_str());
        replace("feed_info.txt", feedLang ? ("feed_publisher_name,feed_publisher_url,feed_lang\nP,http://127.0.0.1/," +
                                             std::string(feedLang) + "\n").c_str() : "");
        const auto city = std::make_shared<const City>(importGtfs(dir, kOptions));
        const std::int64_t line = city->lines[0].gprsId;
        ManualClock clock(at("2024-05-06T08:05:10+08:00"));  // B7 stands at the second stop
        test::MemoryLog log;
        LiveFeed feed(city, LiveSources{{live.string()}}, "city 90", clock, log.log());
        const CityService service(city, clock, {}, &feed);
        Texts texts;  // none comes to the first stop any more: ""
        for (int stop : {1, 2, 3, 4}) texts.push_back(service.realBusStation(line, stop, 0));
        clock.set(at("2024-05-06T08:12:00+08:00"));  // on its way to the fourth
        texts.push_back(service.realBusStation(line, 4, 0));
        texts.push_back(service.realBus(line, 3, 0)[0]["toNextStop"]);
        const auto now = std::chrono::system_clock::to_time_t(clock.now());
        for (int seconds : {60, 150}) {  // due at the fifth by a trip update
            std::ofstream(live, std::ios::binary) << test::message(now, "trip_update { trip { trip_id: 'T1' } "
                "stop_time_update { stop_sequence: 5 arrival { time: " + std::to_string(now + seconds) + " } } }");
            feed.poll();
            texts.push_back(service.realBusStation(line, 5, 0));
        }
        EXPECT_EQ(texts, inEnglish ? english : chinese) << (feedLang ? feedLang : "no feed_info.txt") << " " << agencyLang;
    }
}

const std::string kHeader = "trip_id,arrival_time,departure_time,stop_id,stop_sequence\n";  // of stop_times.txt

TEST_F(FeedCopy, AFaultyFeedIsRefusedNamingTheFile) {
    const std::pair<std::string, const char*> cases[] = {
        // stop_times.txt ("": none), what the fault names
        {"", "stop_times.txt"},
        {kHeader + "T1,08:00:00,08:00:00,S1,first\n", "stop_sequence"},
        {std::string("\xFF\xFEt\0r\0i\0p\0", 10), "stop_times.txt: the text is UTF-16LE"},
        // hostile values: a time that is none, a negative or huge sequence
        {kHeader + "T1,08:00:00,08:00:00,S1,1\nT1,99:99:99,,S2,2\n",
         "stop_times.txt: bad arrival_time \"99:99:99\" in row 2 (line 3 of the file, trip T1)"},
        {kHeader + "T1,08:00:00,08:00:00,S1,-1\n", "bad stop_sequence in row 1 (line 2 of the file, trip T1)"},
        {kHeader + "T1,08:00:00,08:00:00,S1,4294967297\n", "bad stop_sequence in row 1"},
    };
    for (const auto& [stopTimes, says] : cases) {
        replace("stop_times.txt", stopTimes.c_str());
        test::expectRefused([&] { importGtfs(dir, kOptions); }, says);
    }
    EXPECT_THROW(importGtfs(bus::test::containerRoot() / "nothing-here", kOptions), std::runtime_error);
}

TEST_F(FeedCopy, ALineRunningPastMidnightKeepsItsLastHourPastTwentyFour) {
    replace("stop_times.txt", (kHeader + "T1,07:40:00,07:40:00,S1,1\nT1,07:50:00,07:50:00,S2,2\n"
                               "T2,25:45:00,25:45:00,S1,1\nT2,25:55:00,25:55:00,S2,2\n").c_str());
    EXPECT_EQ(importGtfs(dir, kOptions).lines.at(0).opTime, "07:40-25:45");
}

// Even spacing over a long run of blank times between far apart ones, worked out without overflow.
TEST_F(FeedCopy, BlankTimesAreSpacedEvenlyBetweenTheKnownOnes) {
    std::string rows = kHeader + "T1,00:00:00,00:00:00,S1,0\n";
    for (int i = 1; i < 20000; ++i) rows += "T1,,,S" + std::to_string(1 + i % 2) + "," + std::to_string(i) + "\n";
    replace("stop_times.txt", (rows + "T1,40:00:00,40:00:00,S1,20000\n").c_str());
    const City city = importGtfs(dir, kOptions);
    const auto& calls = city.lines.at(0).directions[0]->trips.at(0).calls;
    ASSERT_EQ(calls.size(), 20001u);
    EXPECT_EQ(std::make_pair(calls[5000].arrival, calls[15000].departure), std::make_pair(10 * 3600, 30 * 3600));
}

TEST(GtfsTimes, ReadHoursPastMidnightAndRefuseOthers) {
    EXPECT_EQ(parseGtfsTime(" 8:05:30"), 8 * 3600 + 5 * 60 + 30);
    EXPECT_EQ(parseGtfsTime("25:10:00"), 25 * 3600 + 10 * 60);
    for (const char* bad : {"", "08:65:00", "8.05"}) EXPECT_FALSE(parseGtfsTime(bad)) << bad;
}

// The text in memory, then a file read in blocks of every small size, so that a block
// ends at every byte: inside a doubled quote, between CR and LF, in a multi-line field.
TEST(CsvTables, QuotedFieldsLineEndsAndAByteOrderMarkReadTheSameInAnyBlocks) {
    const std::string text = "\xEF\xBB\xBFid, name \r\n1,\"say \"\"hi\"\"\"\r\n\r\n2,\"two\nlines\",x\r3\n4,plain";
    const std::vector<std::pair<std::string, std::size_t>> records = {
        {"say \"hi\"", 2}, {"two\nlines", 4}, {"", 6}, {"plain", 7}};  // the name (short row: none), the line
    const auto file = bus::test::containerRoot() / "t.txt";
    std::ofstream(file, std::ios::binary) << text;
    for (std::size_t block = 0; block <= text.size(); ++block) {
        auto reader = block ? CsvReader::open(file, block) : std::optional<CsvReader>(CsvReader(text));
        ASSERT_TRUE(reader);
        EXPECT_EQ(reader->field(reader->column("missing")), "");
        std::size_t n = 0;
        for (; reader->next(); ++n) {
            ASSERT_LT(n, records.size()) << block;
            EXPECT_EQ(reader->field(reader->column("id")), std::to_string(n + 1)) << block;
            EXPECT_EQ(reader->field(reader->column("name")), records[n].first) << block;
            EXPECT_EQ(reader->line(), records[n].second) << block;
        }
        EXPECT_EQ(n, records.size()) << block;
    }
    EXPECT_EQ(CsvTable::parse("a,b\n1").get(0, "b"), "");  // a short row
    EXPECT_THROW(CsvTable::parse("a\n\"open"), std::runtime_error);
}

// A field of many blocks, with doubled quotes and line breaks across their
// ends, is scanned once: scanned again with every block added it would take
// minutes here, so the loose bound still tells.
TEST(CsvTables, OneFieldOfManyBlocksIsReadWholeInTimeLinearInItsSize) {
    std::string field(8 << 20, 'x');
    for (std::size_t i = 0; i < field.size(); i += 1009) field[i] = i % 2 ? '"' : '\n';
    std::string quoted;
    quoted.reserve(field.size() * 2);
    for (char c : field) quoted.append(c == '"' ? 2 : 1, c);
    const auto file = bus::test::containerRoot() / "huge.txt";
    std::ofstream(file, std::ios::binary) << "id,name\n1,\"" << quoted << "\"\n2,after\n";
    const auto t0 = std::chrono::steady_clock::now();
    auto reader = CsvReader::open(file, 1024);
    ASSERT_TRUE(reader && reader->next());
    EXPECT_TRUE(reader->field(1) == field);
    ASSERT_TRUE(reader->next());
    EXPECT_EQ(reader->field(1), "after");
    EXPECT_EQ(reader->line(), 3 + static_cast<std::size_t>(std::count(field.begin(), field.end(), '\n')));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
}

TEST(CsvTables, TextThatIsNotUtf8IsRefusedNamingItsEncoding) {
    using namespace std::string_literals;
    const std::pair<std::string, const char*> cases[] = {
        {"\xFF\xFEs\0t\0o\0p\0"s, "the text is UTF-16LE (byte order mark FF FE)"},
        {"\xFE\xFF\0s\0t\0o\0p"s, "the text is UTF-16BE (byte order mark FE FF)"},
        {"s\0t\0o\0p\0"s, "the text is UTF-16LE (no byte order mark)"},
        {"\xFF\xFE\0\0s\0\0\0"s, "the text is UTF-32LE"},
        {"stop_name\nCaf\xE9\n", "line 2 is not UTF-8 (byte 0xE9)"},  // Latin-1
        {"stop_name\n\xED\xA0\x80\n", "line 2 is not UTF-8"},        // a surrogate
    };
    for (const auto& [text, says] : cases)
        test::expectRefused([&] { CsvTable::parse(text, "stops.txt"); }, std::string("stops.txt: ") + says);
    EXPECT_EQ(CsvTable::parse("stop_name\n大同\xF0\x9F\x9A\x8C\n").get(0, "stop_name"), "大同\xF0\x9F\x9A\x8C");
}

}  // namespace
}  // namespace bus::standin
