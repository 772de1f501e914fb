// The toolkit's run loop inside Qt's event loop: work from other threads
// wakes Qt, timers set a Qt timer, and the window hears after each pass.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/RunLoop.h"
#include "platform/qt/RunLoopBridge.h"

namespace {

// Lets Qt run until the condition holds, for a worker thread's post to
// arrive (bounded, so a lost wake-up fails instead of hanging).
bool processEventsUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(10'000);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

// All that a worker thread posts while Qt is busy runs on the Qt thread in
// one pass, and the window hears once after it.
TEST(RunLoopBridge, ABurstPostedFromAnotherThreadRunsOnTheQtThreadInOnePass) {
    std::atomic<int> passes{0};
    platform::qt::RunLoopBridge bridge([&] { ++passes; });
    processEventsUntil([&] { return passes > 0; });  // the first pass, for work queued before it existed
    const int before = passes;

    std::atomic<int> ran{0}, elsewhere{0};
    const auto qtThread = std::this_thread::get_id();
    std::thread([&] {
        for (int i = 0; i < 50; ++i)
            platform::RunLoop::main().post([&] { ++ran, elsewhere += std::this_thread::get_id() != qtThread; });
    }).join();
    ASSERT_TRUE(processEventsUntil([&] { return ran == 50; }));
    EXPECT_EQ(elsewhere, 0);
    EXPECT_EQ(passes, before + 1);
}

TEST(RunLoopBridge, TimersSetAQtTimerOnTheRealClockOnly) {
    auto& loop = platform::RunLoop::main();
    platform::qt::RunLoopBridge bridge;
    // The virtual clock (tests) moves only when told to: a Qt timer would spin.
    loop.performAfterDelay(5.0, [] {});
    QCoreApplication::processEvents();
    EXPECT_EQ(bridge.pendingTimerMs(), -1);
    loop.advance(5.0);

    loop.useRealClock();
    QElapsedTimer clock;
    clock.start();
    auto later = loop.performAfterDelay(30.0, [] {});
    QCoreApplication::processEvents();  // the wake-up from scheduling
    // Set for when the run-loop timer is due, however long this machine took
    // to get here; Qt may move a coarse timer by up to 5 %.
    const int ms = bridge.pendingTimerMs();
    EXPECT_LE(ms, 30'000);
    EXPECT_GE(ms, (30'000 - clock.elapsed()) * 95 / 100);
    // Due now: fired in the pass that the scheduling wakes.
    bool fired = false;
    loop.performAfterDelay(0.0, [&] { fired = true; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(fired);

    later->invalidate();
    bridge.drainNow();
    EXPECT_EQ(bridge.pendingTimerMs(), -1);
}

TEST(RunLoopBridge, GoneBridgeNoLongerDrainsTheLoop) {
    auto& loop = platform::RunLoop::main();
    auto bridge = std::make_unique<platform::qt::RunLoopBridge>();
    QCoreApplication::processEvents();
    bridge.reset();
    bool ran = false;
    std::thread([&] { loop.post([&] { ran = true; }); }).join();
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
    loop.drain();
    EXPECT_TRUE(ran);
}

}  // namespace
