// bench_tap_to_frame's tap on the desktop window itself: after the rebuild
// the window refreshes, which has its accessibility bridge send what changed
// when assistive technology listens, and paints on screen; the events then
// go out on the accessibility bus. What accessibility costs a tap is this
// benchmark run with a listener against it run without one.
//
//   bench_accessible_tap                       no assistive technology
//   QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 bench_accessible_tap
//                                              under a D-Bus session with
//                                              the accessibility bus and a
//                                              listener (README, Benchmarks)
// It needs a display (Xvfb will do) and reports the median and the 95th
// percentile of the taps it timed, and whether the bridge listened.
#include <QApplication>

#include <benchmark/benchmark.h>

#include "LiveBusTap.h"
#include "platform/RunLoop.h"
#include "platform/qt/Accessibility.h"
#include "platform/qt/PhoneWindow.h"
#include "platform/qt/QtHost.h"

namespace {

void BM_TapAStopToTheWindowsNextFrame(benchmark::State& state) {
    bench::qt::LiveBusTap app;
    platform::qt::PhoneWindow phone(app.window);
    phone.show();
    QCoreApplication::processEvents();
    app.timeTaps(state, [&] {
        phone.refresh();
        phone.repaint();
        QCoreApplication::processEvents();
    });
    state.counters["listening"] = phone.accessibility().listening() ? 1 : 0;
}
BENCHMARK(BM_TapAStopToTheWindowsNextFrame)->Unit(benchmark::kMillisecond)->Iterations(400);

}  // namespace

int main(int argc, char** argv) {
    platform::qt::prepareQtPlatform();
    QApplication qtApp(argc, argv);
    platform::RunLoop::main().bindToCurrentThread();
    platform::RunLoop::main().useRealClock();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
