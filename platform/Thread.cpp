#include "platform/Thread.h"

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "platform/RunLoop.h"

namespace platform {
namespace {
std::mutex gMutex;
std::condition_variable gCv;
int gWorkers = 0;
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
    std::promise<void> done;
    auto future = done.get_future();
    RunLoop::main().post([&] {
        work();
        done.set_value();
    });
    future.wait();
}

bool isMainThread() { return RunLoop::main().isCurrentThread(); }

bool waitForWorkerThreads(double realTimeoutSeconds) {
    std::unique_lock lock(gMutex);
    return gCv.wait_for(lock, std::chrono::duration<double>(realTimeoutSeconds), [] { return gWorkers == 0; });
}

}  // namespace platform
