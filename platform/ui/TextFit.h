#pragma once
// Whether the texts of the app's own on the window have the room their design
// gives them, in whichever language they are shown: a translation longer than
// the written text must wrap, shrink as its label allows, or be shortened in
// the catalog, never run out of its frame or lose its end to an ellipsis.
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Canvas.h"

namespace ui {

class Window;

struct Overflow {
    std::string view;  // the view's class
    std::string text;  // as shown
    double needed = 0;  // points of width (one line) or height (wrapped)
    double room = 0;
    std::string describe() const;
};

// The part of `text` that is the app's own, when it is made from one of
// `ownTexts` (a catalog's texts, "{}" or "{0}" standing for what is filled
// in): the text without what was filled in, but for numbers, which are the
// app's too. None when no own text makes it (a stop's name, a live text).
std::optional<std::string> ownPart(const std::string& text, const std::vector<std::string>& ownTexts);

// The visible texts of the app's own that need more room than their view
// gives them, measured by `measure`. A served name filled into one is left
// out of what it needs: names are cut as the design allows.
std::vector<Overflow> overflowingTexts(Window& window, Canvas& measure, const std::vector<std::string>& ownTexts);

// A canvas that draws nothing and measures as layout does before painting
// (estimatedTextWidth): the measure of a host that paints nothing.
class EstimatingCanvas : public Canvas {
public:
    void save() override {}
    void restore() override {}
    void translate(double, double) override {}
    void clipTo(const Rect&) override {}
    void multiplyAlpha(double) override {}
    void fillRect(const Rect&, const Color&) override {}
    void fillRoundedRect(const Rect&, double, const Color&) override {}
    void strokeRect(const Rect&, double, const Color&, double) override {}
    void drawLine(Point, Point, double, const Color&) override {}
    void fillEllipse(const Rect&, const Color&) override {}
    void drawText(const Rect&, const std::string&, const Font&, const Color&, TextAlignment) override {}
    void drawWrappedText(const Rect&, const std::string&, const Font&, const Color&) override {}
    void drawImage(const Rect&, const std::string&) override {}
    double textWidth(const std::string& text, const Font& font) override;
};

}  // namespace ui
