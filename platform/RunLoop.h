#pragma once
// The main thread's run loop: a queue that any thread can post to, timers
// and delayed calls. Its clock is real in the app and virtual in tests, where
// advance() moves time forward and fires exactly the timers that fell due,
// in order, without sleeping.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

class RunLoop;

class Timer {
public:
    using Action = std::function<void(Timer&)>;
    void invalidate();
    bool isValid() const;
    double timeInterval() const { return interval_; }
    bool repeats() const { return repeats_; }
    double fireDate() const;

    Timer(double interval, bool repeats, double fireDate, std::uint64_t seq, Action action);

private:
    friend class RunLoop;
    const double interval_;
    const bool repeats_;
    double fireDate_;
    std::uint64_t seq_;
    Action action_;
    mutable std::mutex mutex_;
    bool valid_ = true;
};
using TimerPtr = std::shared_ptr<Timer>;

class RunLoop {
public:
    using Task = std::function<void()>;

    static RunLoop& main();

    // The thread that runs the loop; screens change state only there.
    void bindToCurrentThread();
    bool isCurrentThread() const;

    // Thread-safe: queue a task for the loop's thread.
    void post(Task task);

    // Timers belong to the loop until invalidated. The first fire is one
    // interval from now; a repeating timer keeps its schedule and skips
    // ticks that were missed instead of firing them in a burst.
    TimerPtr scheduleTimer(double interval, bool repeats, Timer::Action action);
    // A one-shot timer with a plain task (a delayed call).
    TimerPtr performAfterDelay(double delay, Task task);

    double now() const;
    // The calendar time in seconds since 1970, for what outlives the
    // process (the age of a stored copy). It moves with the virtual clock:
    // the virtual start stands at the real time of useVirtualClock.
    double secondsSince1970() const;
    void useVirtualClock(double start = 0.0);
    void useRealClock();
    bool isVirtualClock() const;

    // Virtual clock: move time forward by the given seconds, firing due
    // timers and running posted tasks as they come.
    void advance(double seconds);

    // Runs queued tasks, including those they queue, and due timers.
    std::size_t drain();

    // Waits (real time, on a condition variable) for posted work until the
    // predicate holds. Returns false on time-out. For tests that wait for a
    // worker thread's result.
    bool runUntil(const std::function<bool()>& predicate, double realTimeoutSeconds = 10.0);

    // Real-clock loop.
    void run();
    void stop();
    void runOnce(double maxWaitSeconds);

    // For a host event loop (the desktop window): how long until the next
    // timer is due, and a hook called whenever work is posted from any thread.
    double secondsUntilNextTimer() const;
    void setWakeHandler(std::function<void()> handler);

    std::size_t activeTimerCount() const;
    // While closed, the loop drops every task posted to it (and those queued
    // when it closed): workers waiting on an answer get none and give up.
    void close();
    void open();
    // Drops all queued tasks and timers (between tests).
    void reset();

private:
    RunLoop();
    std::size_t runPosted();
    std::size_t fireDueTimers(double upTo);
    TimerPtr nextDueTimer(double upTo);
    double nowLocked() const;

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Task> posted_;
    std::vector<TimerPtr> timers_;
    std::function<void()> wake_;
    std::thread::id owner_;
    std::uint64_t seq_ = 0;
    bool virtual_ = false;
    double virtualNow_ = 0.0;
    double virtualStartSince1970_ = 0.0;
    bool stopRequested_ = false;
    bool closed_ = false;
};

}  // namespace platform
