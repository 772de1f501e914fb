// Feeds arbitrary bytes to the stand-in's reading of a published timetable.
// The first byte picks a file of a small GTFS feed; the rest replaces that
// file, and the whole feed is read as --gtfs= reads it. For any input:
// - nothing crashes, leaks or reads out of bounds, and the feed is either
//   read or refused with a std::runtime_error (which names the file);
// - the CSV reader gives the same records reading the text in memory as
//   reading the file in small blocks, so a block may end at any byte.
// The whole input is also read as a GTFS-realtime message onto the test
// feed's city: it is read or refused with a std::runtime_error, and every
// alert it gives serves, on each line, as valid UTF-8 within its bounds.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "standin/Csv.h"
#include "standin/Gtfs.h"
#include "standin/Realtime.h"
#include "standin/Soap.h"

namespace {

namespace fs = std::filesystem;
using namespace bus::standin;

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_standin_feed: %s\n", what);
        std::abort();
    }
}

const char* const kFiles[] = {"stops.txt",    "routes.txt",    "trips.txt",          "stop_times.txt",
                              "calendar.txt", "calendar_dates.txt", "frequencies.txt", "agency.txt",
                              "fare_attributes.txt", "fare_rules.txt"};
constexpr std::size_t kFileCount = sizeof kFiles / sizeof kFiles[0];

// A copy of the test feed in a folder of this process's own, written once.
const fs::path& feedCopy() {
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / ("busreal-fuzz-feed-" + std::to_string(getpid()));
        fs::remove_all(d);
        fs::copy(BUS_STANDIN_TEST_FEED, d);
        std::atexit([] { fs::remove_all(feedCopy()); });
        return d;
    }();
    return dir;
}

// Every record read whole, or the refusal's text.
std::vector<std::vector<std::string>> records(std::optional<CsvReader> reader, std::string& refusal) {
    std::vector<std::vector<std::string>> out;
    if (!reader) return out;
    out.push_back(reader->header());
    try {
        while (reader->next()) {
            std::vector<std::string> fields;
            for (int c = 0; c < static_cast<int>(reader->header().size()) + 1; ++c)
                fields.emplace_back(reader->field(c));
            fields.push_back(std::to_string(reader->line()));
            out.push_back(std::move(fields));
        }
    } catch (const std::runtime_error& e) {
        refusal = e.what();
    }
    return out;
}

// The bytes as realtime data of the unchanged test feed, read once.
void readRealtime(std::string_view bytes) {
    static const City city = importGtfs(BUS_STANDIN_TEST_FEED, GtfsOptions{90, "", 0, 8 * 3600});
    static const LiveIndex index(city);
    LiveData data;
    try {
        data = decodeRealtime(bytes, index, TimePoint(std::chrono::seconds(1714954320)));
    } catch (const std::runtime_error&) {
        return;
    }
    require(data.alerts.size() <= kMaxAlertsPerMessage, "more alerts kept than a message may give");
    std::vector<const ServiceAlert*> alerts;
    for (const auto& a : data.alerts) {
        require(a.periods.size() <= kMaxAlertPeriods, "more periods kept than an alert may have");
        for (const auto* texts : {&a.title, &a.text, &a.url}) {
            require(texts->size() <= kMaxTranslations, "more translations kept than a text may have");
            for (const auto& t : *texts)
                require(t.text.size() <= kMaxAlertTextBytes && validUtf8(t.text) == t.text, "an alert text out of bounds");
        }
        alerts.push_back(&a);
    }
    for (const auto& line : city.lines)
        for (int d = 0; d < 2; ++d)
            for (const char* lang : {"", "zh"}) {
                const std::string text = jsonText(alertsJson(alerts, line.lineId, d, lang, 1714954320));
                require(validUtf8(text) == text, "an alert reply that is not UTF-8");
            }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    readRealtime(std::string_view(reinterpret_cast<const char*>(data), size));
    const char* file = kFiles[data[0] % kFileCount];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const fs::path dir = feedCopy(), path = dir / file;
    const fs::path original = fs::path(BUS_STANDIN_TEST_FEED) / file;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
    }

    std::string inMemory, fromFile;
    std::optional<CsvReader> memoryReader;
    try {
        memoryReader.emplace(text, path.string());
    } catch (const std::runtime_error& e) {
        inMemory = e.what();
    }
    std::optional<CsvReader> fileReader;
    try {
        fileReader = CsvReader::open(path, 7);
        require(fileReader.has_value(), "the file written is not found");
    } catch (const std::runtime_error& e) {
        fromFile = e.what();
    }
    const auto a = records(std::move(memoryReader), inMemory);
    const auto b = records(std::move(fileReader), fromFile);
    require(a == b, "memory and file readings differ");
    require(inMemory.empty() == fromFile.empty(), "one reading refused, the other not");

    try {
        (void)importGtfs(dir, GtfsOptions{90, "", 0, 8 * 3600});
    } catch (const std::runtime_error&) {
    }
    // Back to the feed's own file for the next input, which may pick another.
    if (fs::exists(original)) {
        fs::copy_file(original, path, fs::copy_options::overwrite_existing);
    } else {
        fs::remove(path);
    }
    return 0;
}
