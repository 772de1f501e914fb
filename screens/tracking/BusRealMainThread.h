#pragma once
// A worker thread asks the main thread for something and waits for the
// answer. Unlike platform::performOnMainThreadAndWait, the wait also ends
// when the run loop drops the task unrun (a reset between tests, a loop that
// stops): the answer is then empty, and the worker gives up.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/Thread.h"

namespace bus {

template <class T>
class BusRealMainThreadAnswer {
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

// Runs `task` on the main thread and returns what it gave; empty when the
// task gave nothing or never ran. Call from a worker thread only.
template <class T>
std::optional<T> askMainThread(std::function<std::optional<T>()> task) {
    auto answer = std::make_shared<BusRealMainThreadAnswer<T>>();
    // Gives an empty answer when the last copy of the queued task dies, which
    // is at once after running it, or whenever the loop throws it away.
    struct EmptyOnDrop {
        explicit EmptyOnDrop(std::shared_ptr<BusRealMainThreadAnswer<T>> a) : answer(std::move(a)) {}
        EmptyOnDrop(const EmptyOnDrop&) = delete;
        EmptyOnDrop& operator=(const EmptyOnDrop&) = delete;
        ~EmptyOnDrop() { answer->give(std::nullopt); }
        std::shared_ptr<BusRealMainThreadAnswer<T>> answer;
    };
    auto guard = std::make_shared<EmptyOnDrop>(answer);
    platform::performOnMainThread([guard, task = std::move(task)] { guard->answer->give(task()); });
    guard.reset();
    return answer->wait();
}

}  // namespace bus
