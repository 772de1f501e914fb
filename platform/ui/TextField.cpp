#include "platform/ui/TextField.h"

#include <algorithm>

namespace ui {

void eraseLastCharacter(std::string& text) {
    if (text.empty()) return;
    std::size_t i = text.size() - 1;
    while (i > 0 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) --i;
    text.erase(i);
}

void TextField::setText(std::string t) {
    if (t == text_) return;
    text_ = std::move(t);
    postAccessibilityNotification(AccessibilityNotification::ValueChanged);
}

void TextField::didBecomeFirstResponder() {
    if (editing_) return;
    editing_ = true;
    sendActionsForControlEvents(ControlEventEditingDidBegin);
}

void TextField::didResignFirstResponder() {
    if (!editing_) return;
    editing_ = false;
    sendActionsForControlEvents(ControlEventEditingDidEnd);
}

void TextField::insertText(const std::string& text) {
    if (!editing_ || text.empty()) return;
    // One line: a newline is the return key, not text.
    std::string clean;
    for (char c : text)
        if (c != '\n' && c != '\r') clean += c;
    if (clean.empty()) return;
    setText(text_ + clean);
    sendActionsForControlEvents(ControlEventEditingChanged);
}

void TextField::deleteBackward() {
    if (!editing_ || text_.empty()) return;
    std::string shorter = text_;
    eraseLastCharacter(shorter);
    setText(std::move(shorter));
    sendActionsForControlEvents(ControlEventEditingChanged);
}

void TextField::returnKey() {}

bool TextField::accessibilitySetValue(const std::string& value) {
    if (!enabled || !editable) return false;
    if (!editing_) becomeFirstResponder();
    if (value == text_) return true;
    setText(value);
    sendActionsForControlEvents(ControlEventEditingChanged);
    return true;
}

bool TextField::accessibilityActivate() {
    if (!canActivate()) return false;
    auto keep = weak_from_this().lock();
    if (canBecomeFirstResponder()) becomeFirstResponder();
    Control::accessibilityActivate();
    return true;
}

Rect TextField::textArea() const {
    const Rect b = bounds();
    const double pad = borderStyle == TextBorderStyle::None ? 0 : 7;
    return {b.x() + pad, b.y(), b.width() - 2 * pad, b.height()};
}

std::vector<TextRoom> TextField::textRooms() const {
    if (!text_.empty() || placeholder.empty()) return {};
    return {{placeholder, font, textArea()}};
}

void TextField::draw(Canvas& canvas) {
    View::draw(canvas);
    const Rect b = bounds();
    switch (borderStyle) {
        case TextBorderStyle::None: break;
        case TextBorderStyle::Line: canvas.strokeRect(b, 1, Color::black()); break;
        case TextBorderStyle::Bezel: canvas.strokeRect(b, 1, Color::gray()); break;
        case TextBorderStyle::RoundedRect:
            canvas.fillRoundedRect(b, 5, Color::white());
            canvas.strokeRect(b, 0.5, Color::lightGray(), 5);
            break;
    }
    const Rect area = textArea();
    if (text_.empty()) {
        if (!placeholder.empty())
            canvas.drawText(area, placeholder, font, Color::rgba(0.7, 0.7, 0.72, 1), textAlignment);
    } else {
        canvas.drawText(area, text_, font, textColor, textAlignment);
    }
    if (editing_) {
        double x = area.x();
        const double w = text_.empty() ? 0 : canvas.textWidth(text_, font);
        if (textAlignment == TextAlignment::Center) x = area.midX() + w / 2;
        else if (textAlignment == TextAlignment::Right) x = area.maxX();
        else x = area.x() + std::min(w, area.width());
        const double h = font.size * 1.2;
        canvas.drawLine({x + 1, b.midY() - h / 2}, {x + 1, b.midY() + h / 2}, 2, Color::tint());
    }
}

}  // namespace ui
