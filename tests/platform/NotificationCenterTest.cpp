#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/NotificationCenter.h"

using platform::Notification;
using platform::NotificationCenter;
using platform::Observation;

TEST(NotificationCenter, DeliversByNameToEveryObserverInOrder) {
    NotificationCenter center;
    std::vector<std::string> got;
    auto a = center.addObserver("updateOrderNo", [&](const Notification& n) { got.push_back("a:" + n.name); });
    auto b = center.addObserver("updateOrderNo", [&](const Notification&) { got.push_back("b"); });
    auto c = center.addObserver("emptyButton", [&](const Notification&) { got.push_back("c"); });
    center.postNotificationName("updateOrderNo");
    EXPECT_EQ(got, (std::vector<std::string>{"a:updateOrderNo", "b"}));
}

TEST(NotificationCenter, SenderFilterAndAnySender) {
    NotificationCenter center;
    int fromMine = 0, fromAny = 0;
    int mine = 0, other = 0;
    auto x = center.addObserver("n", [&](const Notification&) { ++fromMine; }, &mine);
    auto y = center.addObserver("n", [&](const Notification&) { ++fromAny; });
    center.postNotificationName("n", &other);
    center.postNotificationName("n", &mine);
    EXPECT_EQ(fromMine, 1);
    EXPECT_EQ(fromAny, 2);
}

TEST(NotificationCenter, ObserverThatDiesIsNeverCalled) {
    NotificationCenter center;
    int calls = 0;
    {
        auto screen = std::make_unique<Observation>(center.addObserver("emptyButton", [&](const Notification&) { ++calls; }));
        center.postNotificationName("emptyButton");
    }
    center.postNotificationName("emptyButton");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(center.observerCount("emptyButton"), 0u);
}

TEST(NotificationCenter, ObserverRemovedDuringAPostIsSkipped) {
    NotificationCenter center;
    int second = 0;
    Observation secondObs;
    auto first = center.addObserver("n", [&](const Notification&) { secondObs.remove(); });
    secondObs = center.addObserver("n", [&](const Notification&) { ++second; });
    center.postNotificationName("n");
    EXPECT_EQ(second, 0);
    EXPECT_FALSE(secondObs.active());
}

TEST(NotificationCenter, MovedObservationKeepsObserving) {
    NotificationCenter center;
    int calls = 0;
    Observation kept;
    {
        auto temp = center.addObserver("n", [&](const Notification&) { ++calls; });
        kept = std::move(temp);
    }
    center.postNotificationName("n");
    EXPECT_EQ(calls, 1);
}
