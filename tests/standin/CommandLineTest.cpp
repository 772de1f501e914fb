// The stand-in's options and the times they take.
#include <string_view>

#include <gtest/gtest.h>

#include "StandinTestSupport.h"
#include "standin/Options.h"

namespace bus::standin {
namespace {

std::variant<CliOptions, std::string> parse(std::vector<const char*> args) {
    args.insert(args.begin(), "busreal-standin");
    return parseCommandLine(static_cast<int>(args.size()), args.data(), "/data");
}

TEST(CommandLine, ReadsEveryOptionInBothSpellingsAndTheHelpNamesThem) {
    const std::vector<const char*> args = {
        "--data", "/d", "--host=0.0.0.0", "--advertise=bus.local", "--directory-port=18000", "--city=16", "--city",
        "1:18201", "--gtfs=/feed,name=示例,port=0,utc=-05:00,realtime=/rt.pb,realtime=https://rt/vp?key=a,poll=30", "--gtfs", "/feed2", "--time=2024-05-06T07:30:00+08:00",
        "--speed=60", "--service-hours", "--threads=3", "--quiet", "--any-ports"};
    const std::string help = helpText("/some/data");
    for (std::string_view a : args)
        EXPECT_TRUE(!a.starts_with("--") || help.find(a.substr(0, a.find('='))) != std::string::npos) << a;
    for (const char* more : {"--help", "--no-bundled", "/some/data", "18080"}) EXPECT_NE(help.find(more), std::string::npos);
    EXPECT_TRUE(std::get<CliOptions>(parse({"--help"})).help);
    const auto r = parse(args);
    ASSERT_TRUE(std::holds_alternative<CliOptions>(r)) << std::get<std::string>(r);
    const auto& o = std::get<CliOptions>(r);
    EXPECT_EQ(o.dataDir, "/d");
    EXPECT_EQ(o.host, "0.0.0.0");
    EXPECT_EQ(o.advertiseHost, "bus.local");
    EXPECT_EQ(o.directoryPort, 18000);
    ASSERT_EQ(o.cities.size(), 2u);
    EXPECT_EQ(o.cities[0].cityId, 16);
    EXPECT_FALSE(o.cities[0].port.has_value());
    EXPECT_EQ(o.cities[1].port, 18201);
    ASSERT_EQ(o.feeds.size(), 2u);
    EXPECT_EQ(o.feeds[0].folder, "/feed");
    EXPECT_EQ(o.feeds[0].options.name, "示例");
    EXPECT_EQ(o.feeds[0].options.port, 0);
    EXPECT_EQ(o.feeds[0].options.cityId, 90);
    EXPECT_EQ(o.feeds[0].options.utcOffsetSeconds, -5 * 3600);
    EXPECT_EQ(o.feeds[0].realtime, (std::vector<std::string>{"/rt.pb", "https://rt/vp?key=a"}));
    EXPECT_EQ(o.feeds[0].pollSeconds, 30);
    EXPECT_EQ(o.feeds[1].pollSeconds, 15);
    EXPECT_EQ(o.feeds[1].options.cityId, 91);
    EXPECT_EQ(o.feeds[1].options.port, 18191);
    EXPECT_EQ(o.startTime, test::at("2024-05-05T23:30:00Z"));
    EXPECT_EQ(o.speed, 60.0);
    EXPECT_TRUE(o.serviceHours);
    EXPECT_EQ(o.threads, 3u);
    EXPECT_TRUE(o.quiet);
    EXPECT_TRUE(o.anyPorts);
}

TEST(CommandLine, MistakesAreNamed) {
    const std::pair<std::vector<const char*>, std::string> cases[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"stray"}, "unexpected argument \"stray\""},
        {{"--data"}, "--data needs a value"},
        {{"--quiet=yes"}, "--quiet takes no value"},
        {{"--directory-port=70000"}, "0..65535"},
        {{"--city=dt"}, "city id"},
        {{"--time=tomorrow"}, "--time"},
        {{"--speed=-1"}, "--speed"},
        {{"--gtfs=/f,colour=red"}, "colour"},
        {{"--gtfs=/f,poll=0"}, "poll must be 1..3600"},
        {{"--gtfs=/f,realtime="}, "realtime needs"},
        {{"--threads=0"}, "--threads"},
        {{"--no-bundled"}, "--gtfs"},
        {{"--no-bundled", "--gtfs=/f", "--city=16"}, "exclude"},
    };
    for (const auto& [args, says] : cases) {
        const auto r = parse(args);
        const auto* error = std::get_if<std::string>(&r);
        ASSERT_NE(error, nullptr) << says;
        EXPECT_NE(error->find(says), std::string::npos) << *error;
    }
    EXPECT_TRUE(std::holds_alternative<CliOptions>(parse({"--no-bundled", "--gtfs=/f"})));
}

TEST(Clocks, TimesAndOffsetsAreRead) {
    const TimePoint noonUtc(std::chrono::seconds(1714996800));
    EXPECT_EQ(parseTime("2024-05-06T12:00:00Z"), noonUtc);
    EXPECT_EQ(parseTime("2024-05-06T20:00+08:00"), noonUtc);
    EXPECT_EQ(parseTime("2024-05-06 07:00:00-05:00"), noonUtc);
    for (const char* bad : {"2024-02-30T12:00Z", "2024-05-06T24:00Z", "2024-05-06T12:00+8", "12:00"})
        EXPECT_FALSE(parseTime(bad)) << bad;
    EXPECT_EQ(parseUtcOffset("+0530"), 5 * 3600 + 30 * 60);
    EXPECT_EQ(parseUtcOffset("Z"), 0);
    EXPECT_FALSE(parseUtcOffset("+25:00"));
}

// The clock reads the machine's steady clock, so each reading is bracketed by
// steady-clock instants taken around it instead of assuming how fast the
// machine runs.
TEST(Clocks, AScaledClockRunsFromItsStartAtItsSpeed) {
    using std::chrono::steady_clock;
    const TimePoint start = test::at("2024-05-06T12:00:00Z");
    EXPECT_EQ(ScaledClock(start, 0.0).now(), start);
    const auto beforeStart = steady_clock::now();
    const ScaledClock fast(start, 3600.0);
    const auto afterStart = steady_clock::now();
    // A clock minute is a sixtieth of a real second at that speed; the bound
    // is for a clock that never moves.
    while (fast.now() < start + std::chrono::minutes(1) && steady_clock::now() - afterStart < std::chrono::seconds(20)) {
    }
    const auto beforeRead = steady_clock::now();
    const TimePoint read = fast.now();
    const auto afterRead = steady_clock::now();
    EXPECT_GE(read - start, (beforeRead - afterStart) * 3600);
    EXPECT_LE(read - start, (afterRead - beforeStart) * 3600);
}

}  // namespace
}  // namespace bus::standin
