// The longest time the main thread stays away from its run loop while a
// rider uses each screen against a city service that holds every request,
// as a dead network or a hung service does. A probe thread posts a task to
// the main run loop every few milliseconds and notes how late each one runs;
// the latest is the longest stall, the time in which the window could
// neither paint nor take a touch.
//
// The screens are the app's own, from the app's layout, on the headless
// window, driven by the scripted driver on the real clock. The service
// answers from recorded replies until the screen is open, then holds every
// request for longer than its 30-s time-out. Each screen is used for
// --seconds (default 60): taps, typing and refresh ticks (every 10 s). The
// journey planner, which asks on a worker of its own and ends after 10 s, is
// left out; its stop picker is in.
//
// Then, with the service answering, each screen's opening action is timed
// --rounds times (default 30): to its first frame (the step has acted and
// the window shows what it made) and until every text is in (the replies it
// asked for have come and been shown).
//
// Build it optimised (-DCMAKE_BUILD_TYPE=Release) and run
//   build/release/bench/app/bench_main_thread_stall [--seconds N] [--rounds N]
// It prints, per screen, the longest stall and the number of probes, then
// the medians and 95th percentiles of both times.
#include <unistd.h>

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/layout/MainStoryboard.h"
#include "model/BusCollection.h"
#include "model/BusQuery.h"
#include "model/MySingleton.h"
#include "platform/Container.h"
#include "platform/RunLoop.h"
#include "platform/Thread.h"
#include "platform/UserDefaults.h"
#include "platform/ui/ScriptDriver.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/Window.h"
#include "storage/FavouriteStore.h"
#include "storage/HistoryStore.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Answers each operation with its recorded reply while open; once closed,
// holds every request until the bench ends.
class HoldingService {
public:
    HoldingService() {
        for (const char* op : {"queryCity", "queryKeyword", "queryLine", "realBus", "realBusStation"})
            replies_.emplace_back(op, readFile(fs::path(BUS_SERVICE_REPLIES) / (std::string(op) + ".xml")));
        server_.Post(".*", [this](const httplib::Request& request, httplib::Response& reply) {
            std::unique_lock lock(mutex_);
            if (holding_) released_.wait(lock, [this] { return ending_; });
            for (const auto& [op, body] : replies_)
                if (request.body.find("<ns1:" + op + ">") != std::string::npos) reply.set_content(body, "text/xml");
        });
        // Replies leave at once, as the stand-in's do: a delayed ack would
        // add 40 ms to every reply and be timed as the app's.
        server_.set_tcp_nodelay(true);
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~HoldingService() {
        {
            std::lock_guard lock(mutex_);
            ending_ = true;
        }
        released_.notify_all();
        server_.stop();
        thread_.join();
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }
    void hold(bool on) {
        std::lock_guard lock(mutex_);
        holding_ = on;
    }

private:
    std::vector<std::pair<std::string, std::string>> replies_;
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::mutex mutex_;
    std::condition_variable released_;
    bool holding_ = false, ending_ = false;
};

// Posts a task to the main run loop every 5 ms of real time, each once the
// last has run, and keeps the longest delay before one ran.
class StallProbe {
public:
    StallProbe() {
        thread_ = std::thread([this] {
            while (!stopping_) {
                const auto posted = Clock::now();
                auto ran = std::make_shared<std::atomic<bool>>(false);
                platform::RunLoop::main().post([ran] { ran->store(true); });
                while (!ran->load() && !stopping_) std::this_thread::sleep_for(std::chrono::microseconds(200));
                if (!ran->load()) break;
                const double ms = std::chrono::duration<double, std::milli>(Clock::now() - posted).count();
                longest_ = std::max(longest_.load(), ms);
                ++probes_;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    }
    ~StallProbe() {
        stopping_ = true;
        thread_.join();
    }
    double longestMs() const { return longest_.load(); }
    long probes() const { return probes_.load(); }

private:
    std::atomic<bool> stopping_{false};
    std::atomic<double> longest_{0};
    std::atomic<long> probes_{0};
    std::thread thread_;
};

struct Scene {
    const char* name;
    std::string opening;  // steps while the service answers
    std::string using_;   // steps repeated while it holds, about a second a round
};

std::vector<Scene> scenes() {
    return {
        {"favourites", "tap_text 收藏\n", "tap_text 查询\ntap_text 收藏\nwait 0.5\n"},
        {"search", "tap 187 86\n", "type 1\nwait 0.3\ntype 2\nwait 0.3\nbackspace 2\n"},
        {"live line", "tap_text 9路\nexpect_text 最近三辆车：\n", "tap 200 380\nwait 0.4\ntap 200 500\nwait 0.4\n"},
        {"city list", "tap_text 收藏\n", "tap 330 42\nwait 0.5\ntap_text 返回\n"},
        {"stop picker", "tap_text 换乘\ntap 187 114\n", "type 新\nwait 0.3\nbackspace\n"},
    };
}

// One action timed from a screen it starts at, and the steps back there.
struct Timed {
    const char* name;
    std::string opening;  // to the screen the action starts at
    std::string action;   // one step that acts
    std::string back;
};

std::vector<Timed> timedActions() {
    return {
        {"favourites", "", "tap_text 收藏", "tap_text 查询"},
        {"search", "tap 187 86", "type 9", "backspace"},
        {"live line", "", "tap_text 9路", "tap_text 返回"},
        {"city list", "tap_text 收藏", "tap 330 42", "tap_text 返回"},
        {"stop picker", "tap_text 换乘\ntap 187 114", "type 新", "backspace"},
    };
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

// A fresh container with twelve favourites and 9路 in the history.
void freshContainer(const fs::path& root, const std::string& cityUrl) {
    fs::remove_all(root);
    fs::create_directories(root);
    platform::Container::setRoot(root);
    auto& prefs = platform::UserDefaults::standard();
    prefs.reload();
    prefs.setObject(16, "cityId");
    prefs.setObject("大同", "cityName");
    prefs.setObject(cityUrl, "postUrl");
    prefs.setObject("/realBus/CXFWebService/bus", "postWebService");
    prefs.setObject("10", "refreshTime");
    prefs.synchronize();
    for (int stop = 1; stop <= 12; ++stop) {
        bus::BusCollection f;
        f.lineName = "9路", f.stationName = "第" + std::to_string(stop) + "站", f.endLine = "西客运站";
        f.lineId = 9, f.direction = 0, f.orderNo = stop, f.gprsId = 9, f.cityId = 16;
        bus::FavouriteStore().save(f);
    }
    bus::BusQuery hit;
    hit.lineName = "9路", hit.stationName = "", hit.attribute = 0, hit.lineId = 12, hit.direction = 0;
    hit.cityId = 16;
    bus::HistoryStore().save(hit);
}

// The app's screens from its layout on a headless window, on a fresh
// container served by `service`.
struct App {
    explicit App(const HoldingService& service, const fs::path& root) {
        bus::MySingleton::sharedSingleton().directoryUrl = service.url();
        freshContainer(root, service.url());
        bus::layout::loadMainStoryboard(storyboard);
        window->setRootViewController(storyboard.instantiateInitialViewController());
        platform::RunLoop::main().drain();
    }
    ~App() {
        window->setRootViewController(nullptr);
        platform::RunLoop::main().drain();
        // The requests still held are dropped, and their workers end, before
        // the service goes.
        platform::shutDownWorkers(10.0);
    }
    bool run(const std::string& steps, std::string& error) {
        std::istringstream lines(steps);
        for (std::string step; std::getline(lines, step);)
            if (!driver.runStep(step, error)) return false;
        return true;
    }
    ui::Storyboard storyboard;
    std::shared_ptr<ui::Window> window = std::make_shared<ui::Window>();
    ui::ScriptDriver driver{*window};
};

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 60;
    int rounds = 30;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--seconds") seconds = std::atof(argv[i + 1]);
        if (std::string(argv[i]) == "--rounds") rounds = std::max(1, std::atoi(argv[i + 1]));
    }
    auto& loop = platform::RunLoop::main();
    loop.bindToCurrentThread();
    const fs::path root = fs::temp_directory_path() / ("bench-stall-" + std::to_string(getpid()));
    int status = 0;
    std::printf("held service\n%-12s %12s %8s\n", "screen", "longest (ms)", "probes");
    for (const auto& scene : scenes()) {
        // A service of its own for each screen, so that no request an earlier
        // one left held stands in the way.
        HoldingService service;
        App app(service, root);
        std::string error;
        bool ok = app.run(scene.opening, error);
        service.hold(true);
        double longest = 0;
        long probes = 0;
        {
            StallProbe probe;
            const auto end = Clock::now() + std::chrono::duration<double>(seconds);
            while (ok && Clock::now() < end) ok = app.run(scene.using_, error);
            longest = probe.longestMs();
            probes = probe.probes();
        }
        if (!ok) {
            std::fprintf(stderr, "%s: %s\n", scene.name, error.c_str());
            status = 1;
        }
        std::printf("%-12s %12.1f %8ld\n", scene.name, longest, probes);
        std::fflush(stdout);
    }
    std::printf("\nanswering service, %d rounds (ms)\n%-12s %13s %13s %13s %13s\n", rounds, "screen",
                "frame median", "frame p95", "all-in median", "all-in p95");
    for (const auto& timed : timedActions()) {
        HoldingService service;
        App app(service, root);
        std::string error;
        bool ok = app.run(timed.opening, error);
        std::vector<double> frames, allIn;
        Clock::time_point start;
        bool timing = false;  // only the timed action's first frame counts
        app.driver.acted = [&] {
            if (timing) frames.push_back(msSince(start));
            timing = false;
        };
        for (int round = 0; ok && round < rounds; ++round) {
            const auto mark = platform::workerMark();
            timing = true;
            start = Clock::now();
            ok = app.driver.runStep(timed.action, error) &&
                 loop.runUntil([mark] { return !platform::workersRunningSince(mark); }, 30.0);
            loop.drain();
            allIn.push_back(msSince(start));
            ok = ok && app.run(timed.back, error);
        }
        if (!ok) {
            std::fprintf(stderr, "%s: %s\n", timed.name, error.empty() ? "requests still out after 30 s" : error.c_str());
            status = 1;
        }
        std::printf("%-12s %13.2f %13.2f %13.2f %13.2f\n", timed.name, percentile(frames, 0.5), percentile(frames, 0.95),
                    percentile(allIn, 0.5), percentile(allIn, 0.95));
        std::fflush(stdout);
    }
    fs::remove_all(root);
    return status;
}
