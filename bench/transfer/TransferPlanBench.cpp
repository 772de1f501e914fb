// Journey planning as the transfer result screen does it, against the
// bundled stand-in serving 大同 on loopback: the two keyword searches, every
// line calling at either stop fetched once, and the plans worked out.
//
// Before measuring, every ordered pair of 大同's stop names is planned once
// and the slowest ten are planned five times more; the pair with the
// slowest median is then measured as "worst", beside "most_lines" (the pair
// with the most lines at its two stops) and "ordinary" (大同站 to 北关).
// Each reports the requests made, the plans found and the wall time of one
// planning; the aim is under 50 ms for the worst pair.
//
// Build it optimised (-DCMAKE_BUILD_TYPE=Release) and run
//   build/release/bench/transfer/bench_transfer
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "DatongStandin.h"
#include "platform/Container.h"
#include "platform/RunLoop.h"
#include "city/CityService.h"
#include "transit/BusTransferPlanner.h"
#include "standin/Network.h"

namespace {

namespace fs = std::filesystem;
using Pair = std::pair<std::string, std::string>;

bench::DatongStandin& service() {
    static const auto standin = [] {
        auto s = std::make_unique<bench::DatongStandin>();
        s->makeCurrentCity();
        return s;
    }();
    return *standin;
}

const bus::BusTransferPlanner& planner() {
    static const bus::BusTransferPlanner p(bus::city::plannerSource());
    return p;
}

std::vector<std::string> datongStopNames() {
    std::set<std::string> names;
    for (const auto& city : bus::standin::loadDataFolder(BUS_STANDIN_DATA))
        if (city.cityId == bench::DatongStandin::kCityId)
            for (const auto& line : city.lines)
                for (const auto& direction : line.directions)
                    if (direction) names.insert(direction->stops.begin(), direction->stops.end());
    return {names.begin(), names.end()};
}

double secondsToPlan(const Pair& pair) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(planner().plan(pair.first, pair.second));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every ordered pair once, then the slowest ten again: the worst median.
Pair worstPair() {
    const auto names = datongStopNames();
    std::vector<std::pair<double, Pair>> timed;
    for (const auto& a : names)
        for (const auto& b : names)
            if (a != b) timed.emplace_back(secondsToPlan({a, b}), Pair{a, b});
    const std::size_t top = std::min<std::size_t>(10, timed.size());
    std::partial_sort(timed.begin(), timed.begin() + static_cast<long>(top), timed.end(),
                      [](const auto& x, const auto& y) { return x.first > y.first; });
    std::pair<double, Pair> worst{-1, {}};
    for (std::size_t i = 0; i < top; ++i) {
        std::vector<double> runs;
        for (int run = 0; run < 5; ++run) runs.push_back(secondsToPlan(timed[i].second));
        std::nth_element(runs.begin(), runs.begin() + 2, runs.end());
        if (runs[2] > worst.first) worst = {runs[2], timed[i].second};
    }
    std::printf("surveyed %zu pairs of %zu 大同 stop names; worst: %s → %s (median %.2f ms)\n", timed.size(),
                names.size(), worst.second.first.c_str(), worst.second.second.c_str(), worst.first * 1000);
    return worst.second;
}

void BM_PlanAJourney(benchmark::State& state, const Pair& pair) {
    bus::BusTransferPlanner::Result result;
    const std::uint64_t before = service().log.count();
    for (auto _ : state) result = planner().plan(pair.first, pair.second);
    const auto served = service().log.count() - before;
    if (result.searchFailed || result.unreadLines > 0) state.SkipWithError("the stand-in did not answer");
    if (served != static_cast<std::uint64_t>(result.requests) * state.iterations())
        state.SkipWithError("the stand-in saw another number of requests than the planner made");
    state.counters["requests"] = result.requests;
    state.counters["plans"] = static_cast<double>(result.plans.size());
    state.SetLabel(pair.first + " → " + pair.second);
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path root = fs::temp_directory_path() / ("bench-transfer-" + std::to_string(getpid()));
    fs::create_directories(root);
    platform::Container::setRoot(root);
    platform::RunLoop::main().bindToCurrentThread();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    service();
    const std::vector<std::pair<const char*, Pair>> pairs{
        {"worst", worstPair()}, {"most_lines", {"迎宾街文兴路口", "大同南站"}}, {"ordinary", {"大同站", "北关"}}};
    for (const auto& [name, pair] : pairs)
        benchmark::RegisterBenchmark((std::string("BM_PlanAJourney/") + name).c_str(), BM_PlanAJourney, pair)
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(root);
    return 0;
}
