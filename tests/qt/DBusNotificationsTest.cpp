// The desktop notification as the bus carries it: servers read the body as
// markup, so a stop's name must reach the rider as written.
#include <gtest/gtest.h>

#include "platform/qt/DBusNotifications.h"

namespace {

TEST(DBusNotifications, TheBodyIsEscapedForMarkupAndTheSummaryIsPlain) {
    const struct {
        const char *body, *sent;
    } cases[] = {{"12路 A&B", "12路 A&amp;B"}, {"<b>站</b>", "&lt;b&gt;站&lt;/b&gt;"}, {"&amp;", "&amp;amp;"}};
    for (const auto& c : cases) {
        const auto arguments = platform::qt::DBusNotifications::notifyCall("车辆即将到站：A&B", c.body).arguments();
        ASSERT_EQ(arguments.size(), 8);
        EXPECT_EQ(arguments.at(3).toString().toStdString(), "车辆即将到站：A&B");
        EXPECT_EQ(arguments.at(4).toString().toStdString(), c.sent);
    }
}

}  // namespace
