#pragma once
// The application window: a phone-sized surface (375 x 667 points) with a
// 20-point status bar at the top. It holds the view of the root screen below
// the status bar, paints everything including the alerts on screen, and turns
// the host's raw input (a pointer going down, moving and up; the wheel; typed
// text) into what the screens expect from a touch toolkit:
//
//  - A touch goes to the front-most view under it (View::hitTest) and to the
//    gesture recognisers of that view and of its ancestors. Once a finger has
//    moved more than kPanSlop points, if the touched view or an ancestor pans
//    (handlesPan), the touch is cancelled on the view and becomes a pan of
//    that ancestor.
//  - The wheel scrolls the nearest panning view under the pointer.
//  - While an alert is on screen it takes every touch: its buttons dismiss it
//    with their index, anything else is swallowed. A button-less (transient)
//    alert swallows everything until its owner dismisses it.
//  - Text goes to the first responder, which is the last touched view that
//    can become one, or the last that asked (View::becomeFirstResponder); a
//    touch anywhere outside it resigns it.
//  - The keyboard focus (for riders who use no pointer) moves over the
//    views that can be used and show on the window, in the order of the
//    accessible tree (Accessibility.h): forward and back as with Tab, and
//    within a list or a scrolling area as with the arrow keys, which scroll
//    the next row into view. Enter or Space does what a tap on the focused
//    view does; text typed while the focus is on a field goes into it;
//    Escape cancels an alert, a search, or goes back one screen.
//    While the keyboard is in use the focused view has a ring around it; a
//    touch ends keyboard use and the ring goes. Focus is never lost for
//    long: when its view goes it moves to the view that replaced it (same
//    accessibility identifier), or to the nearest one on the same screen, or
//    to the first one of a newly shown screen, into an alert and back.
//
// Repainting: the window keeps no dirty state. A host repaints after every
// input call below and after every pass of the main run loop (posted tasks and
// timers can change views at any time), and at its frame rate while
// ui::needsContinuousRedraw() holds (fades, a spinning busy indicator);
// painting the whole window is cheap.
//
// Everything here runs on the main thread.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "platform/ui/Accessibility.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/View.h"

namespace platform {
class AlertView;
}

namespace ui {

class ViewController;
class AlertLayer;

class Window {
public:
    static constexpr double kWidth = 375;
    static constexpr double kHeight = 667;
    static constexpr double kStatusBarHeight = 20;
    // How far a finger moves before a touch on scrolling content becomes a pan.
    static constexpr double kPanSlop = 10;

    Window();
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    static Size size() { return {kWidth, kHeight}; }
    // The area below the status bar that the root screen's view fills.
    static Rect contentFrame() { return {0, kStatusBarHeight, kWidth, kHeight - kStatusBarHeight}; }

    // Puts the screen on the window: its view is loaded, laid out below the
    // status bar and told it appears. A previous root is told it disappears.
    void setRootViewController(std::shared_ptr<ViewController> controller);
    const std::shared_ptr<ViewController>& rootViewController() const { return rootController_; }

    // The whole tree of the window in window points (status bar, root
    // screen, alerts). Its origin is the window's top-left corner.
    View& rootView() { return *root_; }

    // Paints the whole window: background, root screen with its bars, the
    // status bar, and the alerts with the dimming behind them.
    void draw(Canvas& canvas);

    // Input from the host, in window points. A press, drag and release of the
    // mouse are Began, Moved..., Ended; Cancelled when the host loses the
    // pointer mid-touch.
    void touch(TouchPhase phase, Point windowPoint);
    // The wheel: positive dy moves the content up (reveals what is below).
    void scroll(Point at, double dx, double dy);
    // Text input for the first responder. They return false when no view has
    // the keyboard (the input went nowhere).
    bool insertText(const std::string& text);
    bool deleteBackward();
    bool returnKey();

