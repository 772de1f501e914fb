// Painting the busiest screen at the phone's 2x, and one tap through the
// window's hit-testing and dispatch.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include "LiveRouteScene.h"
#include "platform/RunLoop.h"
#include "platform/qt/QtCanvas.h"
#include "platform/ui/Window.h"

namespace {

void BM_PaintLiveRouteAt2x(benchmark::State& state) {
    auto scene = bench::qt::makeLiveRouteScene();
    QImage image(750, 1334, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    for (auto _ : state) {
        QPainter painter(&image);
        platform::qt::QtCanvas canvas(painter);
        scene.window->draw(canvas);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["views"] = bench::qt::countViews(scene.window->rootView());
}
BENCHMARK(BM_PaintLiveRouteAt2x)->Unit(benchmark::kMillisecond);

void BM_TapAButtonInTheLiveRoute(benchmark::State& state) {
    auto scene = bench::qt::makeLiveRouteScene();
    const ui::Rect r = scene.waitingRowButton->frameInWindow();
    const ui::Point at{r.x() + 200, r.y() + 30};
    for (auto _ : state) {
        scene.window->touch(ui::TouchPhase::Began, at);
        scene.window->touch(ui::TouchPhase::Ended, at);
    }
    if (scene.taps != static_cast<int>(state.iterations())) state.SkipWithError("the tap did not reach the button");
}
BENCHMARK(BM_TapAButtonInTheLiveRoute)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    // Fonts need a GUI application; no window is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    platform::RunLoop::main().bindToCurrentThread();
    // --picture=FILE: save the frame that is timed, to look at it.
    for (int i = 1; i < argc; ++i)
        if (const QString arg = QString::fromLocal8Bit(argv[i]); arg.startsWith("--picture=")) {
            auto scene = bench::qt::makeLiveRouteScene();
            return platform::qt::renderWindow(*scene.window).save(arg.mid(10), "PNG") ? 0 : 1;
        }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
