#include "standin/Options.h"

#include <charconv>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "standin/Standin.h"

namespace bus::standin {

namespace {

std::optional<long long> number(std::string_view s) {
    long long v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

std::optional<int> portNumber(std::string_view s) {
    const auto v = number(s);
    if (!v || *v < 0 || *v > 65535) return std::nullopt;
    return static_cast<int>(*v);
}

// A comma inside a value of --gtfs ends that value: what follows a
// realtime= or header= may be the rest of an address or a key, and is not shown.
constexpr const char* kCommaHint =
    "a comma ends each part of --gtfs: write one in an address as %2C, and give a header value "
    "that holds one with {env:} or {file:}";

std::variant<GtfsFeed, std::string> parseFeed(const std::string& text, const Environment& environment) {
    GtfsFeed feed;
    std::vector<std::pair<std::string, std::vector<HttpHeader>>> sources;  // as written
    std::istringstream in(text);
    std::string part;
    bool firstPart = true;
    while (std::getline(in, part, ',')) {
        if (firstPart) {
            feed.folder = part;
            firstPart = false;
            continue;
        }
        const bool afterValue = !sources.empty();
        const auto eq = part.find('=');
        if (eq == std::string::npos)
            return afterValue ? std::string("--gtfs: a part without = follows realtime= (") + kCommaHint + ")"
                              : "--gtfs: expected key=value, got \"" + part + "\"";
        const std::string key = part.substr(0, eq);
        const std::string value = part.substr(eq + 1);
        if (key == "realtime") {
            sources.push_back({value, {}});
        } else if (key == "header") {
            if (sources.empty()) return "--gtfs: header= belongs to the realtime= before it, and none came before";
            const auto colon = value.find(':');
            if (colon == std::string::npos) return "--gtfs: header= needs NAME:VALUE";
            const auto valueAt = std::min(value.find_first_not_of(' ', colon + 1), value.size());
            sources.back().second.push_back({value.substr(0, colon), value.substr(valueAt)});
        } else if (isFeedKey(key)) {
            if (auto err = setFeedKey(feed, key, Setting{value, true})) return "--gtfs: " + key + " " + *err;
        } else {
            return afterValue ? std::string("--gtfs: an unknown key follows realtime= (") + kCommaHint + ")"
                              : "--gtfs: unknown key \"" + key + "\"";
        }
    }
    if (feed.folder.empty()) return "--gtfs needs a folder";
    for (const auto& [address, headers] : sources) {
        auto source = makeRealtimeSource(address, headers, {environment, {}});
        if (auto* err = std::get_if<std::string>(&source)) return "--gtfs: " + *err;
        feed.realtime.push_back(std::get<RealtimeSource>(std::move(source)));
    }
    return feed;
}

// A city id or a port that two options name: the stand-in would refuse it
// only once it had loaded every feed, or could not tell which option to blame.
std::optional<std::string> servedTwice(const CliOptions& o) {
    std::map<std::int64_t, std::string> ids;
    std::map<int, std::string> ports;
    if (!o.anyPorts) ports[o.directoryPort.value_or(kDefaultDirectoryPort)] = o.directoryPortOrigin;
    auto take = [&](const std::string& option, std::int64_t id, std::optional<int> port) -> std::optional<std::string> {
        if (auto [it, fresh] = ids.emplace(id, option); !fresh)
            return option + ": city " + std::to_string(id) + " is already served by " + it->second;
        if (!port || *port == 0 || o.anyPorts) return std::nullopt;
        if (auto [it, fresh] = ports.emplace(*port, option); !fresh)
            return option + ": port " + std::to_string(*port) + " is already taken by " + it->second;
        return std::nullopt;
    };
    for (const auto& c : o.cities)
        if (auto clash = take("--city", c.cityId, c.port)) return clash;
    for (const auto& f : o.feeds)
        if (auto clash = take(f.origin, f.options.cityId, f.options.port)) return clash;
    return std::nullopt;
}

// What every configuration ends with, however given: the feeds' default
// ids and ports, and the checks that concern more than one option.
std::optional<std::string> finish(CliOptions& o) {
    if (o.noBundled && !o.cities.empty()) return "--no-bundled (bundled = false) and --city exclude each other";
    if (o.noBundled && o.feeds.empty()) return "--no-bundled (bundled = false) leaves nothing to serve without --gtfs or [[city]]";
    int nextFeed = 0;
    for (auto& feed : o.feeds) {
        if (!feed.idGiven) feed.options.cityId = 90 + nextFeed;
        if (!feed.portGiven) feed.options.port = 18190 + nextFeed;
        ++nextFeed;
    }
    return servedTwice(o);
}

std::optional<std::string> inRange(const Setting& v, std::int64_t lo, std::int64_t hi, const std::string& unit,
                                   auto&& set) {
    const auto n = v.number();
    if (!n || *n < lo || *n > hi) return "must be " + std::to_string(lo) + ".." + std::to_string(hi) + unit;
    set(*n);
    return std::nullopt;
}

std::optional<std::string> text(const Setting& v, auto&& set) {
    if (!v.string()) return "must be a string";
    set(*v.string());
    return std::nullopt;
}

std::optional<std::string> truth(const Setting& v, bool& to) {
    const auto* b = std::get_if<bool>(&v.value);
    if (!b) return "must be true or false";
    to = *b;
    return std::nullopt;
}

}  // namespace

std::optional<std::int64_t> Setting::number() const {
    if (const auto* n = std::get_if<std::int64_t>(&value)) return *n;
    if (const auto* s = std::get_if<std::string>(&value); s && text) return bus::standin::number(*s);
    return std::nullopt;
}

bool isOption(std::string_view name) {
    static const std::set<std::string_view> names = {"host", "advertise", "data", "directory-port", "threads", "quiet", "service-hours"};
    return names.count(name) > 0;
}

std::optional<std::string> setOption(CliOptions& o, std::string_view name, const Setting& v) {
    if (name == "host") return text(v, [&](const std::string& s) { o.host = s; });
    if (name == "advertise") return text(v, [&](const std::string& s) { o.advertiseHost = s; });
    if (name == "data") return text(v, [&](const std::string& s) { o.dataDir = s; });
    if (name == "directory-port") return inRange(v, 0, 65535, "", [&](std::int64_t n) { o.directoryPort = static_cast<int>(n); });
    if (name == "threads") return inRange(v, 1, 1024, "", [&](std::int64_t n) { o.threads = static_cast<std::size_t>(n); });
    if (name == "quiet") return truth(v, o.quiet);
    if (name == "service-hours") return truth(v, o.serviceHours);
    return "is no option";
}

bool isFeedKey(std::string_view key) {
    static const std::set<std::string_view> keys = {"id", "name", "port", "poll", "utc"};
    return keys.count(key) > 0;
}

std::optional<std::string> setFeedKey(GtfsFeed& feed, std::string_view key, const Setting& v) {
    if (key == "id") {
        if (!v.number()) return "must be a number";
        feed.options.cityId = *v.number();
        feed.idGiven = true;
        return std::nullopt;
    }
    if (key == "name") return text(v, [&](const std::string& s) { feed.options.name = s; });
    if (key == "port") return inRange(v, 0, 65535, "", [&](std::int64_t n) {
        feed.options.port = static_cast<int>(n);
        feed.portGiven = true;
    });
    if (key == "poll") return inRange(v, 1, 3600, " seconds", [&](std::int64_t n) { feed.pollSeconds = static_cast<int>(n); });
    if (key == "utc") {
        const auto off = v.string() ? parseUtcOffset(*v.string()) : std::nullopt;
        if (!off) return "must look like +08:00";
        feed.options.utcOffsetSeconds = *off;
        return std::nullopt;
    }
    return "is no key of a feed";
}

std::filesystem::path sessionConfigPath(const Environment& environment) {
    const auto xdg = environment("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is not to be trusted (it would depend on the
    // folder the unit starts in), so it counts as unset.
    if (xdg && !xdg->empty() && std::filesystem::path(*xdg).is_absolute())
        return std::filesystem::path(*xdg) / "busreal" / "standin.conf";
    const auto home = environment("HOME");
    if (!home || home->empty()) return {};
    return std::filesystem::path(*home) / ".config" / "busreal" / "standin.conf";
}

std::string helpText(const std::filesystem::path& defaultDataDir) {
    std::ostringstream o;
    o << "Usage: busreal-standin [options]\n"
         "\n"
         "Serves the bus directory and city services on this machine: SOAP 1.1 over\n"
         "HTTP, with vehicles moving on the timetables of the data folder.\n"
         "\n"
         "Where it listens:\n"
         "  --host=ADDR            address to listen on (default 127.0.0.1)\n"
         "  --advertise=HOST       host written into the directory's city addresses\n"
         "                         (default: the listening address)\n"
         "  --directory-port=N     port of the directory service (default "
      << kDefaultDirectoryPort
      << ")\n"
         "  --city=ID[:PORT]       serve this bundled city, on PORT if given (repeatable;\n"
         "                         default: every city of the data folder on its own port)\n"
         "  --any-ports            let the system pick free ports for every service\n"
         "\n"
         "What it serves:\n"
         "  --data=DIR             data folder with cities/*.json\n"
         "                         (default "
      << defaultDataDir.string()
      << ")\n"
         "  --gtfs=DIR|ZIP[,id=N][,name=TEXT][,port=N][,utc=+HH:MM][,realtime=SOURCE][,poll=S]\n"
         "                         serve a GTFS feed folder or zip as one more city (repeatable;\n"
         "                         default id 90, 91, ... and port 18190, 18191, ...);\n"
         "                         realtime= a GTFS-realtime file or http(s) address\n"
         "                         (repeatable), read every S seconds (default 15);\n"
         "                         header=NAME:VALUE after a realtime= is sent with it\n"
         "                         (repeatable). A comma ends each part: write %2C\n"
         "  --no-bundled           serve only the --gtfs feeds, none of the data folder\n"
         "  --config=FILE          read what to serve from a TOML file first; options\n"
         "                         given here go on top of it (see standin/README.md)\n"
         "  --session              the same with $XDG_CONFIG_HOME/busreal/standin.conf\n"
         "                         (default ~/.config/busreal/standin.conf) when it\n"
         "                         exists; else serve the bundled cities\n"
         "\n"
         "Keys of realtime sources:\n"
         "  An address or a header value may take a key from {env:NAME}, an environment\n"
         "  variable, or {file:PATH}, a file's text without its line end, so that the\n"
         "  key stays out of the process list:\n"
         "    --gtfs=DIR,realtime=https://HOST/vp?api_key={env:TRANSIT_KEY},header=x-api-key:{file:~/key}\n"
         "  Log lines and messages write keys as ***: header values, an address's\n"
         "  password, key-like query parameters (key, token, ...) and every placeholder's\n"
         "  text.\n"
         "\n"
         "The clock:\n"
         "  --time=YYYY-MM-DDTHH:MM[:SS][Z|+HH:MM]\n"
         "                         start the clock at this time (no zone: local time)\n"
         "  --speed=X              run the clock X times as fast (0 freezes it; default 1)\n"
         "  --service-hours        bundled lines run only between their first and last\n"
         "                         departure (default: around the clock)\n"
         "\n"
         "Other:\n"
         "  --threads=N            threads serving each service's connections (default 2)\n"
         "  --quiet                no log line per request\n"
         "  --help                 this text\n"
         "\n"
         "Every request is logged on standard error as one line: time, service,\n"
         "operation, HTTP status and microseconds. SIGINT or SIGTERM stops it.\n"
         "Under a systemd unit of Type=notify (busreal-standin.service runs it with\n"
         "--session) it tells systemd once every service listens, and when it stops.\n";
    return o.str();
}

std::variant<CliOptions, std::string> parseCommandLine(int argc, const char* const* argv,
                                                       const std::filesystem::path& defaultDataDir,
                                                       const Environment& environment) {
    CliOptions o;
    o.dataDir = defaultDataDir;
    // Read first, and applied once the configuration file has been: the
    // command line goes on top of it.
    std::vector<std::pair<std::string, std::string>> given;
    bool session = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasValue = false;
        if (arg.rfind("--", 0) != 0) return "unexpected argument \"" + arg + "\"";
        const auto eq = arg.find('=');
        if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasValue = true;
        }
        static const std::set<std::string> flags = {"--help",  "--any-ports",  "--service-hours",
                                                    "--quiet", "--no-bundled", "--session"};
        static const std::set<std::string> valued = {"--host", "--advertise", "--data",  "--directory-port", "--city",
                                                     "--gtfs", "--time",      "--speed", "--threads",        "--config"};
        const bool flag = flags.count(arg) > 0;
        if (!flag && !valued.count(arg)) return "unknown option " + arg;
        if (flag) {
            if (hasValue) return arg + " takes no value";
        } else if (!hasValue) {
            if (i + 1 >= argc) return arg + " needs a value";
            value = argv[++i];
        }
        if (arg == "--help") {
            // Keys are neither read nor checked for the help.
            o.help = true;
            return o;
        }
        if (arg == "--session") {
            session = true;
        } else if (arg == "--config") {
            if (!o.configFile.empty()) return "--config may be given once";
            if (value.empty()) return "--config needs a file";
            o.configFile = value;
        } else {
            given.emplace_back(arg, value);
        }
    }
    if (session && !o.configFile.empty()) return "--config and --session exclude each other";
    if (!o.configFile.empty()) {
        std::error_code ec;
        if (!std::filesystem::exists(o.configFile, ec)) return "--config: " + o.configFile.string() + " does not exist";
    } else if (session) {
        const auto file = sessionConfigPath(environment);
        if (file.empty()) return "--session: neither XDG_CONFIG_HOME nor HOME is set";
        std::error_code ec;
        if (std::filesystem::exists(file, ec)) {
            o.configFile = file;
            o.configNote = "serving what " + file.string() + " lists";
        } else {
            o.configNote = "no " + file.string() + ": serving the bundled cities";
        }
    }
    if (!o.configFile.empty())
        if (auto err = readConfigFile(o.configFile, o, environment)) return *err;

