#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/RunLoop.h"
#include "platform/Thread.h"

using platform::RunLoop;
using platform::Timer;

TEST(RunLoopTimers, VirtualTimeFiresExactlyTheDueTimersInOrder) {
    auto& loop = RunLoop::main();
    std::vector<std::string> fired;
    auto every10 = loop.scheduleTimer(10.0, true, [&](Timer&) { fired.push_back("10@" + std::to_string(int(loop.now()))); });
    loop.performAfterDelay(15.0, [&] { fired.push_back("once@" + std::to_string(int(loop.now()))); });

    loop.advance(9.999);
    EXPECT_TRUE(fired.empty());
    loop.advance(0.001);
    ASSERT_EQ(fired, (std::vector<std::string>{"10@10"}));
    loop.advance(20.0);
    EXPECT_EQ(fired, (std::vector<std::string>{"10@10", "once@15", "10@20", "10@30"}));
    EXPECT_DOUBLE_EQ(loop.now(), 30.0);
    EXPECT_TRUE(every10->isValid());
}

TEST(RunLoopTimers, InvalidateStopsARepeatingTimerEvenFromItsOwnAction) {
    auto& loop = RunLoop::main();
    int ticks = 0;
    auto timer = loop.scheduleTimer(1.0, true, [&](Timer& t) {
        if (++ticks == 3) t.invalidate();
    });
    loop.advance(10.0);
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(loop.activeTimerCount(), 0u);

    int other = 0;
    auto t2 = loop.scheduleTimer(2.0, true, [&](Timer&) { ++other; });
    loop.advance(4.0);
    t2->invalidate();
    loop.advance(10.0);
    EXPECT_EQ(other, 2);
}

TEST(RunLoopTimers, OneShotTimerFiresOnceAndADelayedCallCanScheduleAnother) {
    auto& loop = RunLoop::main();
    std::vector<double> at;
    loop.performAfterDelay(1.0, [&] {
        at.push_back(loop.now());
        loop.performAfterDelay(1.0, [&] { at.push_back(loop.now()); });
    });
    loop.advance(5.0);
    EXPECT_EQ(at, (std::vector<double>{1.0, 2.0}));
    EXPECT_EQ(loop.activeTimerCount(), 0u);
}

TEST(RunLoopTimers, TimersScheduledDuringAdvanceFireInTheSameAdvanceWhenDue) {
    auto& loop = RunLoop::main();
    int inner = 0;
    loop.performAfterDelay(1.0, [&] { loop.scheduleTimer(1.0, true, [&](Timer&) { ++inner; }); });
    loop.advance(10.0);
    EXPECT_EQ(inner, 9);  // at 2, 3, ... 10
}

TEST(RunLoopQueue, WorkPostedFromWorkersRunsOnTheMainThreadInOrder) {
    auto& loop = RunLoop::main();
    const auto mainId = std::this_thread::get_id();
    std::vector<int> seen;
    std::atomic<bool> allOnMain{true};
    platform::detachNewThread([&] {
        for (int i = 0; i < 50; ++i)
            platform::performOnMainThread([&, i] {
                if (std::this_thread::get_id() != mainId) allOnMain = false;
                seen.push_back(i);
            });
    });
    ASSERT_TRUE(loop.runUntil([&] { return seen.size() == 50; }));
    EXPECT_TRUE(allOnMain);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(seen[i], i);
}

TEST(RunLoopQueue, PerformAndWaitRunsOnMainAndReturnsAfterIt) {
    auto& loop = RunLoop::main();
    std::atomic<bool> workerSawResult{false};
    int value = 0;
    platform::detachNewThread([&] {
        platform::performOnMainThreadAndWait([&] { value = 42; });
        workerSawResult = (value == 42);
    });
    ASSERT_TRUE(loop.runUntil([&] { return value == 42; }));
    ASSERT_TRUE(platform::waitForWorkerThreads(10.0));
    EXPECT_TRUE(workerSawResult);

    // On the main thread it runs inline instead of deadlocking.
    int direct = 0;
    platform::performOnMainThreadAndWait([&] { direct = 1; });
    EXPECT_EQ(direct, 1);
}

TEST(RunLoopQueue, RunUntilGivesUpAfterItsTimeout) {
    EXPECT_FALSE(RunLoop::main().runUntil([] { return false; }, 0.05));
}

TEST(RunLoopQueue, ResetDropsPendingWorkAndTimers) {
    auto& loop = RunLoop::main();
    int ran = 0;
    loop.post([&] { ++ran; });
    auto t = loop.scheduleTimer(1.0, true, [&](Timer&) { ++ran; });
    loop.reset();
    loop.advance(5.0);
    EXPECT_EQ(ran, 0);
    EXPECT_FALSE(t->isValid());
}

TEST(RunLoopRealClock, RunStopsWhenAskedFromATimer) {
    auto& loop = RunLoop::main();
    loop.useRealClock();
    int fired = 0;
    loop.performAfterDelay(0.01, [&] {
        ++fired;
        loop.stop();
    });
    loop.run();
    EXPECT_EQ(fired, 1);
    loop.useVirtualClock();
}
