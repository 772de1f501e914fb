#include "platform/Thread.h"

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "platform/RunLoop.h"

namespace platform {
namespace {
std::mutex gMutex;
std::condition_variable gCv;
int gWorkers = 0;
WorkerMark gStarted = 0;         // guarded by gMutex
std::set<WorkerMark> gRunning;   // the marks of the workers still running, guarded by gMutex
std::atomic<bool> gShuttingDown{false};
}  // namespace

void detachNewThread(std::function<void()> work) {
    WorkerMark mark = 0;
    {
        std::lock_guard lock(gMutex);
        ++gWorkers;
        mark = ++gStarted;
        gRunning.insert(mark);
    }
    std::thread([work = std::move(work), mark]() mutable {
        work();
        work = nullptr;  // release captures before we report done
        {
            std::lock_guard lock(gMutex);
            gRunning.erase(mark);
        }
        // Whoever waits on the main loop for this worker hears it now; before
        // the count goes down, since the loop may go once no worker is left.
        RunLoop::main().post([] {});
        std::lock_guard lock(gMutex);
        --gWorkers;
        gCv.notify_all();
    }).detach();
}

WorkerMark workerMark() {
    std::lock_guard lock(gMutex);
    return gStarted;
}

bool workersRunningSince(WorkerMark mark) {
    std::lock_guard lock(gMutex);
    return gRunning.upper_bound(mark) != gRunning.end();
}

void performOnMainThread(std::function<void()> work) { RunLoop::main().post(std::move(work)); }

void performOnMainThreadAndWait(const std::function<void()>& work) {
    if (RunLoop::main().isCurrentThread()) {
        work();
        return;
    }
    (void)askMainThread<bool>([&work]() -> std::optional<bool> {
        work();
        return true;
    });
}

bool isMainThread() { return RunLoop::main().isCurrentThread(); }

bool waitForWorkerThreads(double realTimeoutSeconds) {
    std::unique_lock lock(gMutex);
    return gCv.wait_for(lock, std::chrono::duration<double>(realTimeoutSeconds), [] { return gWorkers == 0; });
}

bool shutdownRequested() { return gShuttingDown.load(std::memory_order_relaxed); }

bool shutDownWorkers(double realTimeoutSeconds) {
    gShuttingDown = true;
    RunLoop::main().close();
    const bool finished = waitForWorkerThreads(realTimeoutSeconds);
    RunLoop::main().open();
    gShuttingDown = false;
    return finished;
}

}  // namespace platform
