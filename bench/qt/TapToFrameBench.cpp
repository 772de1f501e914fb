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

#include <cstdint>

#include "LiveBusTap.h"
#include "platform/qt/QtCanvas.h"

namespace {

void BM_TapAStopToTheNextFrame(benchmark::State& state) {
    bench::qt::LiveBusTap app;
    QImage image(750, 1334, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    const std::uint64_t requestsBefore = app.requests();
    const std::size_t taps = app.timeTaps(state, [&] {
        QPainter painter(&image);
        platform::qt::QtCanvas canvas(painter);
        app.window->draw(canvas);
    });
    // Each tap must have fetched the vehicles once, or nothing was measured.
    if (app.requests() - requestsBefore != taps) state.SkipWithError("a tap made no vehicle request");
}
BENCHMARK(BM_TapAStopToTheNextFrame)->Unit(benchmark::kMillisecond)->Iterations(400);

}  // namespace
