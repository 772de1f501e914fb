#include "platform/ui/ActivityIndicatorView.h"

#include <cmath>
#include <numbers>

#include "platform/RunLoop.h"
#include "platform/ui/Animation.h"

namespace ui {

namespace {
constexpr int kSpokes = 12;
constexpr double kTurnsPerSecond = 1.0;

double sideFor(ActivityIndicatorViewStyle s) { return s == ActivityIndicatorViewStyle::WhiteLarge ? 37 : 20; }
}  // namespace

ActivityIndicatorView::ActivityIndicatorView(ActivityIndicatorViewStyle style)
    : View(Rect{0, 0, sideFor(style), sideFor(style)}), style_(style) {
    userInteractionEnabled = false;
    hidden = true;
}

ActivityIndicatorView::~ActivityIndicatorView() {
    if (animating_) detail::adjustSpinnerCount(-1);
}

void ActivityIndicatorView::setStyle(ActivityIndicatorViewStyle style) {
    style_ = style;
    const Point c = center();
    const double side = sideFor(style);
    setFrame({c.x - side / 2, c.y - side / 2, side, side});
}

Color ActivityIndicatorView::color() const {
    if (hasColor_) return color_;
    return style_ == ActivityIndicatorViewStyle::Gray ? Color::gray() : Color::white();
}

void ActivityIndicatorView::setHidesWhenStopped(bool hides) {
    hidesWhenStopped_ = hides;
    if (!animating_) hidden = hides;
}

void ActivityIndicatorView::startAnimating() {
    if (!animating_) detail::adjustSpinnerCount(+1);
    animating_ = true;
    hidden = false;
}

void ActivityIndicatorView::stopAnimating() {
    if (animating_) detail::adjustSpinnerCount(-1);
    animating_ = false;
    if (hidesWhenStopped_) hidden = true;
}

int ActivityIndicatorView::leadingSpoke() const {
    if (!animating_) return 0;
    const double turns = platform::RunLoop::main().now() * kTurnsPerSecond;
    const double frac = turns - std::floor(turns);
    return static_cast<int>(std::floor(frac * kSpokes)) % kSpokes;
}

void ActivityIndicatorView::draw(Canvas& canvas) {
    View::draw(canvas);
    const Rect b = bounds();
    const double side = std::min(b.width(), b.height());
    if (side <= 0) return;
    const double cx = b.midX(), cy = b.midY();
    const double outer = side / 2, inner = side * 0.22;
    const double width = side * (style_ == ActivityIndicatorViewStyle::WhiteLarge ? 0.09 : 0.1);
    const Color base = color();
    const int lead = leadingSpoke();
    for (int i = 0; i < kSpokes; ++i) {
        // The leading spoke is solid; those behind it fade out.
        const int behind = ((lead - i) % kSpokes + kSpokes) % kSpokes;
        const double fade = animating_ ? 1.0 - 0.75 * behind / (kSpokes - 1) : 0.5;
        const double angle = 2 * std::numbers::pi * i / kSpokes;
        const double sx = std::sin(angle), sy = -std::cos(angle);
        Color c = base;
        c.a *= fade;
        canvas.drawLine({cx + sx * inner, cy + sy * inner}, {cx + sx * (outer - width / 2), cy + sy * (outer - width / 2)},
                        width, c);
    }
}

}  // namespace ui
