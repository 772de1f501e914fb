#pragma once
// The stand-in's command line.
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
};

struct CliOptions {
    bool help = false;
    std::filesystem::path dataDir;
    std::string host = "127.0.0.1";
    std::string advertiseHost;
    std::optional<int> directoryPort;
    std::vector<CitySelection> cities;  // empty: every city of the data folder
    std::vector<GtfsFeed> feeds;
    bool anyPorts = false;
    bool noBundled = false;  // serve only the GTFS feeds
    std::optional<TimePoint> startTime;
    double speed = 1.0;
    bool serviceHours = false;
    std::size_t threads = 2;
    bool quiet = false;
};

// Parses argv[1..], with `environment` for keys; the error text on failure.
std::variant<CliOptions, std::string> parseCommandLine(int argc, const char* const* argv,
                                                       const std::filesystem::path& defaultDataDir,
                                                       const Environment& environment = processEnvironment());

std::string helpText(const std::filesystem::path& defaultDataDir);

}  // namespace bus::standin
