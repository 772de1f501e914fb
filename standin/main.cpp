// busreal-standin: the bundled directory and city services.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>
#include <stdexcept>
#include <string>

#include <systemd/sd-daemon.h>

#include "platform/Installation.h"
#include "standin/Gtfs.h"
#include "standin/Options.h"
#include "standin/Standin.h"

#ifndef BUS_STANDIN_DATA_DIR
#define BUS_STANDIN_DATA_DIR "standin/data"
#endif

using namespace bus::standin;

namespace {

// Installed, the bundled data lies in <prefix>/share/busreal/standin beside
// <prefix>/bin (the install rules of standin/CMakeLists.txt); run from a build
// folder, it is the source tree's data folder the build names.
std::filesystem::path defaultDataDir() {
    if (auto installed = platform::installedDataDirectory("standin/cities")) return *installed / "standin";
    return BUS_STANDIN_DATA_DIR;
}

// A mistake in the options that only shows once the data is loaded.
struct OptionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace

int main(int argc, char** argv) {
    platform::setInvokedProgramPath(argc > 0 ? argv[0] : nullptr);
    const std::filesystem::path dataDir = defaultDataDir();
    auto parsed = parseCommandLine(argc, argv, dataDir);
    if (auto* err = std::get_if<std::string>(&parsed)) {
        std::cerr << "busreal-standin: " << *err << "\nTry busreal-standin --help\n";
        return 2;
    }
    const CliOptions& opt = std::get<CliOptions>(parsed);
    if (opt.help) {
        std::cout << helpText(dataDir);
        return 0;
    }
    if (!opt.configNote.empty()) std::cerr << "busreal-standin: " << opt.configNote << "\n";

    StandinConfig config;
    config.host = opt.host;
    config.advertisedHost = opt.advertiseHost;
    config.directoryPort = opt.anyPorts ? 0 : opt.directoryPort.value_or(kDefaultDirectoryPort);
    config.rules.serviceHours = opt.serviceHours;
    config.serve.threads = opt.threads;
    try {
        std::vector<City> cities;
        if (!opt.noBundled) cities = loadDataFolder(opt.dataDir);
        auto serve = [&](City city, std::optional<int> port, LiveSources live = {}) {
            const int p = opt.anyPorts ? 0 : port.value_or(city.port);
            config.cities.push_back({std::make_shared<const City>(std::move(city)), p, std::move(live)});
        };
        if (opt.cities.empty()) {
            for (auto& c : cities) serve(std::move(c), std::nullopt);
        } else {
            for (const auto& sel : opt.cities) {
                auto it = std::find_if(cities.begin(), cities.end(), [&](const City& c) { return c.cityId == sel.cityId; });
                if (it == cities.end()) throw OptionError("--city: no city " + std::to_string(sel.cityId) + " in " + opt.dataDir.string());
                serve(*it, sel.port);
            }
        }
        for (const auto& feed : opt.feeds) {
            for (const auto& served : config.cities)
                if (served.city->cityId == feed.options.cityId)
                    throw OptionError(feed.origin + ": city " + std::to_string(feed.options.cityId) + " is already served by " +
                                      served.city->name + "; give the feed another id=");
            City city = importGtfs(feed.folder, feed.options);
            for (const auto& fault : city.feedFaults) std::cerr << "busreal-standin: feed fault: " << fault << "\n";
            serve(std::move(city), feed.options.port, {feed.realtime, std::chrono::seconds(feed.pollSeconds)});
        }
    } catch (const OptionError& e) {
        std::cerr << "busreal-standin: " << e.what() << "\nTry busreal-standin --help\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "busreal-standin: " << e.what() << "\n";
        return 1;
    }

    std::unique_ptr<Clock> clock;
    if (opt.startTime || opt.speed != 1.0)
        clock = std::make_unique<ScaledClock>(opt.startTime.value_or(std::chrono::system_clock::now()), opt.speed);
    else
        clock = std::make_unique<SystemClock>();

    // The serving threads inherit this mask, so the signals reach only the
    // sigwait below and the stop is orderly.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    // Every open connection is a file descriptor, and the usual soft limit
    // of 1024 is far below what the serving threads can hold.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }

    RequestLog log(stderr);
    log.setEnabled(!opt.quiet);
    std::unique_ptr<Standin> running;
    try {
        running = std::make_unique<Standin>(config, *clock, log);
        running->start();
    } catch (const std::exception& e) {
        std::cerr << "busreal-standin: " << e.what() << "\n";
        return 1;
    }
    Standin& standin = *running;
    std::printf("directory %s\n", standin.directoryUrl().c_str());
    for (const auto& c : standin.directory())
        std::printf("city %lld %s %s%s\n", static_cast<long long>(c.cityId), c.name.c_str(), c.baseUrl.c_str(), kCityPath);
    std::printf("ready\n");
    std::fflush(stdout);
    // Under a unit of Type=notify, `systemctl start` returns only now, with
    // every service listening; elsewhere NOTIFY_SOCKET is unset and this does
    // nothing.
    const std::size_t served = standin.directory().size();
    const std::string status = "serving " + std::to_string(served) + (served == 1 ? " city" : " cities") +
                               ", directory " + standin.directoryUrl();
    sd_notifyf(0, "READY=1\nSTATUS=%s\nMAINPID=%lu", status.c_str(), static_cast<unsigned long>(getpid()));

    int sig = 0;
    sigwait(&stopSignals, &sig);
    std::fprintf(stderr, "busreal-standin: stopping on %s\n", sig == SIGINT ? "SIGINT" : "SIGTERM");
    sd_notify(0, "STOPPING=1\nSTATUS=stopping");
    standin.stop();
    return 0;
}
