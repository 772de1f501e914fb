#pragma once
// What views draw on. The desktop window implements it with QPainter; tests
// implement it to record what was drawn. Coordinates are points in the
// current transform; the implementation maps them to device pixels.
#include <string>

#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"

namespace ui {

struct Font {
    double size = 17;
    bool bold = false;
    static Font system(double size) { return {size, false}; }
    static Font boldSystem(double size) { return {size, true}; }
    friend bool operator==(const Font&, const Font&) = default;
};

enum class TextAlignment { Left = 0, Center = 1, Right = 2 };

class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void save() = 0;
    virtual void restore() = 0;
    virtual void translate(double dx, double dy) = 0;
    virtual void clipTo(const Rect& rect) = 0;
    // Multiplies the current opacity (nested views fade together).
    virtual void multiplyAlpha(double alpha) = 0;
    virtual void fillRect(const Rect& rect, const Color& color) = 0;
    virtual void fillRoundedRect(const Rect& rect, double radius, const Color& color) = 0;
    virtual void strokeRect(const Rect& rect, double width, const Color& color, double radius = 0) = 0;
    virtual void drawLine(Point from, Point to, double width, const Color& color) = 0;
    virtual void fillEllipse(const Rect& rect, const Color& color) = 0;
    // Single line, vertically centred in the rectangle, elided if too long.
    virtual void drawText(const Rect& rect, const std::string& text, const Font& font, const Color& color,
                          TextAlignment alignment) = 0;
    // Wrapped text from the top of the rectangle.
    virtual void drawWrappedText(const Rect& rect, const std::string& text, const Font& font, const Color& color) = 0;
    // The named image from the resources, scaled to the rectangle. A
    // missing image draws nothing.
    virtual void drawImage(const Rect& rect, const std::string& name) = 0;
    // The width that drawText would use, for layout (buttons with images).
    virtual double textWidth(const std::string& text, const Font& font) = 0;
    // The height drawWrappedText needs for all of the text at that width.
    // By default: lines broken between words (and inside a word or a run of
    // wide characters too long for a line), each 1.2 of the font size.
    virtual double wrappedTextHeight(const std::string& text, const Font& font, double width);
};

}  // namespace ui
