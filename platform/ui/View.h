#pragma once
// The view tree. A view owns its subviews (front-most last). Children are
// drawn outside their parent's frame unless the parent clips; hit-testing
// follows the phone toolkits: the front-most deepest view under the touch
// that takes touches, and a subview outside its parent's bounds is drawn but
// never hit.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "platform/ui/Accessibility.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"

namespace ui {

class View;
class Window;
class GestureRecognizer;

enum class TouchPhase { Began, Moved, Ended, Cancelled };

struct Touch {
    TouchPhase phase = TouchPhase::Began;
    Point locationInWindow;
    Point startInWindow;  // where the finger went down
    int tapCount = 1;
    double timestamp = 0;  // run loop clock
};

// Something that reacts to a touch sequence on a view (tap recognisers).
class GestureRecognizer {
public:
    virtual ~GestureRecognizer() = default;
    virtual void touchesBegan(const Touch&) {}
    virtual void touchesMoved(const Touch&) {}
    virtual void touchesEnded(const Touch&) {}
    virtual void touchesCancelled(const Touch&) {}
    // Asked after touchesEnded: true when this recogniser took the sequence
    // (a tap was recognised). The view then gets touchesCancelled instead of
    // touchesEnded, so a recognised tap is not also a tap on what lies below.
    virtual bool hasRecognized() const { return false; }
    // A tap without a finger, for assistive technology and the keyboard:
    // true when the recogniser acted on it.
    virtual bool activateWithoutTouch() { return false; }
    virtual bool activatesWithoutTouch() const { return false; }
    View* view() const { return view_; }
    bool enabled = true;

private:
    friend class View;
    View* view_ = nullptr;
};

// A text a view shows and the room its design gives it, in the view's own
// coordinates, for the check that every text fits (ui::TextFit): how many
// lines it may take (0: as many as the room's height holds) and the size
// down to which it may shrink to fit its width (its own size: none).
struct TextRoom {
    std::string text;
    Font font;
    Rect room;
    int lines = 1;
    double minimumSize = 0;
};

class View : public std::enable_shared_from_this<View> {
public:
    View();
    explicit View(const Rect& frame);
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Geometry. The frame is in the superview's coordinates; the bounds
    // origin shifts the children (scroll offset).
    const Rect& frame() const { return frame_; }
    virtual void setFrame(const Rect& frame);
    Rect bounds() const { return {boundsOrigin_.x, boundsOrigin_.y, frame_.width(), frame_.height()}; }
    Point boundsOrigin() const { return boundsOrigin_; }
    virtual void setBoundsOrigin(Point origin) { boundsOrigin_ = origin; }
    Point center() const { return {frame_.midX(), frame_.midY()}; }
    void setCenter(Point c);

    // Plain properties of every view.
    std::int64_t tag = 0;  // wide enough for any service id or stop number
    double alpha = 1.0;
    bool hidden = false;
    Color backgroundColor = Color::clear();
    bool userInteractionEnabled = true;
    bool clipsToBounds = false;
    std::string restorationIdentifier;
    double borderWidth = 0;  // the layer's border
    Color borderColor = Color::black();
    double cornerRadius = 0;

    // Alpha animations (ui::animate): the model value above changes at once,
    // drawing follows the presentation value, which runs from `from` to the
    // model value over the span on the run loop clock.
    struct AlphaTransition {
        double from = 1.0, to = 1.0, start = 0.0, duration = 0.0;
        bool active = false;
    };
    AlphaTransition alphaTransition;
    double presentationAlpha() const;
    // Every view alive now, for snapshots taken by animations. Main thread.
    static void forEachLiveView(const std::function<void(View&)>& visit);

    // The tree.
    void addSubview(std::shared_ptr<View> view);
    void insertSubview(std::shared_ptr<View> view, std::size_t index);
    void removeFromSuperview();
    void removeAllSubviews();
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    View* superview() const { return superview_; }
    bool isDescendantOf(const View* ancestor) const;
    View* viewWithTag(std::int64_t tag);
    // The window the view is in, or null while off screen.
    Window* window() const;

    // Coordinates.
    Point convertToWindow(Point p) const;
    Point convertFromWindow(Point p) const;
    Rect frameInWindow() const;

    // Hit-testing in this view's own coordinates (bounds).
    virtual bool pointInside(Point p) const;
    virtual View* hitTest(Point p);
    bool takesTouches() const { return !hidden && alpha >= 0.01 && userInteractionEnabled; }

    // Touches: by default passed to the superview, as a responder chain.
    virtual void touchesBegan(const Touch& t);
    virtual void touchesMoved(const Touch& t);
    virtual void touchesEnded(const Touch& t);
    virtual void touchesCancelled(const Touch& t);

    void addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer);
    const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const { return recognizers_; }

    // Dragging and the wheel go to the nearest ancestor that pans (scroll
    // and table views). Translation is from where the drag started.
    virtual bool handlesPan() const { return false; }
    virtual void panBegan(Point /*locationInWindow*/) {}
    virtual void panChanged(Point /*translation*/) {}
    virtual void panEnded(Point /*translation*/, Point /*velocity*/) {}
    virtual void scrollBy(double /*dx*/, double /*dy*/) {}

