#include "LiveBusTap.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "app/layout/MainStoryboard.h"
#include "platform/Container.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScrollView.h"

namespace bench::qt {

namespace {
constexpr std::int64_t kLine9 = 1609;
}  // namespace

LiveBusTap::LiveBusTap() : root_(std::filesystem::temp_directory_path() / ("bench-tap-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(root_);
    platform::Container::setRoot(root_);
    service_.makeCurrentCity();
    platform::UserDefaults::standardUserDefaults().setObject("100", "refreshTime");  // by hand: no timer in the way
    bus::layout::loadMainStoryboard(storyboard_);
    screen_ = std::dynamic_pointer_cast<bus::BusRealViewController>(
        storyboard_.instantiateViewController("BusRealViewController"));
    screen_->setValue(kLine9, "lineId");
    screen_->setValue(0, "direction");
    screen_->setValue("", "currentStation");
    window = std::make_shared<ui::Window>();
    window->setRootViewController(std::make_shared<ui::NavigationController>(screen_));
    // The line and its vehicles come back from the screen's model; the busy
    // indicator stops when both are in.
    platform::RunLoop::main().runUntil([&] { return !screen_->indicator->isAnimating(); });
}

LiveBusTap::~LiveBusTap() {
    window.reset();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

ui::Button* LiveBusTap::rowButton(int orderNo) const {
    auto scroll = screen_->realScrollView.lock();
    if (!scroll) return nullptr;
    // The stop rows' buttons carry their stop numbers.
    for (const auto& row : scroll->subviews()) {
        if (row->tag != 0) continue;
        for (const auto& child : row->subviews())
            if (auto* button = dynamic_cast<ui::Button*>(child.get()); button && button->tag == orderNo) return button;
    }
    return nullptr;
}

std::optional<ui::Point> LiveBusTap::pointOnRow(int stop) const {
    const ui::Button* button = rowButton(stop);
    if (!button) return std::nullopt;
    const ui::Rect r = button->frameInWindow();
    return ui::Point{r.midX(), r.y() + 10};
}

void LiveBusTap::tapAndRebuild(ui::Point at) {
    window->touch(ui::TouchPhase::Began, at);
    window->touch(ui::TouchPhase::Ended, at);
    // The rows rebuild at once; the vehicles follow their reply, and the busy
    // indicator stops when they are in.
    platform::RunLoop::main().runUntil([&] { return !screen_->indicator->isAnimating(); });
}

std::size_t LiveBusTap::timeTaps(benchmark::State& state, const std::function<void()>& show) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> ms;
    int stop = 5;
    for (auto _ : state) {
        stop = stop == 5 ? 6 : 5;
        const auto at = pointOnRow(stop);
        if (!at) {
            state.SkipWithError("no row for the stop: the line did not load");
            break;
        }
        const auto start = Clock::now();
        tapAndRebuild(*at);
        show();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    if (ms.empty()) return 0;
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p95_ms"] = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
    return ms.size();
}

}  // namespace bench::qt