    for (const auto& [arg, value] : given) {
        const std::string name = arg.substr(2);
        if (isOption(name)) {
            const bool flag = name == "quiet" || name == "service-hours";
            if (auto err = setOption(o, name, flag ? Setting{true} : Setting{value, true})) return arg + " " + *err;
            if (name == "directory-port") o.directoryPortOrigin = arg;
        } else if (arg == "--any-ports") {
            o.anyPorts = true;
        } else if (arg == "--no-bundled") {
            o.noBundled = true;
        } else if (arg == "--city") {
            CitySelection sel;
            const auto colon = value.find(':');
            const auto id = number(value.substr(0, colon));
            if (!id) return "--city needs a city id, as in --city=16 or --city=16:18116";
            sel.cityId = *id;
            if (colon != std::string::npos) {
                const auto p = portNumber(value.substr(colon + 1));
                if (!p) return "--city: port must be 0..65535";
                sel.port = *p;
            }
            o.cities.push_back(sel);
        } else if (arg == "--gtfs") {
            auto feed = parseFeed(value, environment);
            if (auto* err = std::get_if<std::string>(&feed)) return *err;
            o.feeds.push_back(std::get<GtfsFeed>(std::move(feed)));
        } else if (arg == "--time") {
            o.startTime = parseTime(value);
            if (!o.startTime) return "--time must look like 2024-05-01T08:30 or 2024-05-01T08:30:00+08:00";
        } else if (arg == "--speed") {
            std::istringstream in(value);
            double s = 0;
            if (!(in >> s) || !in.eof() || s < 0 || s > 100000) return "--speed must be a number from 0 to 100000";
            o.speed = s;
        } else {
            return "unknown option " + arg;
        }
    }
    if (auto err = finish(o)) return *err;
    return o;
}

}  // namespace bus::standin
