// A tap on a stop of the live bus screen to the next painted frame, against
// the bundled stand-in on loopback: the preference write, the "realBus"
// request and its decoding, the rebuild of rows and vehicles, and painting
// the window at the phone's 2x. The screen is the app's own, from the app's
// layout, showing 大同's 40-stop 9路; each tap alternates between two stops.
//
// Build it optimised (-DCMAKE_BUILD_TYPE=Release) and run
//   build/release/bench/qt/bench_tap_to_frame
// It reports the median and the 95th percentile of the taps it timed.
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <unistd.h>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/layout/MainStoryboard.h"
#include "platform/Container.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"
#include "platform/qt/QtCanvas.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/Window.h"
#include "screens/tracking/BusRealViewController.h"
#include "DatongStandin.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t kLine9 = 1609;


// The stop rows' buttons in the screen's scrolling area, by stop number.
ui::Button* rowButton(ui::ScrollView& scroll, int orderNo) {
    for (const auto& row : scroll.subviews()) {
        if (row->tag != 0) continue;
        for (const auto& child : row->subviews())
            if (auto* button = dynamic_cast<ui::Button*>(child.get()); button && button->tag == orderNo) return button;
    }
    return nullptr;
}

void BM_TapAStopToTheNextFrame(benchmark::State& state) {
    const fs::path root = fs::temp_directory_path() / ("bench-tap-" + std::to_string(getpid()));
    fs::create_directories(root);
    platform::Container::setRoot(root);
    bench::DatongStandin service;
    service.makeCurrentCity();
    auto& prefs = platform::UserDefaults::standardUserDefaults();
    prefs.setObject("100", "refreshTime");  // by hand: no timer in the way

    ui::Storyboard storyboard;
    bus::layout::loadMainStoryboard(storyboard);
    auto screen = std::dynamic_pointer_cast<bus::BusRealViewController>(
        storyboard.instantiateViewController("BusRealViewController"));
    screen->setValue(kLine9, "lineId");
    screen->setValue(0, "direction");
    screen->setValue("", "currentStation");
    auto window = std::make_shared<ui::Window>();
    window->setRootViewController(std::make_shared<ui::NavigationController>(screen));
    auto& loop = platform::RunLoop::main();
    loop.drain();
    auto scroll = screen->realScrollView.lock();

    QImage image(750, 1334, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    std::vector<double> ms;
    const std::uint64_t requestsBefore = service.log.count();
    int stop = 5;  // 5 and 6 show on the window at the first scroll position
    for (auto _ : state) {
        stop = stop == 5 ? 6 : 5;
        ui::Button* button = scroll ? rowButton(*scroll, stop) : nullptr;
        if (!button) {
            state.SkipWithError("no row for the stop: the line did not load");
            break;
        }
        const ui::Rect r = button->frameInWindow();
        const ui::Point at{r.midX(), r.y() + 10};
        const auto start = Clock::now();
        window->touch(ui::TouchPhase::Began, at);
        window->touch(ui::TouchPhase::Ended, at);
        // The rebuild comes back from the screen's worker thread; the busy
        // indicator stops when it is done.
        loop.runUntil([&] { return !screen->indicator->isAnimating(); });
        QPainter painter(&image);
        platform::qt::QtCanvas canvas(painter);
        window->draw(canvas);
        painter.end();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    window.reset();
    fs::remove_all(root);
    // Each tap must have fetched the vehicles once, or nothing was measured.
    if (service.log.count() - requestsBefore != ms.size()) state.SkipWithError("a tap made no vehicle request");
    if (ms.empty()) return;
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p95_ms"] = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
}
BENCHMARK(BM_TapAStopToTheNextFrame)->Unit(benchmark::kMillisecond)->Iterations(400);

}  // namespace
