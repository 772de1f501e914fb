// The entry of the benchmarks that paint with Qt and talk to a service on
// the real clock: fonts need a GUI application (no window is shown), and
// the toolkit's run loop belongs to this thread.
#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include "platform/RunLoop.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    platform::RunLoop::main().bindToCurrentThread();
    platform::RunLoop::main().useRealClock();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
