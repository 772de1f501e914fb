#pragma once
// The tap recogniser. The window hands it the touches of its view (and of
// the view's subviews); it recognises a tap when the finger lifts no more
// than kAllowableMovement points from where it went down and never strayed
// further in between. It then calls its actions, and the view gets
// touchesCancelled instead of touchesEnded (hasRecognized), so the tap does
// not also select a table row or press a button below.
//
//   auto tap = std::make_shared<ui::TapGestureRecognizer>(this, &Screen::clickImage);
//   imageView->userInteractionEnabled = true;
//   imageView->addGestureRecognizer(tap);
//   ... void Screen::clickImage(ui::TapGestureRecognizer& r) { int n = r.view()->tag; }
#include <functional>
#include <vector>

#include "platform/ui/View.h"

namespace ui {

class TapGestureRecognizer : public GestureRecognizer {
public:
    using Action = std::function<void(TapGestureRecognizer&)>;
    static constexpr double kAllowableMovement = 10;

    enum class State { Possible, Recognized, Failed };

    TapGestureRecognizer() = default;
    explicit TapGestureRecognizer(Action action);
    template <class T>
    TapGestureRecognizer(T* target, void (T::*action)(TapGestureRecognizer&)) {
        addTarget(target, action);
    }

    void addTarget(Action action);
    template <class T>
    void addTarget(T* target, void (T::*action)(TapGestureRecognizer&)) {
        addTarget([target, action](TapGestureRecognizer& r) { (target->*action)(r); });
    }

    State state() const { return state_; }
    bool hasRecognized() const override { return state_ == State::Recognized; }
    // Where the recognised tap was, in the given view's coordinates (window
    // coordinates for null).
    Point locationInView(const View* view) const;

    void touchesBegan(const Touch& t) override;
    void touchesMoved(const Touch& t) override;
    void touchesEnded(const Touch& t) override;
    void touchesCancelled(const Touch& t) override;
    // Recognises a tap at the middle of the view.
    bool activateWithoutTouch() override;
    bool activatesWithoutTouch() const override { return enabled && !actions_.empty(); }

private:
    void recognize();
    std::vector<Action> actions_;
    State state_ = State::Possible;
    Point start_;
    Point last_;
};

}  // namespace ui
