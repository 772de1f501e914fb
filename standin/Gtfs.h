#pragma once
// Serving a published timetable (a GTFS feed folder) as one more city.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "standin/Network.h"

namespace bus::standin {

struct GtfsOptions {
    std::int64_t cityId = 90;
    std::string name;  // empty: the feed's first agency name, else the folder's name
    int port = 0;
    // East of UTC, in seconds, all year: overrides the feed's own zone.
    // Empty: the agencies' agency_timezone, else a stop_timezone of the
    // feed, else the machine's zone, each with its daylight-saving rules.
    std::optional<int> utcOffsetSeconds;
};

// Reads stops.txt, routes.txt, trips.txt, stop_times.txt and calendar.txt
// (calendar_dates.txt, agency.txt, feed_info.txt, fare_attributes.txt,
// fare_rules.txt and frequencies.txt when present). Each route and direction becomes a line with the route's most
// common stop pattern; every trip of that route and direction with a stop on
// it runs as one of its vehicles, matched to its stops by id or by name.
// Throws std::runtime_error naming the file at fault, and the encoding of a
// file that is not UTF-8.
City importGtfs(const std::filesystem::path& feed, const GtfsOptions& options);

// "25:10:00" -> seconds after the service day's start (noon minus 12 h).
std::optional<int> parseGtfsTime(std::string_view text);

}  // namespace bus::standin
