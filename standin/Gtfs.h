#pragma once
// Serving a published timetable (a GTFS feed folder, or its zip) as one more
// city.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "standin/Network.h"

namespace bus::standin {

// Bounds on what the tables of a zipped feed unpack to. The stand-in keeps
// every call of a feed in memory, in more bytes than its text takes: a feed
// past these could not be served here anyway, and a zip that declares or
// unpacks to more is a zip bomb, not a timetable. The bytes really unpacked
// are counted too, as the sizes a zip declares may lie.
inline constexpr std::uint64_t kMaxZipTableBytes = std::uint64_t{2} << 30;  // each table: 2 GiB
inline constexpr std::uint64_t kMaxZipFeedBytes = std::uint64_t{4} << 30;   // all tables read: 4 GiB

struct GtfsOptions {
    std::int64_t cityId = 90;
    std::string name;  // empty: the feed's first agency name, else the folder's name (the zip's, without .zip)
    int port = 0;
    // East of UTC, in seconds, all year: overrides the feed's own zone.
    // Empty: the agencies' agency_timezone, else a stop_timezone of the
    // feed, else the machine's zone, each with its daylight-saving rules.
    std::optional<int> utcOffsetSeconds;
    // For a zipped feed: what one table, and all tables read, may unpack to.
    std::uint64_t zipTableBytes = kMaxZipTableBytes;
    std::uint64_t zipFeedBytes = kMaxZipFeedBytes;
};

// Reads a feed folder, or a zip of one in place (any regular file is read as
// a zip): stops.txt, routes.txt, trips.txt, stop_times.txt and calendar.txt
// (calendar_dates.txt, agency.txt, feed_info.txt, fare_attributes.txt,
// fare_rules.txt and frequencies.txt when present). Each route and direction becomes a line with the route's most
// common stop pattern; every trip of that route and direction with a stop on
// it runs as one of its vehicles, matched to its stops by id or by name.
// Throws std::runtime_error naming the file at fault ("feed.zip!stops.txt"
// for a zip's member), and the encoding of a file that is not UTF-8; a zip
// is also refused when damaged, over the bounds, encrypted, with a member
// named outside it, or with tables in several folders (see ZipFeed).
City importGtfs(const std::filesystem::path& feed, const GtfsOptions& options);

// "25:10:00" -> seconds after the service day's start (noon minus 12 h).
std::optional<int> parseGtfsTime(std::string_view text);

}  // namespace bus::standin
