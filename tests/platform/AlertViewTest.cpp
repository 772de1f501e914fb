#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/AlertView.h"
#include "platform/RunLoop.h"

using namespace platform;

namespace {
struct RecordingDelegate : AlertViewDelegate {
    void alertViewDidDismissWithButtonIndex(AlertView& alert, int index) override {
        dismissed.push_back(index);
        visibleWhenTold = alert.isVisible();
    }
    std::vector<int> dismissed;
    bool visibleWhenTold = true;
};
}  // namespace

TEST(Alerts, DismissingTwiceTellsTheDelegateOnceAfterTheAlertIsGone) {
    RecordingDelegate delegate;
    auto alert = AlertView::create("删除收藏", "确定删除吗?", &delegate, std::string("取消"), {"确定"});
    alert->show();
    alert->dismissWithClickedButtonIndex(1, true);
    alert->dismissWithClickedButtonIndex(0, true);  // already gone: no second report
    EXPECT_EQ(delegate.dismissed, std::vector<int>{1});
    EXPECT_FALSE(delegate.visibleWhenTold);
    EXPECT_TRUE(AlertCenter::shared().visibleAlerts().empty());
}

// The transient notice: no buttons, shown on the main thread and closed by
// its owner one second after its own show, whatever else is on screen. Each
// row gives the times at which notices are shown.
TEST(Alerts, TransientNoticeClosesOneSecondAfterItsOwnShow) {
    auto& loop = RunLoop::main();
    for (const auto& shownAt : std::vector<std::vector<double>>{{0.0}, {3.0}, {0.0, 0.5}, {0.5, 0.5}}) {
        SCOPED_TRACE(testing::PrintToString(shownAt));
        loop.useVirtualClock(0.0);
        AlertCenter::shared().clear();
        std::vector<double> checks;
        for (const double t : shownAt) {
            loop.performAfterDelay(t, [&loop] {
                auto notice = AlertView::create("提醒", "无法连接服务器");
                EXPECT_TRUE(notice->isTransient());
                notice->show();
                loop.performAfterDelay(1.0, [notice] { notice->dismissWithClickedButtonIndex(0, true); });
            });
            checks.insert(checks.end(), {t, t + 0.999, t + 1.0});
        }
        std::sort(checks.begin(), checks.end());
        for (const double at : checks) {
            loop.advance(at - loop.now());
            const auto up = std::count_if(shownAt.begin(), shownAt.end(), [&](double t) { return t <= at && at < t + 1; });
            EXPECT_EQ(AlertCenter::shared().visibleAlerts().size(), static_cast<std::size_t>(up)) << "at " << at;
        }
        std::vector<double> shows, closesLessOneSecond;
        for (const auto& e : AlertCenter::shared().history()) {
            EXPECT_TRUE(e.onMainThread);
            const bool shown = e.kind == AlertCenter::Event::Shown;
            (shown ? shows : closesLessOneSecond).push_back(shown ? e.time : e.time - 1.0);
        }
        EXPECT_EQ(shows, shownAt);
        EXPECT_EQ(closesLessOneSecond, shownAt);
    }
}

// A notice every ten seconds through a long outage: the record keeps the
// latest events, in order, and no more.
TEST(Alerts, TheRecordKeepsOnlyTheLatestEvents) {
    AlertCenter::shared().clear();
    const int notices = 300;  // 600 events
    for (int i = 0; i < notices; ++i) {
        auto notice = AlertView::create("提醒", "notice " + std::to_string(i));
        notice->show();
        notice->dismissWithClickedButtonIndex(0, true);
    }
    const auto history = AlertCenter::shared().history();
    ASSERT_EQ(history.size(), 256u);
    // 600 - 256 = 344 events gone: the first kept is notice 172's show.
    EXPECT_EQ(history.front().message, "notice 172");
    EXPECT_EQ(history.front().kind, AlertCenter::Event::Shown);
    EXPECT_EQ(history.back().message, "notice 299");
    EXPECT_EQ(history.back().kind, AlertCenter::Event::Dismissed);
    EXPECT_TRUE(AlertCenter::shared().visibleAlerts().empty());
}
