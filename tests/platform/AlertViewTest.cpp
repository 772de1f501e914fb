#include <gtest/gtest.h>

#include "platform/AlertView.h"
#include "platform/Log.h"
#include "platform/RunLoop.h"

using platform::AlertCenter;
using platform::AlertView;

TEST(Log, CaptureCollectsMessagesExactly) {
    platform::LogCapture log;
    platform::NSLog("数据库打开失败");
    platform::NSLog("数据库操作数据失败!");
    platform::NSLog("数据库操作数据失败!");
    EXPECT_EQ(log.lines().size(), 3u);
    EXPECT_EQ(log.count("数据库操作数据失败!"), 2u);
    log.clear();
    EXPECT_TRUE(log.lines().empty());
}

namespace {
struct RecordingDelegate : platform::AlertViewDelegate {
    std::vector<int> dismissed;
    bool visibleDuringCallback = true;
    void alertViewDidDismissWithButtonIndex(AlertView& alert, int index) override {
        dismissed.push_back(index);
        visibleDuringCallback = alert.isVisible();
    }
};
}  // namespace

TEST(Alerts, ShowStacksAndDismissTellsTheDelegateAfterwards) {
    RecordingDelegate delegate;
    auto first = AlertView::create("提醒", "one", &delegate, std::string("取消"), {"确定"});
    auto second = AlertView::create("提醒", "two");
    first->show();
    second->show();
    EXPECT_EQ(AlertCenter::shared().visibleAlerts().size(), 2u);
    EXPECT_EQ(AlertCenter::shared().frontAlert(), second);
    EXPECT_TRUE(second->isTransient());
    EXPECT_EQ(first->buttonTitles(), (std::vector<std::string>{"取消", "确定"}));

    first->dismissWithClickedButtonIndex(1, true);
    EXPECT_EQ(delegate.dismissed, std::vector<int>{1});
    EXPECT_FALSE(delegate.visibleDuringCallback);
    EXPECT_EQ(AlertCenter::shared().visibleAlerts().size(), 1u);

    first->dismissWithClickedButtonIndex(0, true);  // already gone: no second report
    EXPECT_EQ(delegate.dismissed.size(), 1u);
}

TEST(Alerts, HistoryRecordsTimeAndThread) {
    auto& loop = platform::RunLoop::main();
    loop.advance(3.0);
    auto alert = AlertView::create("提醒", "无法连接服务器");
    alert->show();
    loop.performAfterDelay(1.0, [alert] { alert->dismissWithClickedButtonIndex(0, true); });
    loop.advance(0.999);
    EXPECT_TRUE(alert->isVisible());
    loop.advance(0.001);
    EXPECT_FALSE(alert->isVisible());
    const auto h = AlertCenter::shared().history();
    ASSERT_EQ(h.size(), 2u);
    EXPECT_EQ(h[0].kind, AlertCenter::Event::Shown);
    EXPECT_DOUBLE_EQ(h[0].time, 3.0);
    EXPECT_TRUE(h[0].onMainThread);
    EXPECT_EQ(h[1].kind, AlertCenter::Event::Dismissed);
    EXPECT_DOUBLE_EQ(h[1].time - h[0].time, 1.0);
    EXPECT_EQ(h[1].buttonIndex, 0);
    EXPECT_TRUE(h[1].animated);
}
