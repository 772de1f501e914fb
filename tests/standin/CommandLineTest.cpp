// The stand-in's options and the times they take.
#include <gtest/gtest.h>

#include "StandinTestSupport.h"
#include "standin/Options.h"

namespace bus::standin {
namespace {

std::variant<CliOptions, std::string> parse(std::vector<const char*> args) {
    args.insert(args.begin(), "busreal-standin");
    return parseCommandLine(static_cast<int>(args.size()), args.data(), "/data");
}

std::string errorOf(std::vector<const char*> args) {
    auto r = parse(std::move(args));
    const auto* e = std::get_if<std::string>(&r);
    return e ? *e : "accepted";
}

TEST(CommandLine, DefaultsServeEveryBundledCityOnItsOwnPortFromTheRealClock) {
    const auto r = parse({});
    ASSERT_TRUE(std::holds_alternative<CliOptions>(r));
    const auto& o = std::get<CliOptions>(r);
    EXPECT_FALSE(o.help);
    EXPECT_EQ(o.dataDir, "/data");
    EXPECT_EQ(o.host, "127.0.0.1");
    EXPECT_FALSE(o.directoryPort.has_value());
    EXPECT_TRUE(o.cities.empty());
    EXPECT_FALSE(o.startTime.has_value());
    EXPECT_EQ(o.speed, 1.0);
    EXPECT_FALSE(o.serviceHours);
}

TEST(CommandLine, ReadsEveryOptionInBothSpellings) {
    const auto r = parse({"--data", "/d", "--host=0.0.0.0", "--advertise=bus.local", "--directory-port=18000",
                          "--city=16", "--city", "1:18201", "--gtfs=/feed,name=示例,port=0,utc=-05:00",
                          "--gtfs", "/feed2", "--time=2024-05-06T07:30:00+08:00", "--speed=60", "--service-hours",
                          "--threads=3", "--quiet", "--any-ports"});
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
    EXPECT_EQ(errorOf({"--bogus"}), "unknown option --bogus");
    EXPECT_EQ(errorOf({"stray"}), "unexpected argument \"stray\"");
    EXPECT_EQ(errorOf({"--data"}), "--data needs a value");
    EXPECT_EQ(errorOf({"--quiet=yes"}), "--quiet takes no value");
    EXPECT_NE(errorOf({"--directory-port=70000"}).find("0..65535"), std::string::npos);
    EXPECT_NE(errorOf({"--city=dt"}).find("city id"), std::string::npos);
    EXPECT_NE(errorOf({"--time=tomorrow"}).find("--time"), std::string::npos);
    EXPECT_NE(errorOf({"--speed=-1"}).find("--speed"), std::string::npos);
    EXPECT_NE(errorOf({"--gtfs=/f,colour=red"}).find("colour"), std::string::npos);
    EXPECT_NE(errorOf({"--threads=0"}).find("--threads"), std::string::npos);
    EXPECT_NE(errorOf({"--no-bundled"}).find("--gtfs"), std::string::npos);
    EXPECT_NE(errorOf({"--no-bundled", "--gtfs=/f", "--city=16"}).find("exclude"), std::string::npos);
    EXPECT_EQ(errorOf({"--no-bundled", "--gtfs=/f"}), "accepted");
}

TEST(CommandLine, HelpNamesEveryOptionAndTheDataFolder) {
    const std::string help = helpText("/some/data");
    for (const char* opt : {"--host", "--advertise", "--directory-port", "--city", "--any-ports", "--data", "--gtfs",
                            "--time", "--speed", "--service-hours", "--threads", "--quiet", "--help", "--no-bundled"})
        EXPECT_NE(help.find(opt), std::string::npos) << opt;
    EXPECT_NE(help.find("/some/data"), std::string::npos);
    EXPECT_NE(help.find("18080"), std::string::npos);
    EXPECT_TRUE(std::get<CliOptions>(parse({"--help"})).help);
}

TEST(Clocks, TimesAndOffsetsAreRead) {
    EXPECT_EQ(parseTime("2024-05-06T12:00:00Z"), TimePoint(std::chrono::seconds(1714996800)));
    EXPECT_EQ(parseTime("2024-05-06T20:00+08:00"), TimePoint(std::chrono::seconds(1714996800)));
    EXPECT_EQ(parseTime("2024-05-06 07:00:00-05:00"), TimePoint(std::chrono::seconds(1714996800)));
    EXPECT_FALSE(parseTime("2024-02-30T12:00Z"));
    EXPECT_FALSE(parseTime("2024-05-06T24:00Z"));
    EXPECT_FALSE(parseTime("2024-05-06T12:00+8"));
    EXPECT_FALSE(parseTime("12:00"));
    EXPECT_EQ(parseUtcOffset("+0530"), 5 * 3600 + 30 * 60);
    EXPECT_EQ(parseUtcOffset("Z"), 0);
    EXPECT_FALSE(parseUtcOffset("+25:00"));
}

TEST(Clocks, AScaledClockRunsFromItsStartAtItsSpeed) {
    const TimePoint start = test::at("2024-05-06T12:00:00Z");
    const ScaledClock frozen(start, 0.0);
    EXPECT_EQ(frozen.now(), start);
    EXPECT_EQ(frozen.now(), start);
    const ScaledClock fast(start, 3600.0);
    const TimePoint a = fast.now();
    EXPECT_GE(a, start);
    EXPECT_LT(a, start + std::chrono::hours(1));  // less than a real second since it began
    ManualClock manual(start);
    manual.advance(std::chrono::minutes(5));
    EXPECT_EQ(manual.now(), start + std::chrono::minutes(5));
}

}  // namespace
}  // namespace bus::standin
