#pragma once
// The stand-in's command line, and the configuration file it may read first.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "standin/Clock.h"
#include "standin/Gtfs.h"
#include "standin/RealtimeSource.h"

namespace bus::standin {

struct CitySelection {
    std::int64_t cityId = 0;
    std::optional<int> port;
};

struct GtfsFeed {
    std::filesystem::path folder;
    GtfsOptions options;
    std::vector<RealtimeSource> realtime;  // placeholders replaced
    int pollSeconds = 15;
    bool portGiven = false;
    bool idGiven = false;
    std::string origin = "--gtfs";  // where it was given, for messages: "--gtfs" or "standin.conf:12"
};

struct CliOptions {
    bool help = false;
    std::filesystem::path dataDir;
    std::string host = "127.0.0.1";
    std::string advertiseHost;
    std::optional<int> directoryPort;
    std::string directoryPortOrigin = "--directory-port";
    std::vector<CitySelection> cities;  // empty: every city of the data folder
    std::vector<GtfsFeed> feeds;
    bool anyPorts = false;
    bool noBundled = false;  // serve only the GTFS feeds
    std::optional<TimePoint> startTime;
    double speed = 1.0;
    bool serviceHours = false;
    std::size_t threads = 2;
    bool quiet = false;
    std::filesystem::path configFile;  // the configuration file read; empty: none
    std::string configNote;  // for --session: which file it serves, or that it serves the bundled cities
};

// Parses argv[1..], reading the configuration file of --config or --session
// first, with `environment` for --session's path and for keys; the error
// text on failure.
std::variant<CliOptions, std::string> parseCommandLine(int argc, const char* const* argv,
                                                       const std::filesystem::path& defaultDataDir,
                                                       const Environment& environment = processEnvironment());

// $XDG_CONFIG_HOME/busreal/standin.conf, or under $HOME/.config when
// XDG_CONFIG_HOME is unset, empty or relative; empty when HOME is unset too.
std::filesystem::path sessionConfigPath(const Environment& environment);

// What the command line and the configuration file share, so that both take
// the same values. Each setter says what is wrong after the option's or
// key's name ("must be 0..65535"), or returns none.
struct Setting {
    std::variant<std::monostate, std::int64_t, std::string, bool> value;  // monostate: a value of another type
    bool text = false;  // written on the command line: a number may be given as text
    std::optional<std::int64_t> number() const;
    const std::string* string() const { return std::get_if<std::string>(&value); }
};
std::optional<std::string> setOption(CliOptions& o, std::string_view name, const Setting& value);  // host, threads, ...
std::optional<std::string> setFeedKey(GtfsFeed& feed, std::string_view key, const Setting& value);  // id, port, ...
bool isOption(std::string_view name);
bool isFeedKey(std::string_view key);

// Reads a configuration file into `o`; its error text, "standin.conf:7: id
// must be a number", on failure. Relative paths in it are read from its folder.
std::optional<std::string> readConfigFile(const std::filesystem::path& file, CliOptions& o, const Environment& environment);

std::string helpText(const std::filesystem::path& defaultDataDir);

}  // namespace bus::standin
