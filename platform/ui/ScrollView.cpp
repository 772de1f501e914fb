#include "platform/ui/ScrollView.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/Animation.h"

namespace ui {

namespace {
// A flick this fast (points per second) carries the content on after the
// finger lifts; slower drags stop where they are.
constexpr double kFlickVelocity = 250;
// How far a flick carries the content, in seconds of its velocity.
constexpr double kFlickCarry = 0.35;
constexpr double kFrameInterval = 1.0 / 60;

double nowSeconds() { return platform::RunLoop::main().now(); }
}  // namespace

ScrollView::ScrollView() { clipsToBounds = true; }
ScrollView::ScrollView(const Rect& frame) : View(frame) { clipsToBounds = true; }

ScrollView::~ScrollView() {
    if (animTimer_) animTimer_->invalidate();
}

Point ScrollView::maximumContentOffset() const {
    const Rect b = bounds();
    return {std::max(0.0, contentSize.width - b.width()), std::max(0.0, contentSize.height - b.height())};
}

Point ScrollView::clampedOffset(Point p) const {
    const Point max = maximumContentOffset();
    return {std::clamp(p.x, 0.0, max.x), std::clamp(p.y, 0.0, max.y)};
}

void ScrollView::setBoundsOrigin(Point origin) {
    if (origin == boundsOrigin()) return;
    View::setBoundsOrigin(origin);
    auto keep = weak_from_this().lock();
    contentOffsetDidChange();
    if (delegate_) delegate_->scrollViewDidScroll(*this);
}

void ScrollView::setContentOffset(Point offset, bool animated) {
    stopOffsetAnimation();
    if (animated && offset != contentOffset())
        animateOffset(offset, kAnimationDuration, AnimationKind::Scrolling);
    else
        setBoundsOrigin(offset);
}

void ScrollView::scrollRectToVisible(const Rect& r, bool animated) {
    const Rect b = bounds();
    Point o = contentOffset();
    if (r.minX() < b.minX())
        o.x = r.minX();
    else if (r.maxX() > b.maxX())
        o.x = std::min(r.minX(), r.maxX() - b.width());
    if (r.minY() < b.minY())
        o.y = r.minY();
    else if (r.maxY() > b.maxY())
        o.y = std::min(r.minY(), r.maxY() - b.height());
    setContentOffset(clampedOffset(o), animated);
}

void ScrollView::panBegan(Point) {
    stopOffsetAnimation();
    decelerating_ = false;
    dragging_ = true;
    pan_.translation_ = {};
    pan_.velocity_ = {};
    dragStartOffset_ = contentOffset();
    auto keep = weak_from_this().lock();
    if (delegate_) delegate_->scrollViewWillBeginDragging(*this);
}

void ScrollView::panChanged(Point translation) {
    if (!dragging_) return;
    pan_.translation_ = translation;
    setBoundsOrigin(clampedOffset({dragStartOffset_.x - translation.x, dragStartOffset_.y - translation.y}));
}

Point ScrollView::pageTarget(Point offset, Point start, Point velocity) const {
    const Rect b = bounds();
    const Point max = maximumContentOffset();
    auto axis = [](double off, double startOff, double v, double page, double maxOff) {
        if (page <= 0) return off;
        const double startPage = std::round(startOff / page);
        // Where the content would come to rest: a flick goes on to the next
        // page even when the finger moved less than half a page.
        double projected = off - v * kFlickCarry;
        if (std::abs(v) < kFlickVelocity) projected = off;
        double target = std::round(projected / page);
        // A flick never skips pages.
        target = std::clamp(target, startPage - 1, startPage + 1);
        const double lastPage = std::ceil(maxOff / page);
        target = std::clamp(target, 0.0, lastPage);
        return std::min(target * page, maxOff);
    };
    return {axis(offset.x, start.x, velocity.x, b.width(), max.x), axis(offset.y, start.y, velocity.y, b.height(), max.y)};
}

void ScrollView::panEnded(Point translation, Point velocity) {
    if (!dragging_) return;
    auto keep = weak_from_this().lock();
    dragging_ = false;
    pan_.translation_ = translation;
    pan_.velocity_ = velocity;
    const Point offset = contentOffset();

    Point target = offset;
    bool decelerate = false;
    if (pagingEnabled) {
        target = pageTarget(offset, dragStartOffset_, velocity);
        // A paging view always settles (even in place, at an edge).
        decelerate = translation != Point{} || target != offset;
    } else if (std::hypot(velocity.x, velocity.y) >= kFlickVelocity) {
        target = clampedOffset({offset.x - velocity.x * kFlickCarry, offset.y - velocity.y * kFlickCarry});
        decelerate = true;
    }

    if (delegate_) delegate_->scrollViewDidEndDragging(*this, decelerate);
    if (!decelerate) return;
    decelerateTo(target, pagingEnabled ? kAnimationDuration : 2 * kAnimationDuration);
}

void ScrollView::scrollBy(double dx, double dy) {
    if (!scrollEnabled) return;
    auto keep = weak_from_this().lock();
    if (!pagingEnabled) {
        stopOffsetAnimation();
        const Point o = contentOffset();
        setBoundsOrigin(clampedOffset({o.x + dx, o.y + dy}));
        return;
    }
    // A wheel turn on a paging view is a flick by one page; further turns
    // while it settles belong to the same flick.
    if (decelerating_ || (dx == 0 && dy == 0)) return;
    const Rect b = bounds();
    Point o = contentOffset();
    const bool horizontal = std::abs(dx) >= std::abs(dy);
    Point target = o;
    if (horizontal && b.width() > 0)
        target.x = (std::round(o.x / b.width()) + (dx > 0 ? 1 : -1)) * b.width();
    else if (!horizontal && b.height() > 0)
        target.y = (std::round(o.y / b.height()) + (dy > 0 ? 1 : -1)) * b.height();
    target = clampedOffset(target);
    pan_.translation_ = {-dx, -dy};
    pan_.velocity_ = {};
    decelerateTo(target, kAnimationDuration);
}

void ScrollView::decelerateTo(Point target, double duration) {
    decelerating_ = true;
    if (delegate_) delegate_->scrollViewWillBeginDecelerating(*this);
    // The delegate may have moved us meanwhile (or ended the screen).
    if (!decelerating_) return;
    if (target == contentOffset()) {
        decelerating_ = false;
        if (delegate_) delegate_->scrollViewDidEndDecelerating(*this);
        return;
    }
    animateOffset(target, duration, AnimationKind::Decelerating);
}

void ScrollView::animateOffset(Point target, double duration, AnimationKind kind) {
    stopOffsetAnimation();
    if (kind == AnimationKind::Decelerating) decelerating_ = true;
    std::weak_ptr<View> weak = weak_from_this();
    if (weak.expired()) {
        // Not shared-owned (a view on the stack): no timer may point at it.
        setBoundsOrigin(target);
        animKind_ = kind;
        finishOffsetAnimation();
        return;
    }
    animFrom_ = contentOffset();
    animTo_ = target;
    animStart_ = nowSeconds();
    animDuration_ = duration;
    animKind_ = kind;
    animTimer_ = platform::RunLoop::main().scheduleTimer(kFrameInterval, true, [weak](platform::Timer&) {
        auto self = std::static_pointer_cast<ScrollView>(weak.lock());
        if (!self) return;
        const double p = (nowSeconds() - self->animStart_) / self->animDuration_;
        if (p >= 1.0) {
            self->setBoundsOrigin(self->animTo_);
            self->finishOffsetAnimation();
            return;
        }
        const double e = easeInOut(p);
        self->setBoundsOrigin({self->animFrom_.x + (self->animTo_.x - self->animFrom_.x) * e,
                               self->animFrom_.y + (self->animTo_.y - self->animFrom_.y) * e});
    });
}

void ScrollView::stopOffsetAnimation() {
    if (animTimer_) {
        animTimer_->invalidate();
        animTimer_.reset();
    }
    decelerating_ = false;
}

void ScrollView::finishOffsetAnimation() {
    if (animTimer_) {
        animTimer_->invalidate();
        animTimer_.reset();
    }
    const bool wasDecelerating = animKind_ == AnimationKind::Decelerating;
    decelerating_ = false;
    ScrollViewDelegate* delegate = delegate_;
    if (!delegate) return;
    if (wasDecelerating)
        delegate->scrollViewDidEndDecelerating(*this);
    else
        delegate->scrollViewDidEndScrollingAnimation(*this);
}

}  // namespace ui
