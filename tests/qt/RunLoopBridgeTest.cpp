// The toolkit's run loop inside Qt's event loop: work from other threads
// wakes Qt, timers set a Qt timer, and the window hears after each pass.
#include <QCoreApplication>
#include <QDeadlineTimer>
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

TEST(RunLoopBridge, WorkPostedFromAnotherThreadRunsOnTheQtThreadThenTheWindowRepaints) {
    std::atomic<int> passes{0};
    platform::qt::RunLoopBridge bridge([&] { ++passes; });
    processEventsUntil([&] { return passes > 0; });  // the first pass, for work queued before it existed
    const int before = passes;

    std::atomic<bool> ran{false};
    std::thread::id ranOn;
    std::thread worker([&] {
        platform::RunLoop::main().post([&] {
            ranOn = std::this_thread::get_id();
            ran = true;
        });
    });
    worker.join();
    ASSERT_TRUE(processEventsUntil([&] { return ran.load(); }));
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_GT(passes, before);
}

TEST(RunLoopBridge, ABurstOfPostsCostsOnePass) {
    int passes = 0;
    platform::qt::RunLoopBridge bridge([&] { ++passes; });
    QCoreApplication::processEvents();
    passes = 0;
    int ran = 0;
    for (int i = 0; i < 50; ++i) platform::RunLoop::main().post([&] { ++ran; });
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 50);
    EXPECT_EQ(passes, 1);
}

TEST(RunLoopBridge, TimersOnTheRealClockSetAQtTimer) {
    auto& loop = platform::RunLoop::main();
    loop.useRealClock();
    platform::qt::RunLoopBridge bridge;
    QCoreApplication::processEvents();
    EXPECT_EQ(bridge.pendingTimerMs(), -1);

    auto later = loop.performAfterDelay(30.0, [] {});
    QCoreApplication::processEvents();  // the wake-up from scheduling
    EXPECT_GT(bridge.pendingTimerMs(), 29'000);
    EXPECT_LE(bridge.pendingTimerMs(), 30'000);

    // Due now: fired in the pass that the scheduling wakes.
    bool fired = false;
    loop.performAfterDelay(0.0, [&] { fired = true; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(fired);

    later->invalidate();
    bridge.drainNow();
    EXPECT_EQ(bridge.pendingTimerMs(), -1);
}

TEST(RunLoopBridge, AVirtualClockSetsNoQtTimer) {
    auto& loop = platform::RunLoop::main();
    platform::qt::RunLoopBridge bridge;
    bool fired = false;
    loop.performAfterDelay(5.0, [&] { fired = true; });
    QCoreApplication::processEvents();
    EXPECT_EQ(bridge.pendingTimerMs(), -1);
    EXPECT_FALSE(fired);
    loop.advance(5.0);
    EXPECT_TRUE(fired);
}

TEST(RunLoopBridge, GoneBridgeNoLongerDrainsTheLoop) {
    auto& loop = platform::RunLoop::main();
    {
        platform::qt::RunLoopBridge bridge;
        QCoreApplication::processEvents();
    }
    bool ran = false;
    std::thread worker([&] { loop.post([&] { ran = true; }); });
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
    loop.drain();
    EXPECT_TRUE(ran);
}

}  // namespace
