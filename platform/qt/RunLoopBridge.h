#pragma once
// Runs the toolkit's main run loop inside Qt's event loop on the main thread:
// work posted from any thread wakes Qt with a queued call that drains the
// loop, and one single-shot timer is kept set to the next run-loop timer.
// After every drain the owner is told (the window repaints).
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

namespace platform::qt {

class RunLoopBridge : public QObject {
public:
    // Takes over the wake handler of RunLoop::main(); the loop must be bound
    // to this (the Qt main) thread.
    explicit RunLoopBridge(std::function<void()> afterDrain = {}, QObject* parent = nullptr);
    ~RunLoopBridge() override;
    RunLoopBridge(const RunLoopBridge&) = delete;
    RunLoopBridge& operator=(const RunLoopBridge&) = delete;

    // Runs posted tasks and due timers now, sets the timer for the next one
    // and tells the owner.
    void drainNow();

    // Drains whenever something arrives, for this many real seconds, while
    // Qt keeps handling events and painting.
    void runFor(double seconds);

    // Milliseconds until the timer fires, or -1 while no run-loop timer waits.
    int pendingTimerMs() const;

private:
    struct WakeTarget;
    void reschedule();

    std::shared_ptr<WakeTarget> target_;
    QTimer timer_;
    std::function<void()> afterDrain_;
};

}  // namespace platform::qt
