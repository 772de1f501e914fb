// standin-load-feed: how long a GTFS feed folder takes to load and the peak
// resident memory of the process once it is served, against the targets for
// a city-sized feed (5 s, 250 MB in a Release build).
//
// Usage: standin-load-feed DIR [--time=ISO --line=NAME]
//   With --time and --line, also prints how many vehicles of that line are
//   under way in each direction at that time, and where, as realBus lists
//   them. The feed's times are read in its own zone, so the answer does not
//   depend on the machine's date or zone.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "standin/Gtfs.h"
#include "standin/Vehicles.h"

using namespace bus::standin;

namespace {

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void printVehicles(const City& city, const std::string& lineName, TimePoint when) {
    for (const auto& line : city.lines) {
        if (line.lineName != lineName) continue;
        std::string counts;
        for (int d = 0; d < 2; ++d) {
            const auto& dir = line.directions[static_cast<std::size_t>(d)];
            if (!dir) continue;
            const auto vehicles = vehiclesAt(city, line, d, when, {});
            std::printf("line %s direction %d: %zu stops, %zu trips, %zu vehicles under way:", lineName.c_str(), d,
                        dir->stops.size(), dir->trips.size(), vehicles.size());
            for (const auto& v : vehicles) std::printf(" %d%s", v.stationNo, v.inStation ? "at" : "on");
            std::printf("\n");
            counts += (counts.empty() ? "" : " and ") + std::to_string(vehicles.size());
        }
        std::printf("line %s under way (direction 0 and 1) in zone %s: %s\n", lineName.c_str(),
                    city.timeZone ? city.timeZone->name().c_str() : "?", counts.c_str());
        return;
    }
    std::printf("no line %s\n", lineName.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: standin-load-feed DIR [--time=ISO --line=NAME]\n");
        return 2;
    }
    std::string time;
    std::string lineName;
    for (int i = 2; i < argc; ++i) {
        if (std::strncmp(argv[i], "--time=", 7) == 0) time = argv[i] + 7;
        if (std::strncmp(argv[i], "--line=", 7) == 0) lineName = argv[i] + 7;
    }
    const GtfsOptions options;
    const double before = peakMegabytes();
    const auto t0 = std::chrono::steady_clock::now();
    City city;
    try {
        city = importGtfs(argv[1], options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "standin-load-feed: %s\n", e.what());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double peak = peakMegabytes();
    std::size_t trips = 0;
    std::size_t calls = 0;
    for (const auto& line : city.lines)
        for (const auto& dir : line.directions)
            if (dir)
                for (const auto& trip : dir->trips) {
                    ++trips;
                    calls += trip.calls.size();
                }
    std::printf("feed %s: %zu stops, %zu lines, %zu trips on lines, %zu calls\n", argv[1], city.stopIds.size(),
                city.lines.size(), trips, calls);
    std::printf("load %.2f s, peak resident memory %.0f MB (%.0f MB before loading)\n", seconds, peak, before);
    if (!time.empty() && !lineName.empty()) {
        const auto when = parseTime(time);
        if (!when) {
            std::fprintf(stderr, "standin-load-feed: bad --time\n");
            return 2;
        }
        printVehicles(city, lineName, *when);
    }
    const bool ok = seconds <= 5.0 && peak <= 250.0;
    std::printf("%s (targets: 5 s, 250 MB)\n", ok ? "OK" : "FAIL");
    return ok ? 0 : 1;
}
