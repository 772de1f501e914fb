#pragma once
// A view whose content is larger than itself. The content offset is the
// bounds origin; content is clipped to the bounds. Drags come from the
// window (panBegan/panChanged/panEnded) and move the offset within the
// content; the wheel (scrollBy) moves it directly. Both stay within the
// content; setContentOffset does not clamp (a screen may ask for any offset).
// With paging on, a drag ends on a multiple of the view's size.
//
// The delegate hears about every offset change (scrollViewDidScroll) and
// about the phases of a drag: will-begin-dragging, did-end-dragging, then,
// if the view moves on by itself (a fling, a page snap), will-begin- and
// did-end-decelerating. The drag's translation stays readable through
// panGestureRecognizer() until the next drag begins.
#include <memory>

#include "platform/RunLoop.h"
#include "platform/ui/View.h"
#include "platform/ui/WeakLink.h"

namespace ui {

class ScrollView;

// Held weakly: a delegate that is gone hears nothing more.
class ScrollViewDelegate : public LinkTarget {
public:
    virtual ~ScrollViewDelegate() = default;
    virtual void scrollViewDidScroll(ScrollView&) {}
    virtual void scrollViewWillBeginDragging(ScrollView&) {}
    virtual void scrollViewDidEndDragging(ScrollView&, bool /*willDecelerate*/) {}
    virtual void scrollViewWillBeginDecelerating(ScrollView&) {}
    virtual void scrollViewDidEndDecelerating(ScrollView&) {}
    virtual void scrollViewDidEndScrollingAnimation(ScrollView&) {}
};

// The drag that moves a scroll view, as the phone toolkit exposes it.
class ScrollPanGesture {
public:
    // From where the finger went down to where it is (or was lifted); the
    // same in any unscaled view, which is every view here.
    Point translationInView(const View*) const { return translation_; }
    Point velocityInView(const View*) const { return velocity_; }

private:
    friend class ScrollView;
    Point translation_;
    Point velocity_;
};

class ScrollView : public View {
public:
    static constexpr double kAnimationDuration = 0.3;

    ScrollView();
    explicit ScrollView(const Rect& frame);
    ~ScrollView() override;

    Size contentSize;
    bool pagingEnabled = false;
    bool scrollEnabled = true;
    bool showsHorizontalScrollIndicator = true;
    bool showsVerticalScrollIndicator = true;
    bool bounces = true;  // kept for the screens; drags stop at the edges

    ScrollViewDelegate* delegate() const { return delegate_.get(); }
    void setDelegate(ScrollViewDelegate* d) { delegate_ = d; }

    Point contentOffset() const { return boundsOrigin(); }
    void setContentOffset(Point offset, bool animated = false);
    // The largest offset a drag reaches (never below zero).
    Point maximumContentOffset() const;
    Point clampedOffset(Point offset) const;
    // Scrolls as little as needed to show the rectangle (content points).
    void scrollRectToVisible(const Rect& rect, bool animated);

    const ScrollPanGesture& panGestureRecognizer() const { return pan_; }
    bool isDragging() const { return dragging_; }
    bool isDecelerating() const { return decelerating_; }
    // Whether an animated offset change (or deceleration) is under way.
    bool isAnimatingOffset() const { return static_cast<bool>(animTimer_); }

    void setBoundsOrigin(Point origin) override;

    bool handlesPan() const override { return scrollEnabled; }
    void panBegan(Point locationInWindow) override;
    void panChanged(Point translation) override;
    void panEnded(Point translation, Point velocity) override;
    // The wheel: positive dy reveals what is below (the offset grows).
    void scrollBy(double dx, double dy) override;

    std::string className() const override { return "ScrollView"; }

protected:
    AccessibilityRole defaultAccessibilityRole() const override { return AccessibilityRole::ScrollArea; }
    // After every change of the offset, before the delegate hears of it.
    virtual void contentOffsetDidChange() {}

private:
    enum class AnimationKind { Scrolling, Decelerating };
    void animateOffset(Point target, double duration, AnimationKind kind);
    // Tells the delegate a fling begins, then settles on the target.
    void decelerateTo(Point target, double duration);
    void stopOffsetAnimation();
    void finishOffsetAnimation();
    Point pageTarget(Point offset, Point startOffset, Point velocity) const;

    WeakLink<ScrollViewDelegate> delegate_;
    ScrollPanGesture pan_;
    Point dragStartOffset_;
    bool dragging_ = false;
    bool decelerating_ = false;

    platform::TimerPtr animTimer_;
    Point animFrom_, animTo_;
    double animStart_ = 0, animDuration_ = 0;
    AnimationKind animKind_ = AnimationKind::Scrolling;
};

}  // namespace ui
