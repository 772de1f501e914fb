#pragma once
// The base of buttons and text fields: targets and actions per control
// event, enabled and highlighted state, and touch tracking. A control keeps
// the touches it gets (they do not travel on to its superview):
//   began             -> TouchDown, highlighted
//   moved             -> TouchDragInside / TouchDragOutside, highlight follows
//   ended inside      -> TouchUpInside (64)
//   ended outside     -> TouchUpOutside
//   cancelled         -> TouchCancel
// A disabled control takes no touches: they go to what lies below it.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/ui/View.h"

namespace ui {

enum ControlEvent : std::uint32_t {
    ControlEventTouchDown = 1u << 0,
    ControlEventTouchDownRepeat = 1u << 1,
    ControlEventTouchDragInside = 1u << 2,
    ControlEventTouchDragOutside = 1u << 3,
    ControlEventTouchDragEnter = 1u << 4,
    ControlEventTouchDragExit = 1u << 5,
    ControlEventTouchUpInside = 1u << 6,
    ControlEventTouchUpOutside = 1u << 7,
    ControlEventTouchCancel = 1u << 8,
    ControlEventValueChanged = 1u << 12,
    ControlEventEditingDidBegin = 1u << 16,
    ControlEventEditingChanged = 1u << 17,
    ControlEventEditingDidEnd = 1u << 18,
    ControlEventAllTouchEvents = 0x00000FFFu,
    ControlEventAllEvents = 0xFFFFFFFFu,
};

enum ControlState : std::uint32_t {
    ControlStateNormal = 0,
    ControlStateHighlighted = 1u << 0,
    ControlStateDisabled = 1u << 1,
    ControlStateSelected = 1u << 2,
};

class Control : public View {
public:
    using Action = std::function<void(Control& sender)>;

    Control() = default;
    explicit Control(const Rect& frame) : View(frame) {}

    // The target only identifies the pair for removeTarget; the action gets
    // the control as sender.
    void addTarget(const void* target, Action action, std::uint32_t events);
    template <class T, class S>
    void addTarget(T* target, void (T::*action)(S&), std::uint32_t events) {
        addTarget(
            target, [target, action](Control& sender) { (target->*action)(static_cast<S&>(sender)); }, events);
    }
    // A null target removes every action for the events.
    void removeTarget(const void* target, std::uint32_t events);
    // The events that some action listens to.
    std::uint32_t allControlEvents() const;

    // Calls, in the order they were added, the actions listening to any of
    // the events.
    void sendActionsForControlEvents(std::uint32_t events);

    bool enabled = true;
    bool selected = false;
    bool highlighted() const { return highlighted_; }
    virtual void setHighlighted(bool h) { highlighted_ = h; }
    bool isTracking() const { return tracking_; }
    std::uint32_t state() const;

    View* hitTest(Point p) override;
    void touchesBegan(const Touch& t) override;
    void touchesMoved(const Touch& t) override;
    void touchesEnded(const Touch& t) override;
    void touchesCancelled(const Touch& t) override;

    // A press without a finger: TouchDown, then TouchUpInside.
    bool accessibilityActivate() override;
    bool canActivate() const override;

    std::string className() const override { return "Control"; }

protected:
    bool touchInside(const Touch& t) const;
    bool defaultIsAccessibilityElement() const override { return true; }
    AccessibilityRole defaultAccessibilityRole() const override { return AccessibilityRole::Button; }
    std::uint32_t defaultAccessibilityTraits() const override {
        return enabled ? AccessibilityTrait::None : AccessibilityTrait::NotEnabled;
    }

private:
    struct TargetAction {
        const void* target;
        Action action;
        std::uint32_t events;
    };
    std::vector<TargetAction> actions_;
    bool highlighted_ = false;
    bool tracking_ = false;
    bool wasInside_ = false;
};

}  // namespace ui
