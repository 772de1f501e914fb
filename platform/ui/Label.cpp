#include "platform/ui/Label.h"

namespace ui {

Label::Label() { userInteractionEnabled = false; }
Label::Label(const Rect& frame) : View(frame) { userInteractionEnabled = false; }

void Label::setText(std::string t) {
    if (t == text_) return;
    text_ = std::move(t);
    postAccessibilityNotification(AccessibilityNotification::NameChanged);
}

void Label::draw(Canvas& canvas) {
    View::draw(canvas);
    if (text_.empty()) return;
    if (numberOfLines == 1)
        canvas.drawText(bounds(), text_, font, textColor, textAlignment);
    else
        canvas.drawWrappedText(bounds(), text_, font, textColor);
}

}  // namespace ui
