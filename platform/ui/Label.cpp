#include "platform/ui/Label.h"

#include <algorithm>

namespace ui {

Label::Label() { userInteractionEnabled = false; }
Label::Label(const Rect& frame) : View(frame) { userInteractionEnabled = false; }

void Label::setText(std::string t) {
    if (t == text_) return;
    text_ = std::move(t);
    postAccessibilityNotification(AccessibilityNotification::NameChanged);
}

Font Label::fittedFont(Canvas& measure) const {
    if (!adjustsFontSizeToFitWidth || numberOfLines != 1 || text_.empty()) return font;
    const double width = measure.textWidth(text_, font);
    if (width <= bounds().width() || width <= 0) return font;
    Font fitted = font;
    fitted.size = std::max(font.size * minimumScaleFactor, font.size * bounds().width() / width);
    return fitted;
}

std::vector<TextRoom> Label::textRooms() const {
    if (text_.empty()) return {};
    const double smallest = adjustsFontSizeToFitWidth && numberOfLines == 1 ? font.size * minimumScaleFactor : 0;
    return {{text_, font, bounds(), numberOfLines == 1 ? 1 : 0, smallest}};
}

void Label::draw(Canvas& canvas) {
    View::draw(canvas);
    if (text_.empty()) return;
    if (numberOfLines == 1)
        canvas.drawText(bounds(), text_, fittedFont(canvas), textColor, textAlignment);
    else
        canvas.drawWrappedText(bounds(), text_, font, textColor);
}

}  // namespace ui
