#pragma once
// A line (or lines) of text. Labels take no touches unless enabled, so a tap
// on a label reaches what lies under it.
#include <memory>
#include <string>

#include "platform/ui/View.h"

namespace ui {

class Label : public View {
public:
    Label();
    explicit Label(const Rect& frame);

    Font font = Font::system(17);
    Color textColor = Color::black();
    TextAlignment textAlignment = TextAlignment::Left;
    // 1: one line, elided; 0: as many lines as fit, wrapped.
    int numberOfLines = 1;
    // A one-line text too wide for the label is drawn smaller, down to the
    // font's size times minimumScaleFactor, before it is elided: a longer
    // translation keeps the designed frame.
    bool adjustsFontSizeToFitWidth = false;
    double minimumScaleFactor = 0;

    // A new text tells the window's accessibility observer.
    void setText(std::string t);
    std::string text() const override { return text_; }
    std::vector<TextRoom> textRooms() const override;
    // The font the text is drawn in by that canvas's measure.
    Font fittedFont(Canvas& measure) const;

    void draw(Canvas& canvas) override;
    std::string className() const override { return "Label"; }

protected:
    bool defaultIsAccessibilityElement() const override { return !text_.empty(); }
    AccessibilityRole defaultAccessibilityRole() const override { return AccessibilityRole::Label; }
    std::uint32_t defaultAccessibilityTraits() const override { return AccessibilityTrait::StaticText; }

private:
    std::string text_;
};

// A label with its look in one call, for views built in code.
inline std::shared_ptr<Label> makeLabel(const Rect& frame, std::string text, Font font = Font::system(17),
                                        Color color = Color::black(),
                                        TextAlignment alignment = TextAlignment::Left) {
    auto l = std::make_shared<Label>(frame);
    l->setText(std::move(text));
    l->font = font;
    l->textColor = color;
    l->textAlignment = alignment;
    return l;
}

}  // namespace ui
