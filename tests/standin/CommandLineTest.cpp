// The stand-in's options and the times they take.
#include <fstream>
#include <string_view>
#include <tuple>

#include <gtest/gtest.h>

#include "StandinTestSupport.h"
#include "standin/Options.h"
#include "support/TestSupport.h"

namespace bus::standin {
namespace {

const std::string kEnvKey = "3NV-k3y", kFileKey = "F1LE-k3y";

// Keys in the variable K and in the file key of $HOME, the test's folder.
Environment keys() {
    return test::environment({{"K", kEnvKey}, {"EMPTY", ""}, {"HOME", bus::test::containerRoot().string()}});
}

std::variant<CliOptions, std::string> parse(std::vector<const char*> args, const Environment& environment = keys()) {
    args.insert(args.begin(), "busreal-standin");
    return parseCommandLine(static_cast<int>(args.size()), args.data(), "/data", environment);
}

TEST(CommandLine, ReadsEveryOptionInBothSpellingsAndTheHelpNamesThem) {
    const std::vector<const char*> args = {"--data", "/d", "--host=0.0.0.0", "--advertise=bus.local",
        "--directory-port=18000", "--city=16", "--city", "1:18201",
        "--gtfs=/feed,name=示例,port=0,utc=-05:00,realtime=/rt.pb,realtime=https://rt/vp?key=a,poll=30", "--gtfs", "/feed2",
        "--time=2024-05-06T07:30:00+08:00", "--speed=60", "--service-hours", "--threads=3", "--quiet", "--any-ports"};
    const std::string help = helpText("/some/data");
    for (std::string_view a : args)
        EXPECT_TRUE(!a.starts_with("--") || help.find(a.substr(0, a.find('='))) != std::string::npos) << a;
    for (const std::string more : {"--help", "--no-bundled", "/some/data"}) EXPECT_NE(help.find(more), std::string::npos);
    EXPECT_NE(help.find(std::to_string(kDefaultDirectoryPort)), std::string::npos) << "the directory's default port";
    EXPECT_TRUE(std::get<CliOptions>(parse({"--help"})).help);
    const auto r = parse(args);
    ASSERT_TRUE(std::holds_alternative<CliOptions>(r)) << std::get<std::string>(r);
    const auto& o = std::get<CliOptions>(r);
    EXPECT_EQ(std::make_tuple(o.dataDir.string(), o.host, o.advertiseHost, o.directoryPort, o.startTime),
              std::make_tuple("/d", "0.0.0.0", "bus.local", 18000, test::at("2024-05-05T23:30:00Z")));
    EXPECT_EQ(std::tie(o.speed, o.serviceHours, o.threads, o.quiet, o.anyPorts), std::make_tuple(60.0, true, 3u, true, true));
    ASSERT_EQ(o.cities.size(), 2u);
    EXPECT_EQ(std::tie(o.cities[0].cityId, o.cities[0].port, o.cities[1].cityId, o.cities[1].port),
              std::make_tuple(16, std::nullopt, 1, 18201));
    ASSERT_EQ(o.feeds.size(), 2u);
    const auto &f = o.feeds[0], &g = o.feeds[1];
    EXPECT_EQ(std::make_tuple(f.folder.string(), f.options.name, f.options.port, f.options.cityId, f.options.utcOffsetSeconds),
              std::make_tuple("/feed", "示例", 0, 90, -5 * 3600));
    EXPECT_EQ(f.realtime, (std::vector<RealtimeSource>{{"/rt.pb"}, {"https://rt/vp?key=a"}}));
    // The second feed takes the next id, its own port and the usual polling.
    EXPECT_EQ(std::tie(f.pollSeconds, g.pollSeconds, g.options.cityId, g.options.port), std::make_tuple(30, 15, 91, 18191));
}

TEST(CommandLine, MistakesAreNamed) {
    const auto home = bus::test::containerRoot();
    const std::string directoryPort = std::to_string(kDefaultDirectoryPort);
    const std::string onDirectoryPort = "--city=16:" + directoryPort;
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
        {{"--city=16", "--city=16:18200"}, "--city: city 16 is already served by --city"},
        {{"--gtfs=/f", "--gtfs=/g,id=90"}, "--gtfs: city 90 is already served by --gtfs"},
        {{"--city=1:18190", "--gtfs=/f"}, "--gtfs: port 18190 is already taken by --city"},
        {{onDirectoryPort.c_str()}, "--city: port " + directoryPort + " is already taken by --directory-port"},
        {{"--config=/nowhere.conf"}, "--config: /nowhere.conf does not exist"},
        {{"--config=/a", "--session"}, "--config and --session exclude each other"},
        // realtime sources, whose keys no message shows
        {{"--gtfs=/f,header=a:b"}, "--gtfs: header= belongs to the realtime= before it, and none came before"},
        {{"--gtfs=/f,realtime=https://h/vp?token=3NV,k3y"}, "--gtfs: a part without = follows realtime= (a comma ends"},
        {{"--gtfs=/f,realtime=https://h/vp?token=3NV,k3y=x"}, "--gtfs: an unknown key follows realtime="},
        {{"--gtfs=/f,realtime=https://h/,header=a"}, "--gtfs: header= needs NAME:VALUE"},
        {{"--gtfs=/f,realtime={env:NOPE}"}, "--gtfs: the environment variable NOPE is not set"},
        {{"--gtfs=/f,realtime=https://h/?k={env:EMPTY}"}, "the environment variable EMPTY is empty"},
        {{"--gtfs=/f,realtime=https://h/{env:K"}, "a {env: placeholder has no closing }"},
        {{"--gtfs=/f,realtime=https://h/?k={file:~/none}"}, "the key file " + (home / "none").string() + " cannot be read (No such"},
        {{"--gtfs=/f,realtime=/rt.{env:K},header=a:{env:K}"}, "headers go only with an http(s) address, and /rt.*** is a file"},
        {{"--gtfs=/f,realtime=https://h/,header=x api:{env:K}"}, "a header name must be an HTTP token"},
        {{"--gtfs=/f,realtime=https://h/,header=a:{file:~/lines}"}, "the value of the header a holds a line break"},
        {{"--gtfs=/f,realtime=https://h/?x={env:K} "}, "--gtfs: the address \"https://h/?x=*** \" holds a space"},
    };
    std::ofstream(home / "lines") << kFileKey << "\n" << kFileKey << "\n";
    for (const auto& [args, says] : cases) {
        const auto r = parse(args);
        ASSERT_TRUE(std::holds_alternative<std::string>(r)) << says;
        const std::string& error = std::get<std::string>(r);
        EXPECT_NE(error.find(says), std::string::npos) << error;
        for (const auto* key : {"3NV", "k3y"}) EXPECT_EQ(error.find(key), std::string::npos) << error;
    }
    EXPECT_TRUE(std::holds_alternative<CliOptions>(parse({"--no-bundled", "--gtfs=/f"})));
}

// header= belongs to the realtime= before it; a key comes from {env:} or
// {file:} (~ under $HOME, the line end dropped) and every form of one shows as ***.
TEST(RealtimeKeys, HeadersAndPlaceholdersAreReadAndKeysShowAsStars) {
    std::ofstream(bus::test::containerRoot() / "key") << kFileKey << "\n";
    const auto r = parse({"--gtfs=/f,realtime=https://u:{env:K}@h/vp?api_key={file:~/key}&route=5,header=x-api-key: {env:K},"
                          "header=Accept:a/b,realtime=/srv/{env:K}.pb"});
    ASSERT_TRUE(std::holds_alternative<CliOptions>(r)) << std::get<std::string>(r);
    const auto& sources = std::get<CliOptions>(r).feeds.at(0).realtime;
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(std::tie(sources[0].address, sources[0].headers, sources[1].address, sources[1].headers),
              std::make_tuple("https://u:" + kEnvKey + "@h/vp?api_key=" + kFileKey + "&route=5",
                              std::vector<HttpHeader>{{"x-api-key", kEnvKey}, {"Accept", "a/b"}}, "/srv/" + kEnvKey + ".pb",
                              std::vector<HttpHeader>{}));
    const std::pair<RealtimeSource, const char*> cases[] = {
        {sources[0], "https://u:***@h/vp?api_key=***&route=5 [x-api-key: ***, Accept: ***]"},
        {sources[1], "/srv/***.pb"},
        {{"https://u:pw@h/vp?api_key=a&route=5&Token=b&apiKey=c&x-api-key=d&sig=e&code=f#top"},
         "https://u:***@h/vp?api_key=***&route=5&Token=***&apiKey=***&x-api-key=***&sig=***&code=***#top"},
        {{"https://KEY@h/vp?stop=1&&auth"}, "https://***@h/vp?stop=1&&auth"},  // a user alone may be the key
        {{"/srv/vp.pb?token=a"}, "/srv/vp.pb?token=a"},  // a file has no query
    };
    for (const auto& [source, shows] : cases) EXPECT_EQ(source.shown(), shows) << source.address;
}

TEST(Clocks, TimesAndOffsetsAreRead) {
    const TimePoint noonUtc(std::chrono::seconds(1714996800));
    for (const char* same : {"2024-05-06T12:00:00Z", "2024-05-06T20:00+08:00", "2024-05-06 07:00:00-05:00"})
        EXPECT_EQ(parseTime(same), noonUtc) << same;
    for (const char* bad : {"2024-02-30T12:00Z", "2024-05-06T24:00Z", "2024-05-06T12:00+8", "12:00"})
        EXPECT_FALSE(parseTime(bad)) << bad;
    EXPECT_EQ(std::make_tuple(parseUtcOffset("+0530"), parseUtcOffset("Z"), parseUtcOffset("+25:00")),
              std::make_tuple(std::optional(5 * 3600 + 30 * 60), std::optional(0), std::optional<int>()));
}

// The clock reads the machine's steady clock, so a reading is bracketed by
// steady-clock instants taken around it, whatever the machine's speed.
TEST(Clocks, AScaledClockRunsFromItsStartAtItsSpeed) {
    using std::chrono::steady_clock;
    const TimePoint start = test::at("2024-05-06T12:00:00Z");
    EXPECT_EQ(ScaledClock(start, 0.0).now(), start);
    const auto beforeStart = steady_clock::now();
    const ScaledClock fast(start, 3600.0);
    const auto afterStart = steady_clock::now();
    // A clock minute is a sixtieth of a real second; the bound is for a clock that never moves.
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
