#include "platform/RunLoop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

namespace platform {
namespace {
const auto kEpoch = std::chrono::steady_clock::now();
double calendarSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}
double realSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - kEpoch).count();
}
}  // namespace

Timer::Timer(double interval, bool repeats, double fireDate, std::uint64_t seq, Action action)
    : interval_(interval), repeats_(repeats), fireDate_(fireDate), seq_(seq), action_(std::move(action)) {}

void Timer::invalidate() {
    std::lock_guard lock(mutex_);
    valid_ = false;
}

bool Timer::isValid() const {
    std::lock_guard lock(mutex_);
    return valid_;
}

double Timer::fireDate() const {
    std::lock_guard lock(mutex_);
    return fireDate_;
}

RunLoop::RunLoop() : owner_(std::this_thread::get_id()) {}

RunLoop& RunLoop::main() {
    static RunLoop loop;
    return loop;
}

void RunLoop::bindToCurrentThread() {
    std::lock_guard lock(mutex_);
    owner_ = std::this_thread::get_id();
}

bool RunLoop::isCurrentThread() const {
    std::lock_guard lock(mutex_);
    return owner_ == std::this_thread::get_id();
}

void RunLoop::post(Task task) {
    std::function<void()> wake;
    {
        std::unique_lock lock(mutex_);
        if (closed_) {
            lock.unlock();
            task = nullptr;  // its captures go here, outside the lock
            return;
        }
        posted_.push_back(std::move(task));
        wake = wake_;
    }
    cv_.notify_all();
    if (wake) wake();
}

double RunLoop::nowLocked() const { return virtual_ ? virtualNow_ : realSeconds(); }

double RunLoop::now() const {
    std::lock_guard lock(mutex_);
    return nowLocked();
}

TimerPtr RunLoop::scheduleTimer(double interval, bool repeats, Timer::Action action) {
    // A non-positive repeating interval would spin; clamp as phone toolkits do.
    if (interval <= 0.0) interval = repeats ? 0.0001 : 0.0;
    std::function<void()> wake;
    TimerPtr timer;
    {
        std::lock_guard lock(mutex_);
        timer = std::make_shared<Timer>(interval, repeats, nowLocked() + interval, ++seq_, std::move(action));
        timers_.push_back(timer);
        wake = wake_;
    }
    cv_.notify_all();
    if (wake) wake();
    return timer;
}

TimerPtr RunLoop::performAfterDelay(double delay, Task task) {
    return scheduleTimer(delay, false, [task = std::move(task)](Timer&) { task(); });
}

double RunLoop::secondsSince1970() const {
    std::lock_guard lock(mutex_);
    if (virtual_) return virtualStartSince1970_ + virtualNow_;
    return calendarSeconds();
}

void RunLoop::useVirtualClock(double start) {
    std::lock_guard lock(mutex_);
    virtual_ = true;
    virtualNow_ = start;
    virtualStartSince1970_ = calendarSeconds() - start;
}

void RunLoop::useRealClock() {
    std::lock_guard lock(mutex_);
    virtual_ = false;
}

bool RunLoop::isVirtualClock() const {
    std::lock_guard lock(mutex_);
    return virtual_;
}

std::size_t RunLoop::runPosted() {
    std::size_t ran = 0;
    for (;;) {
        Task task;
        {
            std::lock_guard lock(mutex_);
            if (posted_.empty()) break;
            task = std::move(posted_.front());
            posted_.pop_front();
        }
        task();
        ++ran;
    }
    return ran;
}

TimerPtr RunLoop::nextDueTimer(double upTo) {
    std::lock_guard lock(mutex_);
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [](const TimerPtr& t) { return !t->isValid(); }),
                  timers_.end());
    TimerPtr best;
    for (const auto& t : timers_) {
        const double when = t->fireDate();
        if (when > upTo) continue;
        if (!best || when < best->fireDate() || (when == best->fireDate() && t->seq_ < best->seq_)) best = t;
    }
    return best;
}

std::size_t RunLoop::fireDueTimers(double upTo) {
    std::size_t fired = 0;
    while (TimerPtr timer = nextDueTimer(upTo)) {
        {
            std::lock_guard lock(mutex_);
            if (virtual_) virtualNow_ = std::max(virtualNow_, timer->fireDate());
        }
        const double now = this->now();
        {
            std::lock_guard tlock(timer->mutex_);
            if (timer->repeats_) {
                double next = timer->fireDate_ + timer->interval_;
                if (next <= now) {
                    // Missed ticks are skipped, keeping the original phase.
                    const double missed = std::floor((now - timer->fireDate_) / timer->interval_);
                    next = timer->fireDate_ + (missed + 1.0) * timer->interval_;
                }
                timer->fireDate_ = next;
            } else {
                timer->valid_ = false;
            }
        }
        // Hold the timer alive while it runs, even if it invalidates itself.
        TimerPtr keep = timer;
        keep->action_(*keep);
        ++fired;
        runPosted();
    }
    return fired;
}

void RunLoop::advance(double seconds) {
    double target;
    {
        std::lock_guard lock(mutex_);
        target = virtualNow_ + std::max(0.0, seconds);
    }
    runPosted();
    fireDueTimers(target);
    {
        std::lock_guard lock(mutex_);
        virtualNow_ = std::max(virtualNow_, target);
    }
    runPosted();
}

std::size_t RunLoop::drain() {
    std::size_t n = runPosted();
    n += fireDueTimers(now());
    return n;
}

bool RunLoop::runUntil(const std::function<bool()>& predicate, double realTimeoutSeconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(realTimeoutSeconds);
    for (;;) {
        drain();
        if (predicate()) return true;
        std::unique_lock lock(mutex_);
        if (!posted_.empty()) continue;
        if (cv_.wait_until(lock, deadline) == std::cv_status::timeout && posted_.empty()) {
            lock.unlock();
            drain();
            return predicate();
        }
    }
}

double RunLoop::secondsUntilNextTimer() const {
    std::lock_guard lock(mutex_);
    double best = std::numeric_limits<double>::infinity();
    const double now = nowLocked();
    for (const auto& t : timers_)
        if (t->isValid()) best = std::min(best, std::max(0.0, t->fireDate() - now));
    return best;
}

void RunLoop::runOnce(double maxWaitSeconds) {
    drain();
    double wait = std::min(maxWaitSeconds, secondsUntilNextTimer());
    std::unique_lock lock(mutex_);
    if (posted_.empty() && !stopRequested_ && wait > 0.0 && !virtual_)
        cv_.wait_for(lock, std::chrono::duration<double>(wait));
    lock.unlock();
    drain();
}

void RunLoop::run() {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = false;
    }
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopRequested_) break;
        }
        runOnce(1.0);
    }
}

void RunLoop::stop() {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    cv_.notify_all();
}

void RunLoop::setWakeHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    wake_ = std::move(handler);
}

std::size_t RunLoop::activeTimerCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(
        std::count_if(timers_.begin(), timers_.end(), [](const TimerPtr& t) { return t->isValid(); }));
}

void RunLoop::close() {
    std::deque<Task> dropped;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        dropped.swap(posted_);
    }
    cv_.notify_all();
}

void RunLoop::open() {
    std::lock_guard lock(mutex_);
    closed_ = false;
}

void RunLoop::reset() {
    std::vector<TimerPtr> timers;
    std::deque<Task> posted;
    {
        std::lock_guard lock(mutex_);
        timers.swap(timers_);
        posted.swap(posted_);
        stopRequested_ = false;
    }
    for (auto& t : timers) t->invalidate();
    // Destroyed outside the lock: a task's captures may post on destruction.
}

}  // namespace platform
