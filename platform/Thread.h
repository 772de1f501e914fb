#pragma once
// Worker threads and the ways back to the main thread.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace platform {

// Runs the work on a new thread of its own (a detached worker).
void detachNewThread(std::function<void()> work);
// Queues the work on the main run loop and returns at once.
void performOnMainThread(std::function<void()> work);
// Runs the work on the main thread and waits for it; runs it directly when
// already there. The wait also ends when the loop drops the task unrun (a
// reset between tests, a loop closed for the exit).
void performOnMainThreadAndWait(const std::function<void()>& work);
bool isMainThread();
// Blocks until every worker started by detachNewThread has finished
// (orderly shutdown, tests). Returns false on time-out.
bool waitForWorkerThreads(double realTimeoutSeconds = 60.0);

// A mark in the sequence of workers started: whether any worker started
// since a mark is still running tells a driver that what it set going is
// done (the scripted driver waits on it after a tap). A worker that ends
// wakes the main run loop, so a wait for this condition sees it at once.
using WorkerMark = std::uint64_t;
WorkerMark workerMark();
bool workersRunningSince(WorkerMark mark);

// The exit of the app with workers still under way: from here on the main
// run loop drops what is posted to it, transfers in flight see
// shutdownRequested() and give up, and the call waits up to the bound for
// the workers to end. False when some are still running; the loop opens
// again either way, for a process that goes on (tests).
bool shutDownWorkers(double realTimeoutSeconds);
bool shutdownRequested();

// Runs `task` on the main thread and returns what it gave; empty when the
// task gave nothing or the loop dropped it unrun. Call from a worker thread.
template <class T>
std::optional<T> askMainThread(std::function<std::optional<T>()> task);

// ---- Implementation ----

namespace detail {

template <class T>
class MainThreadAnswer {
public:
    void give(std::optional<T> value) {
        std::lock_guard lock(mutex_);
        if (given_) return;
        given_ = true;
        value_ = std::move(value);
        ready_.notify_all();
    }
    std::optional<T> wait() {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return given_; });
        return std::move(value_);
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    bool given_ = false;
    std::optional<T> value_;
};

// Gives an empty answer when the last copy of the queued task dies: at once
// after it ran, or whenever the loop throws it away.
template <class T>
struct EmptyOnDrop {
    explicit EmptyOnDrop(std::shared_ptr<MainThreadAnswer<T>> a) : answer(std::move(a)) {}
    EmptyOnDrop(const EmptyOnDrop&) = delete;
    EmptyOnDrop& operator=(const EmptyOnDrop&) = delete;
    ~EmptyOnDrop() { answer->give(std::nullopt); }
    std::shared_ptr<MainThreadAnswer<T>> answer;
};

}  // namespace detail

template <class T>
std::optional<T> askMainThread(std::function<std::optional<T>()> task) {
    auto answer = std::make_shared<detail::MainThreadAnswer<T>>();
    auto guard = std::make_shared<detail::EmptyOnDrop<T>>(answer);
    performOnMainThread([guard, task = std::move(task)] { guard->answer->give(task()); });
    guard.reset();
    return answer->wait();
}

}  // namespace platform
