#include "platform/ui/Animation.h"

#include <algorithm>
#include <atomic>
#include <unordered_map>

#include "platform/RunLoop.h"
#include "platform/ui/View.h"

namespace ui {

namespace {
std::atomic<int> gSpinners{0};

double clockNow() { return platform::RunLoop::main().now(); }
}  // namespace

double easeInOut(double p) {
    p = std::clamp(p, 0.0, 1.0);
    return p * p * (3.0 - 2.0 * p);
}

double View::presentationAlpha() const {
    const AlphaTransition& t = alphaTransition;
    // A later plain assignment wins over an animation still under way.
    if (!t.active || t.to != alpha || t.duration <= 0.0) return alpha;
    const double elapsed = clockNow() - t.start;
    if (elapsed >= t.duration) return alpha;
    if (elapsed <= 0.0) return t.from;
    return t.from + (alpha - t.from) * easeInOut(elapsed / t.duration);
}

void animate(double duration, const std::function<void()>& changes, std::function<void(bool)> completion) {
    struct Before {
        double model;
        double shown;
    };
    std::unordered_map<View*, Before> before;
    View::forEachLiveView([&](View& v) { before.emplace(&v, Before{v.alpha, v.presentationAlpha()}); });

    if (changes) changes();

    const double now = clockNow();
    if (duration > 0.0) {
        View::forEachLiveView([&](View& v) {
            auto it = before.find(&v);
            if (it == before.end() || it->second.model == v.alpha) return;
            v.alphaTransition = {it->second.shown, v.alpha, now, duration, true};
        });
    }
    if (completion)
        platform::RunLoop::main().performAfterDelay(std::max(duration, 0.0),
                                                    [completion = std::move(completion)] { completion(true); });
}

bool needsContinuousRedraw() {
    if (gSpinners.load() > 0) return true;
    // Asked once a frame: a walk over the live views is cheap enough and
    // needs no bookkeeping that could outlive the views.
    const double now = clockNow();
    bool moving = false;
    View::forEachLiveView([&](View& v) {
        const auto& t = v.alphaTransition;
        if (t.active && t.to == v.alpha && now >= t.start && now < t.start + t.duration) moving = true;
    });
    return moving;
}

namespace detail {
void adjustSpinnerCount(int delta) { gSpinners += delta; }
}  // namespace detail

}  // namespace ui
