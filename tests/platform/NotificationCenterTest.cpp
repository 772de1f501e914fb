#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/NotificationCenter.h"

using namespace platform;

namespace {
struct NotificationCenterTest : testing::Test {
    Observation observe(const std::string& name, const std::string& who, const void* sender = nullptr) {
        return center.addObserver(name, [this, who](const Notification& n) { got.push_back(who + ":" + n.name); }, sender);
    }
    NotificationCenter center;
    std::vector<std::string> got;
};
}  // namespace

TEST_F(NotificationCenterTest, DeliversByNameAndSenderInTheOrderOfAdding) {
    int mine = 0, other = 0;
    auto a = observe("updateOrderNo", "a");
    auto b = observe("updateOrderNo", "b", &mine);
    auto c = observe("emptyButton", "c");
    center.postNotificationName("updateOrderNo", &other);
    center.postNotificationName("updateOrderNo", &mine);
    EXPECT_EQ(got, (std::vector<std::string>{"a:updateOrderNo", "a:updateOrderNo", "b:updateOrderNo"}));
}

TEST_F(NotificationCenterTest, AnObservationEndsWhenItDiesOrIsRemovedButNotWhenMoved) {
    Observation moved, removedMidPost;
    {
        auto dies = observe("n", "dies");
        auto temp = observe("n", "moved");
        moved = std::move(temp);
    }
    auto remover = center.addObserver("n", [&](const Notification&) { removedMidPost.remove(); });
    removedMidPost = observe("n", "removed");
    center.postNotificationName("n");
    EXPECT_EQ(got, std::vector<std::string>{"moved:n"});
    EXPECT_FALSE(removedMidPost.active());
    EXPECT_EQ(center.observerCount("n"), 2u);
}
