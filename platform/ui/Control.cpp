#include "platform/ui/Control.h"

#include <algorithm>

namespace ui {

void Control::addTarget(const void* target, Action action, std::uint32_t events) {
    if (!action || events == 0) return;
    actions_.push_back({target, std::move(action), events});
}

void Control::removeTarget(const void* target, std::uint32_t events) {
    for (auto& ta : actions_)
        if (!target || ta.target == target) ta.events &= ~events;
    actions_.erase(std::remove_if(actions_.begin(), actions_.end(), [](const TargetAction& ta) { return ta.events == 0; }),
                   actions_.end());
}

std::uint32_t Control::allControlEvents() const {
    std::uint32_t all = 0;
    for (const auto& ta : actions_) all |= ta.events;
    return all;
}

void Control::sendActionsForControlEvents(std::uint32_t events) {
    // An action may take this control off screen and drop its last owner, or
    // change the actions: run a copy and keep the control alive.
    std::shared_ptr<View> keep = weak_from_this().lock();
    std::vector<Action> due;
    for (const auto& ta : actions_)
        if (ta.events & events) due.push_back(ta.action);
    for (const auto& action : due) action(*this);
}

bool Control::canActivate() const {
    return enabled && takesTouches() && (allControlEvents() & (ControlEventTouchDown | ControlEventTouchUpInside));
}

bool Control::accessibilityActivate() {
    if (!canActivate()) return false;
    auto keep = weak_from_this().lock();
    sendActionsForControlEvents(ControlEventTouchDown);
    sendActionsForControlEvents(ControlEventTouchUpInside);
    return true;
}

std::uint32_t Control::state() const {
    std::uint32_t s = ControlStateNormal;
    if (highlighted_) s |= ControlStateHighlighted;
    if (!enabled) s |= ControlStateDisabled;
    if (selected) s |= ControlStateSelected;
    return s;
}

View* Control::hitTest(Point p) {
    if (!enabled) return nullptr;
    return View::hitTest(p);
}

bool Control::touchInside(const Touch& t) const { return bounds().contains(convertFromWindow(t.locationInWindow)); }

void Control::touchesBegan(const Touch&) {
    if (!enabled) return;
    tracking_ = true;
    wasInside_ = true;
    setHighlighted(true);
    sendActionsForControlEvents(ControlEventTouchDown);
}

void Control::touchesMoved(const Touch& t) {
    if (!tracking_) return;
    const bool inside = touchInside(t);
    std::uint32_t events = inside ? ControlEventTouchDragInside : ControlEventTouchDragOutside;
    if (inside && !wasInside_) events |= ControlEventTouchDragEnter;
    if (!inside && wasInside_) events |= ControlEventTouchDragExit;
    wasInside_ = inside;
    setHighlighted(inside);
    sendActionsForControlEvents(events);
}

void Control::touchesEnded(const Touch& t) {
    if (!tracking_) return;
    tracking_ = false;
    setHighlighted(false);
    sendActionsForControlEvents(touchInside(t) ? ControlEventTouchUpInside : ControlEventTouchUpOutside);
}

void Control::touchesCancelled(const Touch&) {
    if (!tracking_) return;
    tracking_ = false;
    setHighlighted(false);
    sendActionsForControlEvents(ControlEventTouchCancel);
}

}  // namespace ui
