#pragma once
// A one-line text field. It is a control: a screen reacts to a touch on it
// with a TouchDown action (the transfer form opens its stop picker that
// way). While it is the first responder it takes typed text and shows a
// caret; EditingDidBegin, EditingChanged and EditingDidEnd tell about it.
#include <string>

#include "platform/ui/Control.h"

namespace ui {

enum class TextBorderStyle { None = 0, Line = 1, Bezel = 2, RoundedRect = 3 };

// Drops the last character (a whole UTF-8 sequence) of the text.
void eraseLastCharacter(std::string& text);

class TextField : public Control {
public:
    TextField() = default;
    explicit TextField(const Rect& frame) : Control(frame) {}

    // A new text tells the window's accessibility observer.
    void setText(std::string t);
    std::string text() const override { return text_; }
    std::vector<TextRoom> textRooms() const override;

    std::string placeholder;
    TextBorderStyle borderStyle = TextBorderStyle::None;
    Font font = Font::system(17);
    Color textColor = Color::black();
    TextAlignment textAlignment = TextAlignment::Left;
    // Off: the field still takes touches (and sends TouchDown) but never
    // the keyboard.
    bool editable = true;
    bool isEditing() const { return editing_; }
    void setBorderStyle(int style) { borderStyle = static_cast<TextBorderStyle>(style); }

    bool canBecomeFirstResponder() const override { return enabled && editable; }
    void didBecomeFirstResponder() override;
    void didResignFirstResponder() override;
    void insertText(const std::string& text) override;
    void deleteBackward() override;
    void returnKey() override;

    // The text is the value; the placeholder names the field.
    std::string accessibilityValue() const override { return text_; }
    bool accessibilitySetValue(const std::string& value) override;
    // Takes the keyboard if it can, and sends TouchDown and TouchUpInside.
    bool accessibilityActivate() override;
    bool canActivate() const override { return Control::canActivate() || canBecomeFirstResponder(); }

    void draw(Canvas& canvas) override;
    std::string className() const override { return "TextField"; }

protected:
    std::string defaultAccessibilityLabel() const override { return placeholder; }
    AccessibilityRole defaultAccessibilityRole() const override { return AccessibilityRole::TextEntry; }

private:
    // Inside the border, where the text and the placeholder go.
    Rect textArea() const;
    std::string text_;
    bool editing_ = false;
};

}  // namespace ui
