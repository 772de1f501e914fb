// Rebuilding the live bus screen from replies already in hand: what the
// screen does after its requests on a direction switch (the line reply
// decoded, every stop row built, the vehicle reply decoded, markers and panel
// placed) and on a new waiting stop (the rows built again from the stops
// held, with the favourites query, then the vehicles). Lines of 45, 90 and
// 180 stops with 20 vehicles; the waiting stop is the middle one, so rows of
// every kind are built. No network: the screen's view is set up by hand, so
// its load (which requests) never runs.
//
// Build it optimised (-DCMAKE_BUILD_TYPE=Release) and run
//   build/release/bench/tracking/bench_tracking --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <filesystem>
#include <random>
#include <string>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "platform/Container.h"
#include "platform/RunLoop.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "screens/tracking/BusRealViewController.h"
#include "service/Readings.h"

namespace {

constexpr int kVehicles = 20;

std::string lineReply(int stops) {
    nlohmann::json line{{"lineId", 12},       {"lineName", "12路"},       {"gprsId", 1201},
                        {"ticketPrice", "1"}, {"opTime", "06:00-21:30"}, {"cityId", 16},
                        {"upDown", nlohmann::json::array()}};
    for (int n = 1; n <= stops; ++n)
        line["upDown"].push_back({{"id", 1200 + n},
                                  {"lineId", 12},
                                  {"cityId", 16},
                                  {"direction", 0},
                                  {"flagId", n == stops ? 2 : 1},
                                  {"orderNo", n},
                                  {"stationName", "站点" + std::to_string(n)}});
    return line.dump();
}

// Spread along the line, some standing at a stop and some between two.
std::string vehicleReply(int stops) {
    auto list = nlohmann::json::array();
    for (int i = 0; i < kVehicles; ++i)
        list.push_back({{"licensePlate", "晋B·" + std::to_string(1000 + i)},
                        {"stationNo", 1 + i * stops / kVehicles},
                        {"inStation", i % 2},
                        {"toNextStop", "距下站" + std::to_string(100 + i * 10) + "米"}});
    return list.dump();
}

// A screen with the layout's outlets and no load.
std::shared_ptr<bus::BusRealViewController> makeScreen() {
    auto screen = std::make_shared<bus::BusRealViewController>();
    auto root = screen->makeRootView({0, 0, 375, 554});
    auto scroll = std::make_shared<ui::ScrollView>(ui::Rect{0, 52, 375, 502});
    auto title = std::make_shared<ui::Label>(ui::Rect{10, 4, 230, 24});
    auto times = std::make_shared<ui::Label>(ui::Rect{10, 28, 230, 20});
    auto tab = std::make_shared<ui::ImageView>(ui::Rect{250, 10, 60, 30});
    for (ui::ViewPtr v : {ui::ViewPtr(scroll), ui::ViewPtr(title), ui::ViewPtr(times), ui::ViewPtr(tab)})
        root->addSubview(v);
    screen->setView(root);
    screen->realScrollView = scroll;
    screen->lineTitle = title;
    screen->smbUILabel = times;
    screen->tabUIImageView = tab;
    screen->handedOver.lineId = 12;
    screen->handedOver.direction = 0;
    return screen;
}

void setUpProcess() {
    static bool done = false;
    if (done) return;
    done = true;
    std::random_device rd;
    const auto root = std::filesystem::temp_directory_path() / ("busreal-bench-tracking-" + std::to_string(rd()));
    std::filesystem::create_directories(root);
    platform::Container::setRoot(root);
    platform::RunLoop::main().bindToCurrentThread();
    platform::RunLoop::main().useVirtualClock();
}

// After a direction switch's two requests.
void BM_LineAndVehiclesFromReplies(benchmark::State& state) {
    setUpProcess();
    const int stops = static_cast<int>(state.range(0));
    const std::string line = lineReply(stops), vehicles = vehicleReply(stops);
    auto screen = makeScreen();
    auto scroll = screen->realScrollView.lock();
    for (auto _ : state) {
        scroll->removeAllSubviews();
        screen->_orderNo = stops / 2;
        screen->tag = 1;
        screen->applyLine(line);
        screen->placeVehicles(bus::ops::readRealBus(vehicles));
        benchmark::DoNotOptimize(scroll->subviews().size());
    }
    state.counters["views"] = static_cast<double>(scroll->subviews().size());
}

// After a new waiting stop: rows from the stops held, the favourites query
// (an empty table), then the vehicles.
void BM_RowsAgainForANewWaitingStop(benchmark::State& state) {
    setUpProcess();
    const int stops = static_cast<int>(state.range(0));
    const std::string vehicles = vehicleReply(stops);
    auto screen = makeScreen();
    screen->applyLine(lineReply(stops));
    auto scroll = screen->realScrollView.lock();
    for (auto _ : state) {
        scroll->removeAllSubviews();
        screen->_orderNo = stops / 2;
        screen->updateStation();
        screen->placeVehicles(bus::ops::readRealBus(vehicles));
        benchmark::DoNotOptimize(scroll->subviews().size());
    }
}

BENCHMARK(BM_LineAndVehiclesFromReplies)->Arg(45)->Arg(90)->Arg(180)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RowsAgainForANewWaitingStop)->Arg(45)->Arg(90)->Arg(180)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
