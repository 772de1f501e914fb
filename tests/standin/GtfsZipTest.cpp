// A GTFS feed as published, a zip of its tables, read in place: the zips are
// written here with libzip from the test feeds' folders.
#include <zip.h>

#include <fstream>
#include <functional>
#include <tuple>

#include <gtest/gtest.h>

#include "StandinTestSupport.h"
#include "standin/Gtfs.h"
#include "support/TestSupport.h"

namespace bus::standin {
namespace {

namespace fs = std::filesystem;

struct Member {
    std::string name;  // ending in '/': a folder entry
    std::string bytes;
    bool stored = false;     // not compressed, so that a test can reach its bytes
    bool encrypted = false;  // AES-256
};
using Members = std::vector<Member>;

// The files of a feed folder as members under `folder`, less `leftOut`.
Members membersOf(const fs::path& feed, const std::string& folder = "", const std::string& leftOut = "") {
    Members out;
    for (const auto& f : fs::directory_iterator(feed))
        if (f.path().filename() != leftOut) out.push_back({folder + f.path().filename().string(), bus::test::readFile(f.path())});
    return out;
}

Members operator+(Members a, const Members& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void writeZip(const fs::path& path, const Members& members) {
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_TRUE(zip) << error;
    for (const auto& m : members) {
        zip_int64_t i = -1;
        if (m.name.ends_with('/')) {
            i = zip_dir_add(zip, m.name.c_str(), 0);
        } else {
            zip_source_t* source = zip_source_buffer(zip, m.bytes.data(), m.bytes.size(), 0);
            i = zip_file_add(zip, m.name.c_str(), source, ZIP_FL_OVERWRITE);
            if (i < 0) zip_source_free(source);
        }
        ASSERT_GE(i, 0) << m.name << ": " << zip_strerror(zip);
        const auto index = static_cast<zip_uint64_t>(i);
        if (m.stored) {
            ASSERT_EQ(zip_set_file_compression(zip, index, ZIP_CM_STORE, 0), 0);
        }
        if (m.encrypted) {
            ASSERT_EQ(zip_file_set_encryption(zip, index, ZIP_EM_AES_256, "secret"), 0) << zip_strerror(zip);
        }
    }
    ASSERT_EQ(zip_close(zip), 0) << zip_strerror(zip);
}

// Rewrites the uncompressed size a zip declares for a member, in its own
// header and in the central directory, so that the two agree and only the
// data tells the truth.
void declareSize(std::string& zip, const std::string& member, std::uint32_t size) {
    const auto put = [&](std::size_t at) {
        for (int i = 0; i < 4; ++i) zip[at + static_cast<std::size_t>(i)] = static_cast<char>(size >> (8 * i));
    };
    int found = 0;
    for (const auto& [signature, nameAt, sizeAt] : {std::tuple{"PK\3\4", 30, 22}, std::tuple{"PK\1\2", 46, 24}})
        for (std::size_t at = zip.find(signature); at != std::string::npos; at = zip.find(signature, at + 4))
            if (zip.compare(at + nameAt, member.size(), member) == 0) put(at + sizeAt), ++found;
    ASSERT_EQ(found, 2) << member;
}

// Everything a city serves from its feed, a line of text per item, so that
// two readings compare at a glance.
std::vector<std::string> served(const City& city) {
    std::vector<std::string> out{city.name + " " + std::to_string(city.utcOffsetSeconds) + " " +
                                 std::to_string(city.services.size()) + " services"};
    for (std::size_t s = 0; s < city.stopIds.size(); ++s) out.push_back("stop " + city.stopIds[s] + " " + city.stopNames[s]);
    for (const auto& line : city.lines) {
        out.push_back("line " + std::to_string(line.lineId) + " " + line.lineName + " " + line.opTime + " " +
                      line.ticketPrice + " " + line.gjgs);
        for (const auto& d : line.directions) {
            if (!d) continue;
            std::string stops = "  stops";
            for (const auto& s : d->stops) stops += " " + s;
            out.push_back(stops);
            for (const auto& t : d->trips) {
                std::string trip = "  trip " + t.id + " " + t.vehicle;
                for (const auto& c : t.calls)
                    trip += " " + std::to_string(c.orderNo) + "@" + std::to_string(c.arrival) + "-" + std::to_string(c.departure);
                for (const auto& f : t.frequencies)
                    trip += " every " + std::to_string(f.headwaySeconds) + " " + std::to_string(f.start) + "-" + std::to_string(f.end);
                out.push_back(trip);
            }
        }
    }
    return out;
}

const GtfsOptions kOptions{90, "", 0, 8 * 3600};
const fs::path kFeed = BUS_STANDIN_TEST_FEED, kEnglishFeed = BUS_STANDIN_TEST_FEED_EN;

TEST(GtfsZip, ServesWhatTheUnpackedFolderServesWithTheTablesAtTheTopOrInOneFolder) {
    const Member macJunk{"__MACOSX/city-gtfs/._stops.txt", "resource fork, not a table"};
    const Member utf16Stops{"old/stops.txt", std::string("\xFF\xFEs\0", 4)};
    const std::tuple<const char*, fs::path, Members> cases[] = {
        {"at the top", kFeed, membersOf(kFeed)},
        {"in a folder, with its entry and macOS's", kFeed, Members{{"city-gtfs/", ""}, macJunk} + membersOf(kFeed, "city-gtfs/")},
        {"two folders deep", kEnglishFeed, membersOf(kEnglishFeed, "feeds/harbourton/")},
        {"at the top, with an old copy in a folder", kFeed, membersOf(kFeed) + Members{utf16Stops}},
    };
    const fs::path zip = bus::test::containerRoot() / "feed.zip";
    for (const auto& [where, folder, members] : cases) {
        writeZip(zip, members);
        EXPECT_EQ(served(importGtfs(zip, kOptions)), served(importGtfs(folder, kOptions))) << where;
    }
    // Without agency.txt, the city takes the zip's name without its extension.
    writeZip(bus::test::containerRoot() / "harbourton.zip", membersOf(kEnglishFeed, "", "agency.txt"));
    EXPECT_EQ(importGtfs(bus::test::containerRoot() / "harbourton.zip", kOptions).name, "harbourton");
}

TEST(GtfsZip, AZipThatIsDamagedABombNamedOutsideItselfOrEncryptedIsRefusedNamingTheZipAndWhy) {
    const std::string header = "trip_id,arrival_time,departure_time,stop_id,stop_sequence\n";  // of stop_times.txt
    // A table of 1 MiB that compresses to a few kilobytes, over the test's bound of 64 KiB.
    std::string bomb = header;
    while (bomb.size() < (1u << 20)) bomb += "T1,08:00:00,08:00:00,S1,1\n";
    bomb.resize(1u << 20);
    const std::string padding(40u << 10, '\n');  // blank lines: 40 KiB that read as nothing
    const auto with = [](Members feed, const Member& m) {
        std::erase_if(feed, [&](const Member& f) { return f.name == m.name; });
        feed.push_back(m);
        return feed;
    };
    const Members feed = membersOf(kFeed);
    const std::string stops = bus::test::readFile(kFeed / "stops.txt");
    const std::string stopTimes = bus::test::readFile(kFeed / "stop_times.txt");
    constexpr std::uint64_t kSmall = 64u << 10, kAny = kMaxZipFeedBytes;
    struct Case {
        const char* what;
        Members members;
        std::function<void(std::string&)> edit;  // of the zip's bytes
        std::uint64_t tableBytes, feedBytes;
        std::string at;  // after the zip's path
        std::string why;
    };
    const Case cases[] = {
        {"no zip", feed, [](std::string& z) { z = "PK, or so it says"; }, kAny, kAny, ": cannot be read as a zip", "Not a zip archive"},
        {"cut short", feed, [](std::string& z) { z.resize(z.size() / 2); }, kAny, kAny, ": cannot be read as a zip", "Not a zip archive"},
        {"a table's data altered", with(feed, {"stops.txt", stops, true}),
         [](std::string& z) { z[z.find("北站")] ^= 1; }, kAny, kAny, "!stops.txt: ", "the zip is damaged (CRC error)"},
        {"a bomb that says so", with(feed, {"stop_times.txt", bomb}), nullptr, kSmall, kAny,
         "!stop_times.txt: ", "declares 1048576 bytes unpacked, more than the 65536 bytes a table may have; refused as a zip bomb"},
        {"a bomb that declares 100 bytes", with(feed, {"stop_times.txt", bomb}),
         [](std::string& z) { declareSize(z, "stop_times.txt", 100); }, kSmall, kAny,
         "!stop_times.txt: ", "unpacks to more than 65536 bytes, the most a table may have; refused as a zip bomb"},
        {"tables that declare more than a feed may have", feed, nullptr, kAny, 1000, ": ",
         "bytes unpacked, more than the 1000 bytes a feed may have; refused as a zip bomb"},
        {"tables that unpack to more than they declare", with(with(feed, {"stops.txt", stops + padding}), {"stop_times.txt", stopTimes + padding}),
         [](std::string& z) {
             declareSize(z, "stops.txt", 100);
             declareSize(z, "stop_times.txt", 100);
         }, kSmall, kSmall,
         ": ", "its tables unpack to more than 65536 bytes, the most a feed may have; refused as a zip bomb"},
        {"a member up and out", feed + Members{{"../stops.txt", stops}}, nullptr, kAny, kAny, "!../stops.txt: ",
         "a member named outside the zip (an absolute path, a drive or ..); the whole zip is refused"},
        {"an absolute member", feed + Members{{"/etc/cron.d/x", "* * * * * root true\n"}}, nullptr, kAny, kAny,
         "!/etc/cron.d/x: ", "a member named outside the zip"},
        {"up and out by backslashes", feed + Members{{"gtfs\\..\\..\\x.txt", ""}}, nullptr, kAny, kAny,
         "!gtfs\\..\\..\\x.txt: ", "a member named outside the zip"},
        {"a drive", feed + Members{{"C:\\x.txt", ""}}, nullptr, kAny, kAny, "!C:\\x.txt: ", "a member named outside the zip"},
        {"an encrypted table", with(feed, {"stops.txt", stops, false, true}), nullptr, kAny, kAny, "!stops.txt: ",
         "the member is encrypted; serve a zip without a password"},
        {"tables in two folders", membersOf(kFeed, "a/") + membersOf(kEnglishFeed, "b/"), nullptr, kAny, kAny, ": ",
         "tables in more than one folder (a/, b/) and no stops.txt at the top level"},
        {"a UTF-16 table in a folder", membersOf(kFeed, "city-gtfs/") + Members{{"city-gtfs/stops.txt", std::string("\xFF\xFEs\0t\0", 6)}},
         nullptr, kAny, kAny, "!city-gtfs/stops.txt: ", "the text is UTF-16LE (byte order mark FF FE); GTFS files must be UTF-8"},
        {"a column missing in a folder", with(membersOf(kFeed, "city-gtfs/"), {"city-gtfs/stops.txt", "stop_id\nS1\n"}),
         nullptr, kAny, kAny, "!city-gtfs/stops.txt: ", "no column stop_name"},
        {"a bad row", with(feed, {"stop_times.txt", header + "T1,08:00:00,08:00:00,S1,1\nT1,99:99:99,,S2,2\n"}), nullptr, kAny,
         kAny, "!stop_times.txt: ", "bad arrival_time \"99:99:99\" in row 2 (line 3 of the file, trip T1)"},
        {"no stops", membersOf(kFeed, "", "stops.txt"), nullptr, kAny, kAny, "!stops.txt: ", "missing from the feed"},
    };
    const fs::path zip = bus::test::containerRoot() / "feed.zip";
    for (const auto& c : cases) {
        writeZip(zip, c.members);
        if (c.edit) {
            std::string bytes = bus::test::readFile(zip);
            c.edit(bytes);
            std::ofstream(zip, std::ios::binary | std::ios::trunc) << bytes;
        }
        GtfsOptions options = kOptions;
        options.zipTableBytes = c.tableBytes;
        options.zipFeedBytes = c.feedBytes;
        std::string what = "accepted";
        try {
            importGtfs(zip, options);
        } catch (const std::runtime_error& e) {
            what = e.what();
        }
        EXPECT_TRUE(what.starts_with(zip.string() + c.at) && what.find(c.why) != std::string::npos)
            << c.what << ": " << what << "\n  wanted: " << zip.string() + c.at << "..." << c.why;
    }
}

}  // namespace
}  // namespace bus::standin
