// Feeds arbitrary bytes to the stand-in as a GTFS zip (--gtfs=feed.zip),
// read in place, with small bounds so that a bomb costs little. For any
// input nothing crashes, leaks or reads out of bounds, and the zip is either
// read or refused with a std::runtime_error that names it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "standin/Gtfs.h"

namespace {

namespace fs = std::filesystem;

// A file of this process's own, rewritten for every input.
const fs::path& zipFile() {
    static const fs::path file = [] {
        const fs::path f = fs::temp_directory_path() / ("busreal-fuzz-" + std::to_string(getpid()) + ".zip");
        std::atexit([] { fs::remove(zipFile()); });
        return f;
    }();
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        std::ofstream out(zipFile(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    bus::standin::GtfsOptions options{90, "", 0, 8 * 3600};
    options.zipTableBytes = 1 << 20;
    options.zipFeedBytes = 4 << 20;
    try {
        (void)bus::standin::importGtfs(zipFile(), options);
    } catch (const std::runtime_error& e) {
        if (std::string(e.what()).find(zipFile().string()) == std::string::npos) {
            std::fprintf(stderr, "fuzz_standin_zip: a refusal that does not name the zip: %s\n", e.what());
            std::abort();
        }
    }
    return 0;
}
