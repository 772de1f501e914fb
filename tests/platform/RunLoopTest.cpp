#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/RunLoop.h"
#include "platform/Thread.h"

using platform::RunLoop;
using platform::Timer;

// One timeline on the virtual clock: a repeating timer, one invalidated from
// outside, one that invalidates itself on its third tick, and a delayed call
// whose own delayed call and timer fire within the same advance.
TEST(RunLoopTimers, VirtualTimeFiresExactlyTheDueTimersInOrder) {
    auto& loop = RunLoop::main();
    std::vector<std::string> fired;
    const auto note = [&](const char* what) {
        std::string entry = what;
        entry += '@';
        entry += std::to_string(int(loop.now()));
        fired.push_back(std::move(entry));
    };
    auto every10 = loop.scheduleTimer(10.0, true, [&](Timer&) { note("10"); });
    auto outside = loop.scheduleTimer(4.0, true, [&](Timer&) { note("4"); });
    int ticks = 0;
    auto own = loop.scheduleTimer(3.0, true, [&](Timer& t) {
        note("3");
        if (++ticks == 3) t.invalidate();
    });
    loop.performAfterDelay(15.0, [&] {
        note("once");
        loop.performAfterDelay(1.0, [&] { note("nested"); });
        loop.scheduleTimer(2.0, true, [&](Timer&) { note("2"); });
    });
    loop.advance(9.999);
    outside->invalidate();
    loop.advance(10.001);
    EXPECT_EQ(fired, (std::vector<std::string>{"3@3", "4@4", "3@6", "4@8", "3@9", "10@10", "once@15", "nested@16",
                                               "2@17", "2@19", "10@20"}));
    EXPECT_DOUBLE_EQ(loop.now(), 20.0);
    EXPECT_FALSE(own->isValid());
    EXPECT_EQ(loop.activeTimerCount(), 2u);
}

TEST(RunLoopQueue, WorkerTasksRunOnTheMainThreadInOrderAndAWaitingWorkerSeesItsResult) {
    const auto mainId = std::this_thread::get_id();
    std::vector<int> seen;  // main thread only
    std::atomic<bool> allOnMain{true};
    std::atomic<int> seenByWorker{-1};
    bool waitedTaskRan = false;
    platform::detachNewThread([&] {
        for (int i = 0; i < 50; ++i)
            platform::performOnMainThread([&, i] {
                if (std::this_thread::get_id() != mainId) allOnMain = false;
                seen.push_back(i);
            });
        int count = -1;
        platform::performOnMainThreadAndWait([&] {
            count = static_cast<int>(seen.size());
            waitedTaskRan = true;
        });
        seenByWorker = count;
    });
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return waitedTaskRan; }));
    ASSERT_TRUE(platform::waitForWorkerThreads(10.0));
    EXPECT_EQ(seenByWorker, 50);
    EXPECT_TRUE(allOnMain);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(seen.at(i), i);
    // On the main thread it runs inline instead of deadlocking.
    platform::performOnMainThreadAndWait([&] { seen.clear(); });
    EXPECT_TRUE(seen.empty());
}
