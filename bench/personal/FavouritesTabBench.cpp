// A tap on the favourites tab to the first painted frame, and on to the
// frame with every live text in, with 50 favourites of 大同 stored, against
// the bundled stand-in on loopback: the list reads the database and paints
// its rows at once, while its model asks "realBusStation" for each row in
// turn on a worker thread, one connection kept open; the window is painted
// at the phone's 2x. The screens are the app's own, from the app's layout;
// between two timed taps an untimed tap goes back to the search tab.
//
// Build it optimised (-DCMAKE_BUILD_TYPE=Release) and run
//   build/release/bench/personal/bench_favourites_tab
// It reports the median and the 95th percentile of the taps to the first
// frame, the median to the frame with every text, the requests each tap
// made, and the connections the stand-in accepted for all of them.
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <unistd.h>
#include <vector>

#include "app/layout/MainStoryboard.h"
#include "model/BusCollection.h"
#include "platform/Container.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"
#include "platform/qt/QtCanvas.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/Window.h"
#include "screens/personal/BusCollectionViewController.h"
#include "city/CityService.h"
#include "storage/FavouriteStore.h"
#include "DatongStandin.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t kDatong = bench::DatongStandin::kCityId;
constexpr std::int64_t kLine9 = 1609;
constexpr int kFavourites = 50;


// Stops of 9路 in both directions, as the line stations screen stores them,
// until there are `count`; false when the line cannot be read.
bool storeFavourites(int count) {
    int stored = 0;
    for (std::int64_t direction : {0, 1}) {
        const auto answer = bus::city::line(direction, kLine9);
        const auto& reading = answer.value();
        if (!reading.line) return false;
        for (const auto& stop : reading.stations) {
            if (stored == count) return true;
            bus::BusCollection record;
            record.lineName = reading.line->lineName;
            record.stationName = stop.stationName;
            record.direction = direction;
            record.lineId = kLine9;
            record.cityId = kDatong;
            record.orderNo = stop.orderNo;
            record.gprsId = reading.line->gprsId;
            record.endLine = reading.endStation;
            bus::FavouriteStore().save(record);
            ++stored;
        }
    }
    return stored == count;
}

void tapText(ui::Window& window, const std::string& text) {
    if (ui::View* view = window.findViewShowingText(text)) {
        const ui::Rect r = window.visibleFrameOf(*view);
        window.touch(ui::TouchPhase::Began, {r.midX(), r.midY()});
        window.touch(ui::TouchPhase::Ended, {r.midX(), r.midY()});
    }
}

bus::BusCollectionViewController* favouritesList(ui::Window& window) {
    auto* tabs = dynamic_cast<ui::TabBarController*>(window.rootViewController().get());
    auto* stack = tabs ? dynamic_cast<ui::NavigationController*>(tabs->selectedViewController().get()) : nullptr;
    return stack ? dynamic_cast<bus::BusCollectionViewController*>(stack->viewControllers().front().get()) : nullptr;
}

void BM_TapTheFavouritesTabToTheFirstFrame(benchmark::State& state) {
    const fs::path root = fs::temp_directory_path() / ("bench-favourites-" + std::to_string(getpid()));
    fs::create_directories(root);
    platform::Container::setRoot(root);
    bench::DatongStandin service;
    service.makeCurrentCity();
    if (!storeFavourites(kFavourites)) {
        state.SkipWithError("9路 did not load from the stand-in");
        return;
    }

    ui::Storyboard storyboard;
    bus::layout::loadMainStoryboard(storyboard);
    auto window = std::make_shared<ui::Window>();
    window->setRootViewController(storyboard.instantiateInitialViewController());
    auto& loop = platform::RunLoop::main();
    loop.drain();

    QImage image(750, 1334, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    std::vector<double> ms, allInMs;
    std::uint64_t requests = 0, rows = 0;
    const std::uint64_t connectionsBefore = service.standin->connectionsAccepted(kDatong);
    for (auto _ : state) {
        state.PauseTiming();
        tapText(*window, "查询");
        loop.drain();
        const std::uint64_t before = service.log.count();
        state.ResumeTiming();
        const auto start = Clock::now();
        tapText(*window, "收藏");
        loop.drain();
        const auto paint = [&] {
            QPainter painter(&image);
            platform::qt::QtCanvas canvas(painter);
            window->draw(canvas);
        };
        paint();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        auto* list = favouritesList(*window);
        if (!list || !loop.runUntil([list] { return list->data->waiting() == 0; }, 30.0)) break;
        paint();
        allInMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        requests += service.log.count() - before;
        rows += list->data->rows.size();
    }
    window.reset();
    fs::remove_all(root);
    // One live text per row, or the list was not what was measured.
    if (ms.empty() || allInMs.size() != ms.size() || rows != requests) {
        state.SkipWithError("the taps did not show the favourites with one request per row");
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::sort(allInMs.begin(), allInMs.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p95_ms"] = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
    state.counters["all_texts_median_ms"] = allInMs[allInMs.size() / 2];
    state.counters["requests_per_tap"] = static_cast<double>(requests) / static_cast<double>(ms.size());
    // Counted at the stand-in: how many connections the app opened for all of them.
    state.counters["connections"] =
        static_cast<double>(service.standin->connectionsAccepted(kDatong) - connectionsBefore);
}
BENCHMARK(BM_TapTheFavouritesTabToTheFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace
