#include "platform/ui/ImageView.h"

#include "platform/ui/Image.h"

namespace ui {

ImageView::ImageView() { userInteractionEnabled = false; }

ImageView::ImageView(const Rect& frame) : View(frame) { userInteractionEnabled = false; }

ImageView::ImageView(const std::string& imageName) {
    userInteractionEnabled = false;
    setImage(imageName);
    const Size s = imageSize(imageName);
    setFrame({0, 0, s.width, s.height});
}

ImageView::ImageView(const Rect& frame, const std::string& imageName) : View(frame) {
    userInteractionEnabled = false;
    setImage(imageName);
}

void ImageView::setImage(const std::string& name) {
    image_ = name;
    // Looking it up now logs a missing name when the screen names it, not at
    // some later paint.
    if (!name.empty()) imageExists(name);
}

bool ImageView::defaultIsAccessibilityElement() const { return canActivate() || !accessibilityLabel().empty(); }

AccessibilityRole ImageView::defaultAccessibilityRole() const {
    return canActivate() ? AccessibilityRole::Button : AccessibilityRole::Image;
}

void ImageView::draw(Canvas& canvas) {
    View::draw(canvas);
    if (!image_.empty() && imageExists(image_)) canvas.drawImage(bounds(), image_);
}

}  // namespace ui
