#pragma once
// The busy indicator: twelve spokes turning once a second while animating.
// The turn is worked out from the run loop's clock at each paint, so it
// needs no timer of its own; a host keeps painting while
// ui::needsContinuousRedraw() holds. Stopped with hidesWhenStopped, it is
// hidden. It takes no touches.
#include "platform/ui/View.h"

namespace ui {

enum class ActivityIndicatorViewStyle { WhiteLarge = 0, White = 1, Gray = 2 };

class ActivityIndicatorView : public View {
public:
    explicit ActivityIndicatorView(ActivityIndicatorViewStyle style = ActivityIndicatorViewStyle::White);
    explicit ActivityIndicatorView(int style) : ActivityIndicatorView(static_cast<ActivityIndicatorViewStyle>(style)) {}
    ~ActivityIndicatorView() override;

    ActivityIndicatorViewStyle style() const { return style_; }
    // Sets the size that goes with the style, keeping the centre.
    void setStyle(ActivityIndicatorViewStyle style);

    // Unset: white, or grey for the grey style.
    void setColor(const Color& c) { color_ = c; hasColor_ = true; }
    Color color() const;

    bool hidesWhenStopped() const { return hidesWhenStopped_; }
    void setHidesWhenStopped(bool hides);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }

    // The spoke drawn brightest now (0 straight up, clockwise).
    int leadingSpoke() const;

    void draw(Canvas& canvas) override;
    std::string className() const override { return "ActivityIndicatorView"; }

private:
    ActivityIndicatorViewStyle style_;
    Color color_;
    bool hasColor_ = false;
    bool hidesWhenStopped_ = true;
    bool animating_ = false;
};

}  // namespace ui
