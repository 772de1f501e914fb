#include "platform/ui/GestureRecognizer.h"

#include <cmath>

namespace ui {

namespace {
double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }
}  // namespace

TapGestureRecognizer::TapGestureRecognizer(Action action) { addTarget(std::move(action)); }

void TapGestureRecognizer::addTarget(Action action) {
    if (action) actions_.push_back(std::move(action));
}

Point TapGestureRecognizer::locationInView(const View* v) const { return v ? v->convertFromWindow(last_) : last_; }

void TapGestureRecognizer::touchesBegan(const Touch& t) {
    start_ = t.startInWindow;
    last_ = t.locationInWindow;
    state_ = enabled ? State::Possible : State::Failed;
    if (distance(t.locationInWindow, start_) > kAllowableMovement) state_ = State::Failed;
}

void TapGestureRecognizer::touchesMoved(const Touch& t) {
    last_ = t.locationInWindow;
    if (distance(t.locationInWindow, start_) > kAllowableMovement) state_ = State::Failed;
}

void TapGestureRecognizer::touchesEnded(const Touch& t) {
    last_ = t.locationInWindow;
    if (state_ != State::Possible || !enabled || distance(t.locationInWindow, start_) > kAllowableMovement) {
        state_ = State::Failed;
        return;
    }
    recognize();
}

void TapGestureRecognizer::recognize() {
    state_ = State::Recognized;
    // The action may take the view (and with it this recogniser) off screen
    // and drop the last owner: keep both alive until it returns.
    std::shared_ptr<View> keepView = view() ? view()->weak_from_this().lock() : nullptr;
    const auto actions = actions_;
    for (const auto& action : actions) action(*this);
}

bool TapGestureRecognizer::activateWithoutTouch() {
    if (!activatesWithoutTouch() || !view()) return false;
    const Rect f = view()->frameInWindow();
    start_ = last_ = {f.midX(), f.midY()};
    recognize();
    return true;
}

void TapGestureRecognizer::touchesCancelled(const Touch& t) {
    last_ = t.locationInWindow;
    state_ = State::Failed;
}

}  // namespace ui
