#pragma once
// A GTFS feed as published, a zip of its tables, read in place with libzip:
// each table streams out of the archive a block at a time through the same
// CsvReader, and the same encoding checks, as a folder's files.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "standin/Csv.h"

namespace bus::standin {

// What the tables read from one zip may unpack to, in bytes.
struct ZipBounds {
    std::uint64_t tableBytes = 0;  // each table
    std::uint64_t feedBytes = 0;   // all tables read, together
};

struct ZipArchive;  // the open zip, shared by the feed and its streams

class ZipFeed {
public:
    // Opens the zip and finds the folder its tables sit in: the top level
    // when it holds stops.txt, else the one folder holding any of `tables`
    // (macOS's __MACOSX/ entries aside). Refuses, with std::runtime_error
    // naming the zip and the member at fault: a file that is no zip or a
    // damaged one, a member named outside the zip (an absolute path, a drive
    // or ..), tables in several folders, and a table that is encrypted or
    // declares more bytes than `bounds` allow.
    ZipFeed(const std::filesystem::path& zip, const std::vector<std::string_view>& tables, ZipBounds bounds);
    ~ZipFeed();
    ZipFeed(const ZipFeed&) = delete;
    ZipFeed& operator=(const ZipFeed&) = delete;

    // The table's member as a stream; std::nullopt when the zip has none.
    // Reading it throws std::runtime_error when its data is damaged or
    // unpacks to more than the bounds, whatever size it declares.
    std::optional<CsvReader> open(std::string_view table) const;
    // The table as refusals name it: "feed.zip!city-gtfs/stops.txt".
    std::string name(std::string_view table) const;

private:
    std::shared_ptr<ZipArchive> archive_;
    std::string folder_;  // "" or "city-gtfs/"
};

}  // namespace bus::standin