    // Text input goes to the first responder (text fields, search bars).
    virtual bool canBecomeFirstResponder() const { return false; }
    virtual void insertText(const std::string& /*text*/) {}
    virtual void deleteBackward() {}
    // The keyboard's return key (a search field starts its search).
    virtual void returnKey() {}
    virtual void didBecomeFirstResponder() {}
    virtual void didResignFirstResponder() {}
    // Asks the window for the keyboard. A view off screen gets it once it
    // is in a window (unless it resigns first). False when it cannot take it.
    bool becomeFirstResponder();
    // Gives the keyboard up (or the pending request for it).
    void resignFirstResponder();
    bool isFirstResponder() const;

    // Drawing: draw() paints the view's own content in its bounds
    // coordinates; drawTree() paints the view and everything under it.
    virtual void draw(Canvas& canvas);
    static void drawTree(View& view, Canvas& canvas);

    // Accessibility: what assistive technology is told of the view (see
    // Accessibility.h). The label is what a screen reader says for it, by
    // default its visible text; the hint says what using it does; traits add
    // what the view's kind does not say. The identifier names the view for
    // good, so that the keyboard focus and a screen reader's object follow a
    // row or a marker that a screen rebuilds. Setting the label or the traits
    // of a view on screen tells the window's observer.
    void setAccessibilityLabel(std::string label);
    // A label made only when something asks for it, from the view being
    // named: for the views a screen rebuilds often, whose names take some
    // making, so that nothing is made while no assistive technology listens.
    using LabelProvider = std::function<std::string(const View&)>;
    void setAccessibilityLabelProvider(LabelProvider provider);
    std::string accessibilityLabel() const;
    void setAccessibilityHint(std::string hint);
    std::string accessibilityHint() const;
    void setAccessibilityTraits(std::uint32_t traits);
    std::uint32_t accessibilityTraits() const;
    void setAccessibilityIdentifier(std::string identifier);
    std::string accessibilityIdentifier() const;
    // A view that is an element speaks for itself; one that is not passes on
    // to its subviews. Set, it overrides what the view's kind decides.
    void setIsAccessibilityElement(bool element);
    bool isAccessibilityElement() const;
    // Leaves the view and everything under it out of the accessible tree.
    void setAccessibilityElementsHidden(bool hidden);
    bool accessibilityElementsHidden() const;
    AccessibilityRole accessibilityRole() const;
    // The current value of an element whose name is fixed (the text typed
    // into a field whose name is its placeholder).
    virtual std::string accessibilityValue() const { return {}; }
    // Replaces that value as typing would (a screen reader's text entry);
    // false for a view that takes no text.
    virtual bool accessibilitySetValue(const std::string& /*value*/) { return false; }
    // What a tap on the view does, for a screen reader's activation and for
    // Enter and Space: the view's tap recognisers by default. False when the
    // view does nothing.
    virtual bool accessibilityActivate();
    // Whether accessibilityActivate would do something now.
    virtual bool canActivate() const;
    // Escape while the view (or one inside it) has the focus or the keyboard:
    // true when the view took it (a search field cancels its search).
    virtual bool accessibilityPerformEscape() { return false; }
    // Tells the window's accessibility observer, if there is one.
    void postAccessibilityNotification(AccessibilityNotification what);

    // Description for the scripted driver's tree dump and for tests.
    virtual std::string className() const { return "View"; }
    virtual std::string text() const { return {}; }          // visible text, if any
    virtual std::string imageName() const { return {}; }     // shown image, if any
    virtual std::vector<TextRoom> textRooms() const { return {}; }
    nlohmann::json describe() const;                          // the whole subtree

    // Window attachment (set by Window on its root view). Every view of the
    // tree is told through didMoveToWindow.
    void setWindow(Window* w);

protected:
    // What the view's kind says, when a screen said nothing.
    virtual bool defaultIsAccessibilityElement() const { return false; }
    virtual AccessibilityRole defaultAccessibilityRole() const { return AccessibilityRole::None; }
    virtual std::uint32_t defaultAccessibilityTraits() const { return AccessibilityTrait::None; }
    // The label when none is set: the visible text.
    virtual std::string defaultAccessibilityLabel() const { return text(); }

    virtual void didMoveToSuperview() {}
    // The view (or an ancestor) entered or left a window; window() tells
    // which. Tables load their rows on the next pass once on screen.
    virtual void didMoveToWindow() {}

private:
    Rect frame_;
    Point boundsOrigin_;
    View* superview_ = nullptr;
    Window* window_ = nullptr;
    std::vector<std::shared_ptr<View>> subviews_;
    std::vector<std::shared_ptr<GestureRecognizer>> recognizers_;
    bool wantsFirstResponder_ = false;  // asked for the keyboard while off screen
    // The texts are made when a screen first sets one: most views never need
    // them. The flags are plain, so a screen rebuilding its rows allocates
    // nothing to hide a label or mark a row.
    struct AccessibilityInfo;
    std::unique_ptr<AccessibilityInfo> accessibility_;
    AccessibilityInfo& accessibilityInfo();
    static constexpr std::uint32_t kTraitsUnset = 0xFFFFFFFFu;
    std::uint32_t accessibilityTraits_ = kTraitsUnset;
    signed char accessibilityElement_ = -1;  // -1: as the view's kind decides
    bool accessibilityElementsHidden_ = false;

    void notifyWindowChange();
};

using ViewPtr = std::shared_ptr<View>;

// Shorthand for making views: auto label = make<Label>(Rect{...});
template <class T, class... Args>
std::shared_ptr<T> make(Args&&... args) {
    return std::make_shared<T>(std::forward<Args>(args)...);
}

}  // namespace ui
