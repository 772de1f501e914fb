#include "platform/ui/PageControl.h"

#include <algorithm>

namespace ui {

void PageControl::setNumberOfPages(int pages) {
    pages_ = std::max(0, pages);
    setCurrentPage(current_);
}

void PageControl::setCurrentPage(int page) { current_ = std::clamp(page, 0, std::max(0, pages_ - 1)); }

Rect PageControl::dotRect(int page) const {
    const Rect b = bounds();
    const double total = pages_ > 0 ? (pages_ - 1) * kDotPitch + kDotDiameter : 0;
    const double x = b.midX() - total / 2 + page * kDotPitch;
    return {x, b.midY() - kDotDiameter / 2, kDotDiameter, kDotDiameter};
}

void PageControl::touchesEnded(const Touch& t) {
    const bool wasTracking = isTracking();
    Control::touchesEnded(t);
    if (!wasTracking || !showsDots() || !touchInside(t)) return;
    const Point p = convertFromWindow(t.locationInWindow);
    const int before = current_;
    setCurrentPage(current_ + (p.x < bounds().midX() ? -1 : 1));
    if (current_ != before) sendActionsForControlEvents(ControlEventValueChanged);
}

void PageControl::draw(Canvas& canvas) {
    View::draw(canvas);
    if (!showsDots()) return;
    for (int i = 0; i < pages_; ++i)
        canvas.fillEllipse(dotRect(i), i == current_ ? currentPageIndicatorTintColor : pageIndicatorTintColor);
}

}  // namespace ui
