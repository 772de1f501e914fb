#include "platform/ui/SearchBar.h"

#include <algorithm>

#include "platform/Translation.h"
#include "platform/ui/SearchDisplayController.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextMetrics.h"

namespace ui {

SearchBar::SearchBar() : SearchBar(Rect{0, 0, 320, 44}) {}

SearchBar::SearchBar(const Rect& frame) : View(frame) {
    backgroundColor = Color::rgba(0.79, 0.79, 0.81, 1);
    cancelButton_ = std::make_shared<Button>(ButtonType::System);
    // TRANSLATORS: ends a search, at the right of the search field.
    const std::string cancel = platform::tr("取消");
    cancelButton_->setTitle(cancel);
    cancelButton_->titleFont = Font::system(17);
    cancelWidth_ = std::max(kCancelWidth, estimatedTextWidth(cancel, 17) + 2 * kCancelMargin);
    cancelButton_->hidden = true;
    cancelButton_->addTarget(this, [this](Control&) { clickCancelButton(); }, ControlEventTouchUpInside);
    addSubview(cancelButton_);
    layoutCancelButton();
}

void SearchBar::setFrame(const Rect& frame) {
    View::setFrame(frame);
    layoutCancelButton();
}

void SearchBar::layoutCancelButton() {
    const Rect b = bounds();
    cancelButton_->setFrame({b.width() - cancelWidth_, 0, cancelWidth_, b.height()});
}

Rect SearchBar::fieldRect() const {
    const Rect b = bounds();
    const double right = showsCancel_ ? cancelWidth_ : 8;
    return {b.x() + 8, b.y() + 8, std::max(0.0, b.width() - 8 - right), std::max(0.0, b.height() - 16)};
}

void SearchBar::setShowsCancelButton(bool shows, bool) {
    showsCancel_ = shows;
    cancelButton_->hidden = !shows;
    postAccessibilityNotification(AccessibilityNotification::LayoutChanged);
}

bool SearchBar::accessibilitySetValue(const std::string& value) {
    auto keep = weak_from_this().lock();
    if (!becomeFirstResponder()) beginEditing();
    setText(value);
    return true;
}

bool SearchBar::accessibilityActivate() {
    if (!canActivate()) return false;
    auto keep = weak_from_this().lock();
    if (!becomeFirstResponder()) beginEditing();
    return true;
}

bool SearchBar::accessibilityPerformEscape() {
    if (!editing_ && !showsCancel_) return false;
    clickCancelButton();
    return true;
}

void SearchBar::setText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    auto keep = weak_from_this().lock();
    postAccessibilityNotification(AccessibilityNotification::ValueChanged);
    if (delegate) delegate->textDidChange(*this, text_);
    if (displayController_) displayController_->searchTextDidChange();
}

void SearchBar::beginEditing() {
    if (editing_) return;
    editing_ = true;
    auto keep = weak_from_this().lock();
    if (displayController_) displayController_->searchBarDidBeginEditing();
    if (delegate) delegate->searchBarTextDidBeginEditing(*this);
}

void SearchBar::endEditing() {
    if (!editing_) return;
    editing_ = false;
    if (delegate) delegate->searchBarTextDidEndEditing(*this);
}

void SearchBar::clickSearchButton() {
    if (delegate) delegate->searchBarSearchButtonClicked(*this);
}

void SearchBar::clickCancelButton() {
    auto keep = weak_from_this().lock();
    // Everything of our own is settled before the delegate hears of it: it
    // may well leave the screen (and drop the display controller).
    if (displayController_) {
        displayController_->setActive(false, true);
    } else {
        setShowsCancelButton(false);
        endEditing();
    }
    text_.clear();
    if (delegate) delegate->searchBarCancelButtonClicked(*this);
}

void SearchBar::touchesEnded(const Touch& t) {
    if (bounds().contains(convertFromWindow(t.locationInWindow))) beginEditing();
}

void SearchBar::insertText(const std::string& text) {
    beginEditing();
    std::string clean;
    bool returned = false;
    for (char c : text) {
        if (c == '\n' || c == '\r')
            returned = true;
        else
            clean += c;
    }
    if (!clean.empty()) setText(text_ + clean);
    if (returned) clickSearchButton();
}

void SearchBar::deleteBackward() {
    if (text_.empty()) return;
    std::string shorter = text_;
    eraseLastCharacter(shorter);
    setText(shorter);
}

std::vector<TextRoom> SearchBar::textRooms() const {
    const Rect f = fieldRect();
    if (!text_.empty() || placeholder.empty() || f.isEmpty()) return {};
    return {{placeholder, Font::system(14), {f.x() + 24, f.y(), f.width() - 28, f.height()}}};
}

void SearchBar::draw(Canvas& canvas) {
    View::draw(canvas);
    const Rect f = fieldRect();
    if (f.isEmpty()) return;
    canvas.fillRoundedRect(f, 5, Color::white());
    // The magnifier: a ring and its handle.
    const Color glyph = Color::rgba(0.56, 0.56, 0.58, 1);
    const double cx = f.x() + 12, cy = f.midY() - 1.5;
    canvas.strokeRect({cx - 5, cy - 5, 10, 10}, 1.5, glyph, 5);
    canvas.drawLine({cx + 3.5, cy + 3.5}, {cx + 7, cy + 7}, 1.5, glyph);
    const Rect textArea{f.x() + 24, f.y(), f.width() - 28, f.height()};
    const Font font = Font::system(14);
    if (text_.empty()) {
        if (!placeholder.empty()) canvas.drawText(textArea, placeholder, font, glyph, TextAlignment::Left);
    } else {
        canvas.drawText(textArea, text_, font, Color::black(), TextAlignment::Left);
    }
    if (editing_) {
        const double w = text_.empty() ? 0 : std::min(canvas.textWidth(text_, font), textArea.width());
        canvas.drawLine({textArea.x() + w + 1, f.y() + 6}, {textArea.x() + w + 1, f.maxY() - 6}, 2, Color::tint());
    }
}

}  // namespace ui
