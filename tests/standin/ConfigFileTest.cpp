// The configuration file of --config and --session: what it serves, its
// faults named by file and line, where --session looks for it, and the
// command line on top of it.
#include <fstream>
#include <tuple>

#include <gtest/gtest.h>

#include "StandinTestSupport.h"
#include "standin/Options.h"
#include "support/TestSupport.h"

namespace bus::standin {
namespace {

constexpr const char* kTwoCities = R"(# a comment
host = "0.0.0.0"
advertise = "bus.example.org"
directory-port = 18000
data = "data"
bundled = false
threads = 3
quiet = true
[[city]]
feed = "harbourton"
name = "Harbourton"
port = 18290
utc = "+01:00"
poll = 30
[[city.realtime]]
url = "https://api.example.org/vp.pb?api_key={env:HARBOURTON_KEY}"
headers = { "x-api-key" = "{file:~/harbourton.key}", Accept = "application/x-protobuf" }
[[city.realtime]]
url = "alerts.pb"
[[city]]
feed = "~/feeds/lakeside.zip"
id = 95
)";

class ConfigFile : public testing::Test {
protected:
    const std::filesystem::path dir = bus::test::containerRoot();
    const std::filesystem::path file = dir / "standin.conf";
    const std::string name = file.string();

    std::variant<CliOptions, std::string> parse(std::vector<const char*> args,
                                                std::map<std::string, std::string> env = {}) const {
        env.emplace("HOME", dir.string());
        env.emplace("HARBOURTON_KEY", "hk-991");
        args.insert(args.begin(), "busreal-standin");
        return parseCommandLine(static_cast<int>(args.size()), args.data(), "/data", test::environment(env));
    }
    std::variant<CliOptions, std::string> read(const std::string& text, std::vector<const char*> more = {}) const {
        write(file, text);
        const std::string option = "--config=" + name;
        more.insert(more.begin(), option.c_str());
        return parse(more);
    }
    static void write(const std::filesystem::path& path, const std::string& text) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }
};

TEST_F(ConfigFile, TwoCitiesReadAsOptionsWithTheCommandLineOnTop) {
    write(dir / "harbourton.key", "fk-372\n");
    const auto r = read(kTwoCities);
    ASSERT_TRUE(std::holds_alternative<CliOptions>(r)) << std::get<std::string>(r);
    const auto& o = std::get<CliOptions>(r);
    EXPECT_EQ(std::make_tuple(o.host, o.advertiseHost, o.directoryPort, o.dataDir, o.noBundled, o.threads, o.quiet),
              std::make_tuple("0.0.0.0", "bus.example.org", 18000, dir / "data", true, 3u, true));
    ASSERT_EQ(o.feeds.size(), 2u);
    const auto &f = o.feeds[0], &g = o.feeds[1];
    EXPECT_EQ(std::make_tuple(f.folder, f.options.cityId, f.options.name, f.options.port, f.options.utcOffsetSeconds, f.pollSeconds),
              std::make_tuple(dir / "harbourton", 90, "Harbourton", 18290, 3600, 30));
    EXPECT_EQ(std::make_tuple(g.folder, g.options.cityId, g.options.port, g.pollSeconds, g.realtime.size()),
              std::make_tuple(dir / "feeds/lakeside.zip", 95, 18191, 15, 0u));
    ASSERT_EQ(f.realtime.size(), 2u);
    EXPECT_EQ(std::tie(f.realtime[0].address, f.realtime[0].headers, f.realtime[1].address),
              std::make_tuple("https://api.example.org/vp.pb?api_key=hk-991",
                              std::vector<HttpHeader>{{"Accept", "application/x-protobuf"}, {"x-api-key", "fk-372"}},
                              (dir / "alerts.pb").string()));
    EXPECT_EQ(f.realtime[0].shown(), "https://api.example.org/vp.pb?api_key=*** [Accept: ***, x-api-key: ***]");
    // A value given on the command line replaces the file's, a feed adds to its cities, and both are checked together.
    const auto top = std::get<CliOptions>(read(kTwoCities, {"--host=127.0.0.1", "--threads=1", "--gtfs=/other"}));
    EXPECT_EQ(std::make_tuple(top.host, top.advertiseHost, top.threads, top.feeds.size(), top.feeds.back().options.cityId,
                              top.feeds.back().options.port),
              std::make_tuple("127.0.0.1", "bus.example.org", 1u, 3u, 92, 18192));
    EXPECT_EQ(std::get<std::string>(read(kTwoCities, {"--gtfs=/other,port=18290"})),
              "--gtfs: port 18290 is already taken by " + name + ":9");
}

