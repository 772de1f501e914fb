#include "platform/qt/RunLoopBridge.h"

#include <QEventLoop>
#include <QMetaObject>

#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>

#include "platform/RunLoop.h"

namespace platform::qt {

// What the wake handler holds on to. A worker thread may have copied the
// handler just before the bridge went away, so the handler never touches the
// bridge directly: it finds it here under a lock that the destructor takes
// to clear it.
struct RunLoopBridge::WakeTarget {
    std::mutex mutex;
    RunLoopBridge* bridge = nullptr;
    // One queued drain at a time: a burst of posts costs one wake-up.
    std::atomic<bool> queued{false};
};

RunLoopBridge::RunLoopBridge(std::function<void()> afterDrain, QObject* parent)
    : QObject(parent), target_(std::make_shared<WakeTarget>()), afterDrain_(std::move(afterDrain)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { drainNow(); });
    target_->bridge = this;
    platform::RunLoop::main().setWakeHandler([target = target_] {
        if (target->queued.exchange(true)) return;
        std::lock_guard lock(target->mutex);
        // Thread-safe: the call lands in the main thread's event queue, and Qt
        // drops it if the bridge is deleted before it runs.
        if (target->bridge) QMetaObject::invokeMethod(target->bridge, [b = target->bridge] { b->drainNow(); }, Qt::QueuedConnection);
    });
    // Work may have been queued before the bridge existed.
    target_->queued = true;
    QMetaObject::invokeMethod(this, [this] { drainNow(); }, Qt::QueuedConnection);
}

RunLoopBridge::~RunLoopBridge() {
    platform::RunLoop::main().setWakeHandler(nullptr);
    std::lock_guard lock(target_->mutex);
    target_->bridge = nullptr;
}

void RunLoopBridge::drainNow() {
    // Cleared first: a post made while draining queues another pass.
    target_->queued = false;
    platform::RunLoop::main().drain();
    reschedule();
    if (afterDrain_) afterDrain_();
}

void RunLoopBridge::reschedule() {
    auto& loop = platform::RunLoop::main();
    const double seconds = loop.secondsUntilNextTimer();
    // A virtual clock (tests) moves only when told to: waiting in real time
    // for it would spin.
    if (!std::isfinite(seconds) || loop.isVirtualClock()) {
        timer_.stop();
        return;
    }
    // Rounded up: a timer that fires a hair early would find nothing due.
    const double ms = std::ceil(seconds * 1000.0);
    timer_.start(static_cast<int>(std::min(ms, double(std::numeric_limits<int>::max() / 2))));
}

void RunLoopBridge::runFor(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(std::max(0.0, std::round(seconds * 1000.0))), Qt::PreciseTimer, &loop,
                       &QEventLoop::quit);
    drainNow();
    loop.exec();
    drainNow();
}

int RunLoopBridge::pendingTimerMs() const { return timer_.isActive() ? timer_.remainingTime() : -1; }

}  // namespace platform::qt
