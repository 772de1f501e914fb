// The one shared object of the process.
#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "model/MySingleton.h"

using bus::MySingleton;
using nlohmann::json;

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
    go = true;
    for (auto& t : threads) t.join();

    std::set<MySingleton*> distinct(seen.begin(), seen.end());
    EXPECT_EQ(distinct.size(), 1u);
    EXPECT_EQ(*distinct.begin(), &MySingleton::sharedSingleton());
}

TEST(ModelMySingleton, FieldsAreSharedAndStartEmpty) {
    auto& shared = MySingleton::sharedSingleton();
    // Nothing in the system writes them, so they are empty for the whole run.
    EXPECT_TRUE(shared.startStation.is_null());
    EXPECT_TRUE(shared.endStation.is_null());
    shared.startStation = "火车站";
    EXPECT_EQ(MySingleton::sharedSingleton().startStation, json("火车站"));
    shared.startStation = json();
}
