// The one shared object of the process.
#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "model/MySingleton.h"

using bus::MySingleton;

TEST(ModelMySingleton, EveryCallFromEveryThreadGivesTheSameObject) {
    constexpr int kThreads = 16;
    std::vector<MySingleton*> seen(kThreads, nullptr);
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            ++ready;
            while (!go.load()) std::this_thread::yield();
            seen[i] = &MySingleton::sharedSingleton();
        });
    while (ready.load() < kThreads) std::this_thread::yield();
    go = true;  // released together, so the first calls race
    for (auto& t : threads) t.join();
    EXPECT_EQ(std::set<MySingleton*>(seen.begin(), seen.end()), std::set<MySingleton*>{&MySingleton::sharedSingleton()});
}
