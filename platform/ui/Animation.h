#pragma once
// Alpha animations on the run loop's clock, as the phone toolkit does them:
// the model value changes at once (reading a view's alpha right after the
// call gives the target), while drawing follows the presentation value,
// which moves from what was on screen to the target over the duration.
//
//   ui::animate(0.4, [&] { enterButton->alpha = 1; pageControl->alpha = 0; });
#include <functional>

namespace ui {

// Runs `changes` now; every view whose alpha they change fades to its new
// alpha over `duration` seconds. `completion` runs on the main run loop once
// the duration has passed (also for a zero duration, never inside the call).
void animate(double duration, const std::function<void()>& changes,
             std::function<void(bool finished)> completion = {});

// The timing curve of the animations: slow start, slow end; 0 -> 0, 1 -> 1.
double easeInOut(double progress);

// True while something on screen moves by itself (an alpha animation that
// has not ended, a spinning activity indicator): a host keeps repainting at
// its frame rate while this holds.
bool needsContinuousRedraw();

namespace detail {
// Spinning indicators count themselves in and out.
void adjustSpinnerCount(int delta);
}  // namespace detail

}  // namespace ui