    // The first responder, if it is still in this window.
    View* firstResponder() const;
    // Gives the keyboard to the view (if it can take it); the previous one is
    // told it resigned.
    bool makeFirstResponder(View* view);
    void resignFirstResponder();

    // The visible window as JSON: class, frame in window points, tag, text,
    // image name, alpha, hidden, children (View::describe of the tree).
    nlohmann::json describe();
    // The front-most visible view whose text is exactly the given text, or
    // null. Visible: in the tree now, not hidden or faded out along its
    // ancestors, and not entirely clipped away or off the window.
    View* findViewShowingText(const std::string& text);
    // The same for a view showing the named image.
    View* findViewShowingImage(const std::string& name);
    // The same for any view the predicate accepts.
    View* findViewShowing(const std::function<bool(const View&)>& shows);
    // The part of the view that shows on the window, in window points
    // (empty when nothing of it shows).
    Rect visibleFrameOf(const View& view) const;

    // Brings the alert layer in line with the alerts on screen. The input and
    // painting calls do it themselves; tests that inspect rootView() after
    // showing an alert may call it.
    void syncAlerts();

    // The observer that the desktop layer sets while assistive technology
    // listens (null: none); every view of the window notifies it.
    void setAccessibilityObserver(AccessibilityObserver* observer);
    AccessibilityObserver* accessibilityObserver() const { return accessibilityObserver_; }

    // The keyboard focus (see above). Each call returns whether the key did
    // something.
    enum class FocusMove { Next, Previous, Up, Down };
    static constexpr double kFocusRingWidth = 3;
    static Color focusRingColor() { return Color::rgba(1.0, 0.6, 0.0); }
    bool moveFocus(FocusMove move);
    bool activateFocusedView();
    bool escapeKey();
    // Puts the focus on a view that can be used, as if the keyboard had
    // moved there; false (and no change) for any other view.
    bool focusView(View* view);
    // The focused view while the keyboard is in use, or null; focusedView
    // first moves a focus whose view went (see above), currentFocus only reads.
    View* focusedView();
    View* currentFocus() const { return focus_.active ? focus_.view.lock().get() : nullptr; }
    // The layer of the alerts on screen, or null.
    View* alertLayerView() const;
    // Where Tab goes now, in order: the views that can be used and that a
    // finger could reach on the window.
    std::vector<View*> focusableViews();

private:
    struct FocusState {
        bool active = false;  // the keyboard is in use
        std::weak_ptr<View> view;
        Rect lastFrame;
        std::string identifier;
        std::weak_ptr<ViewController> screen;  // the screen shown when it was focused
        std::weak_ptr<View> beforeAlert;
    };
    void syncFocus();
    bool focusHolds(View& view) const;
    // A finger could touch the view somewhere (its centre or a quarter's).
    bool reachable(View& view);
    View* replacementFocus(const std::vector<View*>& candidates);
    void setFocus(View* view, bool scrollIntoView);
    bool moveFocusInList(View& focused, int step);
    void drawFocusRing(Canvas& canvas);

    struct TouchTrack;
    void beginTouch(Point p);
    void moveTouch(Point p);
    void endTouch(Point p, bool cancelled);
    void cancelTrackedTouch(const Touch& t);
    Touch makeTouch(TouchPhase phase, Point p) const;
    // Hands a key to the first responder; false when none has the keyboard.
    bool sendToKeyboard(const std::function<void(View&)>& send);

    std::shared_ptr<View> root_;
    std::shared_ptr<View> statusBar_;
    std::shared_ptr<AlertLayer> alertLayer_;
    std::vector<std::shared_ptr<platform::AlertView>> shownAlerts_;
    std::shared_ptr<ViewController> rootController_;
    std::weak_ptr<View> firstResponder_;
    std::unique_ptr<TouchTrack> track_;
    AccessibilityObserver* accessibilityObserver_ = nullptr;
    FocusState focus_;
};

}  // namespace ui
