// Start-up to the first painted frame, and what a shown window costs while
// nobody touches it (resident memory, CPU).
//
//   qt_startup [RUNS]   starts itself RUNS times (10) and prints the medians
//
// Each run is a fresh process, timed from just before it is spawned until it
// reports its first painted frame, so loading Qt and the fonts counts. The
// window shows the busiest screen (the live route) in its tab and navigation
// bars. Runs on whatever Qt platform the environment picks (a display,
// Xvfb, or QT_QPA_PLATFORM=offscreen).
#include <QApplication>
#include <QTimer>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "LiveRouteScene.h"
#include "platform/RunLoop.h"
#include "platform/qt/PhoneWindow.h"
#include "platform/qt/QtHost.h"
#include "platform/qt/RunLoopBridge.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

double cpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

// The measured process: shows the window, reports the first frame, idles.
int child(int argc, char** argv) {
    const auto start = Clock::now();
    platform::qt::prepareQtPlatform();
    QApplication app(argc, argv);
    const double appMs = msSince(start);
    auto& loop = platform::RunLoop::main();
    loop.bindToCurrentThread();
    loop.useRealClock();
    auto scene = bench::qt::makeLiveRouteScene();
    platform::qt::PhoneWindow window(scene.window);
    platform::qt::RunLoopBridge bridge([&] { window.refresh(); });
    const double builtMs = msSince(start);
    double shownMs = 0;
    bool painted = false;
    window.afterPaint = [&] {
        if (painted) return;
        painted = true;
        std::printf("painted %.2f stages app %.1f screen %.1f show %.1f cpu %.1f\n", msSince(start), appMs, builtMs,
                    shownMs, cpuMs());
        std::fflush(stdout);
        // Let start-up work settle, then watch an idle second and a half.
        QTimer::singleShot(500, [&] {
            const double cpu0 = cpuMs();
            const auto idle0 = Clock::now();
            QTimer::singleShot(1500, [&, cpu0, idle0] {
                std::printf("idle rss_kb %ld cpu_ms %.2f over_ms %.0f views %d\n", residentKb(), cpuMs() - cpu0,
                            msSince(idle0), bench::qt::countViews(scene.window->rootView()));
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        });
    };
    window.show();
    shownMs = msSince(start);
    return QApplication::exec();
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

int parent(const char* self, int runs) {
    std::vector<double> outside, inside, rss, cpu;
    for (int i = 0; i < runs; ++i) {
        int out[2];
        if (pipe(out) != 0) return 1;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        char childFlag[] = "--child";
        char* args[] = {const_cast<char*>(self), childFlag, nullptr};
        pid_t pid = 0;
        const auto t0 = Clock::now();
        // Our own binary, wherever it was started from.
        if (posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, args, environ) != 0) {
            std::perror("posix_spawn");
            return 1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        FILE* in = fdopen(out[0], "r");
        char buf[256];
        while (std::fgets(buf, sizeof buf, in)) {
            std::istringstream line(buf);
            std::string word;
            line >> word;
            if (word == "painted") {
                outside.push_back(msSince(t0));
                double ms = 0;
                line >> ms;
                inside.push_back(ms);
                std::cout << "run " << i + 1 << ": spawn to paint " << outside.back() << " ms; from main: " << buf;
            } else if (word == "idle") {
                std::string key;
                double kb = 0, ms = 0;
                line >> key >> kb >> key >> ms;
                rss.push_back(kb / 1024.0);
                cpu.push_back(ms);
                std::cout << "run " << i + 1 << ": " << buf;
            }
        }
        std::fclose(in);
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::cerr << "run " << i + 1 << " failed\n";
            return 1;
        }
    }
    std::printf("start to first painted frame, median of %d: %.1f ms (process spawn to paint), %.1f ms (main to paint)\n",
                runs, median(outside), median(inside));
    std::printf("idle resident memory, median: %.1f MB; idle CPU: %.1f ms over 1.5 s\n", median(rss), median(cpu));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--child") return child(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    return parent(argv[0], runs);
}
