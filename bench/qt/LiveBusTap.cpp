#include "LiveBusTap.h"

#include <unistd.h>

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
    platform::RunLoop::main().drain();
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
    // The rebuild comes back from the screen's worker thread; the busy
    // indicator stops when it is done.
    platform::RunLoop::main().runUntil([&] { return !screen_->indicator->isAnimating(); });
}

}  // namespace bench::qt
