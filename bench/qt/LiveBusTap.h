#pragma once
// The app's live bus screen on a window, from the app's layout, showing
// 大同's 40-stop 9路 served by the bundled stand-in in process (clock held at
// a weekday noon, refreshing by hand), for timing a tap on a stop to the
// next painted frame.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include <benchmark/benchmark.h>

#include "DatongStandin.h"
#include "platform/ui/Button.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/Window.h"
#include "screens/tracking/BusRealViewController.h"

namespace bench::qt {

class LiveBusTap {
public:
    LiveBusTap();
    ~LiveBusTap();
    LiveBusTap(const LiveBusTap&) = delete;
    LiveBusTap& operator=(const LiveBusTap&) = delete;

    // Where a finger taps the row of the stop (5 and 6 show at the first
    // scroll position); none when the row is not there (the line did not load).
    std::optional<ui::Point> pointOnRow(int stop) const;
    // Taps there and runs the main loop until the screen's rebuild is done.
    void tapAndRebuild(ui::Point at);
    std::uint64_t requests() const { return service_.log.count(); }
    // For each of the state's iterations taps stop 5 or 6 in turn and has
    // `show` bring the rebuild to the screen, timing both; reports the
    // median and the 95th percentile as counters. The count of taps timed.
    std::size_t timeTaps(benchmark::State& state, const std::function<void()>& show);

    std::shared_ptr<ui::Window> window;

private:
    ui::Button* rowButton(int orderNo) const;

    std::filesystem::path root_;
    DatongStandin service_;
    ui::Storyboard storyboard_;
    std::shared_ptr<bus::BusRealViewController> screen_;
};

}  // namespace bench::qt
