// The arrival reminder on the app's own live bus screen against the bundled
// stand-in, its clock stepped on between the screen's timed refreshes: the
// reminder speaks once, at the refresh where a bus first comes within the
// chosen stops of the waiting stop, and then stays quiet.
#include <gtest/gtest.h>

#include <chrono>

#include "StandinTestSupport.h"
#include "app/layout/MainStoryboard.h"
#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/Thread.h"
#include "platform/UserDefaults.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/Window.h"
#include "screens/tracking/BusRealUIView.h"
#include "screens/tracking/BusRealViewController.h"

namespace bus::test {
namespace {

constexpr int kWaiting = 20;
constexpr int kChosenStops = 2;

// The nearest coming bus as the screen placed it: stops to the waiting stop
// from the nearest marker at or before it.
std::optional<long long> nearestShown(BusRealViewController& screen) {
    std::optional<long long> nearest;
    for (const auto& view : screen.realScrollView.lock()->subviews()) {
        auto* marker = dynamic_cast<BusRealUIView*>(view.get());
        if (!marker || view->tag != 1 || marker->busReal().stationNo.is_null()) continue;
        const long long stop = marker->busReal().stationNo.get<long long>();
        if (stop <= kWaiting && (!nearest || kWaiting - stop < *nearest)) nearest = kWaiting - stop;
    }
    return nearest;
}

std::size_t arrivalNotices() {
    std::size_t n = 0;
    for (const auto& e : platform::AlertCenter::shared().history())
        n += e.kind == e.Shown && e.title.starts_with("车辆即将到站");
    return n;
}

TEST(ReminderTest, SpeaksOnceWhenABusComesWithinTheChosenStopsUnderTheStandinClock) {
    standin::test::RunningStandin standin;
    auto& prefs = platform::UserDefaults::standard();
    prefs.setObject(16, "cityId");
    prefs.setObject(standin.standin().cityBaseUrl(16), "postUrl");
    prefs.setObject("/realBus/CXFWebService/bus", "postWebService");
    prefs.setObject("10", "refreshTime");
    const auto city = standin::test::bundledCity(16);
    const auto& stops = city->lineByGprsId(16009)->directions[0]->stops;

    ui::Storyboard storyboard;
    layout::loadMainStoryboard(storyboard);
    auto screen = std::dynamic_pointer_cast<BusRealViewController>(storyboard.instantiateViewController("BusRealViewController"));
    screen->setValue(1609, "lineId");
    screen->setValue(0, "direction");
    screen->setValue(stops.at(kWaiting - 1), "currentStation");
    // The replies a step asked for, in and shown before the step is judged.
    const auto settle = [] {
        ASSERT_TRUE(platform::RunLoop::main().runUntil([] { return !platform::workersRunningSince(0); }));
        platform::RunLoop::main().drain();
    };
    ui::Window window;
    window.setRootViewController(std::make_shared<ui::NavigationController>(screen));
    settle();
    // Arm it while the nearest bus is still out of reach.
    const auto tick = [&] {
        standin.clock.advance(std::chrono::minutes(1));
        platform::RunLoop::main().advance(10);
        settle();
    };
    for (int step = 0; step < 60 && nearestShown(*screen).value_or(0) <= kChosenStops; ++step) tick();
    ASSERT_GT(nearestShown(*screen).value_or(0), kChosenStops);
    ASSERT_EQ(screen->reminderStops, 0);
    const auto bell = screen->reminderImageView;
    for (auto phase : {ui::TouchPhase::Began, ui::TouchPhase::Ended}) window.touch(phase, bell->convertToWindow({13, 13}));
    platform::RunLoop::main().drain();
    platform::AlertCenter::shared().frontAlert()->dismissWithClickedButtonIndex(kChosenStops, false);
    ASSERT_EQ(screen->reminderStops, kChosenStops);

    // A minute of the stand-in's clock between refreshes, for an hour at most:
    // the refresh that first shows a bus within reach announces it.
    bool fired = false;
    for (int step = 0; step < 60 && !fired; ++step) {
        tick();
        const auto now = nearestShown(*screen);
        fired = arrivalNotices() > 0;
        EXPECT_EQ(fired, now && *now <= kChosenStops) << "step " << step;
    }
    ASSERT_TRUE(fired) << "no bus came within reach in an hour";
    EXPECT_EQ(screen->reminderStops, 0);
    for (int step = 0; step < 10; ++step) tick();
    EXPECT_EQ(arrivalNotices(), 1u);
}

}  // namespace
}  // namespace bus::test