TEST_F(ConfigFile, EachFaultIsNamedByFileAndLine) {
    write(dir / "lines.key", "a\nb\n");
    const std::string city = "[[city]]\nfeed = \"f\"\n", source = city + "[[city.realtime]]\n";
    const std::pair<std::string, std::string> cases[] = {
        {"host = \"a\"\nhost = \"b\"\n", ":2:8: Error while parsing key-value pair: cannot redefine existing string 'host'"},
        {"quiet = yes\n", ":1:9: Error while parsing value: could not determine value type"},
        {"threads = \"2\"\n", ":1: threads must be 1..1024"},
        {"directory-port = 70000\n", ":1: directory-port must be 0..65535"},
        {"bundled = 0\n", ":1: bundled must be true or false"},
        {"\nspeed = 2\n", ":2: unknown key speed"},
        {"city = \"x\"\n", ":1: city must be [[city]] tables"},
        {"[[city]]\nid = 91\n", ":1: a [[city]] needs feed, its GTFS folder"},
        {city + "id = \"90\"\n", ":3: id must be a number"},
        {city + "colour = \"red\"\n", ":3: unknown key colour"},
        {city + "poll = 0\n", ":3: poll must be 1..3600 seconds"},
        {city + "utc = 8\n", ":3: utc must look like +08:00"},
        {city + "port = 18080\n", ":1: port 18080 is already taken by --directory-port"},
        {city + city + "id = 90\n", ":3: city 90 is already served by " + name + ":1"},
        {city + "realtime = \"rt.pb\"\n", ":3: realtime must be [[city.realtime]] tables"},
        {source + "headers = {}\n", ":3: a [[city.realtime]] needs url, a file or an http(s) address"},
        {source + "url = \"rt.pb\"\nheaders = { a = \"b\" }\n", ":5: headers go only with an http(s) address, and " +
                                                                   (dir / "rt.pb").string() + " is a file"},
        {source + "url = \"https://h/?key={env:NOPE}\"\n", ":4: the environment variable NOPE is not set"},
        {source + "url = \"https://h/\"\nheaders = { a = 1 }\n", ":5: the value of the header a must be a string"},
        {source + "url = \"https://h/\"\nheaders = { a = \"{file:lines.key}\" }\n", ":5: the value of the header a holds a line break"},
    };
    for (const auto& [text, says] : cases) {
        const auto r = read(text);
        EXPECT_EQ(std::holds_alternative<std::string>(r) ? std::get<std::string>(r) : "read", name + says) << text;
    }
}

TEST_F(ConfigFile, SessionReadsTheUsersFileWhenThereIsOne) {
    const auto xdg = dir / "xdg", home = dir / ".config";
    write(xdg / "busreal/standin.conf", "threads = 5\n");
    write(home / "busreal/standin.conf", "threads = 7\n");
    const std::string empty = (dir / "empty").string();
    // XDG_CONFIG_HOME (none: unset), the file read (none: the bundled cities), its threads
    const std::tuple<const char*, std::filesystem::path, std::size_t> cases[] = {
        {xdg.c_str(), xdg / "busreal/standin.conf", 5},
        {nullptr, home / "busreal/standin.conf", 7},
        {"", home / "busreal/standin.conf", 7},
        {"xdg", home / "busreal/standin.conf", 7},  // relative: not a base directory
        {empty.c_str(), {}, 2},
    };
    for (const auto& [xdgValue, reads, threads] : cases) {
        std::map<std::string, std::string> env;
        if (xdgValue) env["XDG_CONFIG_HOME"] = xdgValue;
        const auto r = parse({"--session"}, env);
        ASSERT_TRUE(std::holds_alternative<CliOptions>(r)) << std::get<std::string>(r);
        const auto& o = std::get<CliOptions>(r);
        EXPECT_EQ(std::tie(o.configFile, o.threads), std::tie(reads, threads)) << (xdgValue ? xdgValue : "unset");
        EXPECT_EQ(o.configNote, reads.empty() ? "no " + empty + "/busreal/standin.conf: serving the bundled cities"
                                              : "serving what " + reads.string() + " lists");
    }
    EXPECT_EQ(sessionConfigPath(test::environment({})), std::filesystem::path());
    const std::vector<const char*> args = {"busreal-standin", "--session"};
    EXPECT_EQ(std::get<std::string>(parseCommandLine(2, args.data(), "/data", test::environment({}))),
              "--session: neither XDG_CONFIG_HOME nor HOME is set");
}

}  // namespace
}  // namespace bus::standin
