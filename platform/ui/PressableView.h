#pragma once
// A view that reacts to touches the way the bars' and alerts' plain buttons
// do: highlighted while a touch that began on it is over it, pressed when
// that touch ends on it. Touches stop here; nothing behind hears of them.
#include "platform/ui/View.h"

namespace ui {

class PressableView : public View {
public:
    using View::View;

    bool isHighlighted() const { return highlighted_; }

    void touchesBegan(const Touch&) override { highlighted_ = true; }
    void touchesMoved(const Touch& t) override { highlighted_ = isOver(t); }
    void touchesCancelled(const Touch&) override { highlighted_ = false; }
    void touchesEnded(const Touch& t) override {
        highlighted_ = false;
        if (isOver(t)) pressed();
    }

    bool accessibilityActivate() override {
        if (!canActivate()) return false;
        auto keep = weak_from_this().lock();
        pressed();
        return true;
    }
    bool canActivate() const override { return takesTouches(); }

protected:
    virtual void pressed() = 0;
    bool defaultIsAccessibilityElement() const override { return true; }
    AccessibilityRole defaultAccessibilityRole() const override { return AccessibilityRole::Button; }

private:
    bool isOver(const Touch& t) const { return bounds().contains(convertFromWindow(t.locationInWindow)); }
    bool highlighted_ = false;
};

}  // namespace ui
