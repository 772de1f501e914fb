#include "platform/Thread.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/RunLoop.h"

namespace platform {
namespace {
std::mutex gMutex;
std::condition_variable gCv;
int gWorkers = 0;
std::atomic<bool> gShuttingDown{false};
}  // namespace

void detachNewThread(std::function<void()> work) {
    {
        std::lock_guard lock(gMutex);
        ++gWorkers;
    }
    std::thread([work = std::move(work)]() mutable {
        work();
        work = nullptr;  // release captures before we report done
        std::lock_guard lock(gMutex);
        --gWorkers;
        gCv.notify_all();
    }).detach();
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
