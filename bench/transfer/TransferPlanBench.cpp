// Journey planning as the transfer result screen does it, against the
// bundled stand-in serving 大同 on loopback: the two keyword searches, every
// line calling at either stop fetched once, and the plans worked out. The
// pairs need a change; the first is the pair with the most lines at its two
// stops (18 requests), the second an ordinary one. Reports the requests made,
// the plans found and the wall time of one planning; the aim is under 300 ms.
//
// Build it optimised (-DCMAKE_BUILD_TYPE=Release) and run
//   build/release/bench/transfer/bench_transfer
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "model/Preferences.h"
#include "platform/Container.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"
#include "screens/personal/BusTransferPlanner.h"
#include "DatongStandin.h"

namespace {

namespace fs = std::filesystem;


void BM_PlanAJourneyWithAChange(benchmark::State& state, const char* start, const char* end) {
    static const auto service = [] {
        auto s = std::make_unique<bench::DatongStandin>();
        s->makeCurrentCity();
        return s;
    }();
    const bus::BusTransferPlanner planner(bus::BusTransferPlanner::Source::cityService());
    bus::BusTransferPlanner::Result result;
    const std::uint64_t before = service->log.count();
    for (auto _ : state) result = planner.plan(start, end);
    const auto served = service->log.count() - before;
    if (result.plans.empty()) state.SkipWithError("no plan: the stand-in did not answer");
    if (served != static_cast<std::uint64_t>(result.requests) * state.iterations())
        state.SkipWithError("the stand-in saw another number of requests than the planner made");
    state.counters["requests"] = result.requests;
    state.counters["plans"] = static_cast<double>(result.plans.size());
}
BENCHMARK_CAPTURE(BM_PlanAJourneyWithAChange, most_lines, "迎宾街文兴路口", "大同南站")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlanAJourneyWithAChange, ordinary, "大同站", "北关")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const fs::path root = fs::temp_directory_path() / ("bench-transfer-" + std::to_string(getpid()));
    fs::create_directories(root);
    platform::Container::setRoot(root);
    platform::RunLoop::main().bindToCurrentThread();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(root);
    return 0;
}
