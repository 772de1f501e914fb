#pragma once
// Shows a named image scaled to its bounds. Like the phone toolkit's image
// view it takes no touches until userInteractionEnabled is set, so a tap
// recogniser on it does nothing until then.
#include <string>

#include "platform/ui/View.h"

namespace ui {

class ImageView : public View {
public:
    ImageView();
    explicit ImageView(const Rect& frame);
    // The frame's size is the image's natural size, at the origin.
    explicit ImageView(const std::string& imageName);
    ImageView(const Rect& frame, const std::string& imageName);

    // An unknown name is logged once and shows nothing; the empty name
    // shows nothing.
    void setImage(const std::string& name);
    const std::string& image() const { return image_; }

    void draw(Canvas& canvas) override;
    std::string className() const override { return "ImageView"; }
    std::string imageName() const override { return image_; }

protected:
    // An image is an element when it can be tapped or a screen said what it
    // shows; other images are decoration.
    bool defaultIsAccessibilityElement() const override;
    AccessibilityRole defaultAccessibilityRole() const override;

private:
    std::string image_;
};

}  // namespace ui
