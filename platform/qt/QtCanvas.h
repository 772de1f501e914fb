#pragma once
// The toolkit's Canvas on a QPainter. Points are the painter's logical
// coordinates; the paint device's pixel ratio (2 for screenshots, the
// screen's own in the window) turns them into sharp device pixels.
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "platform/ui/Canvas.h"

namespace ui {
class Window;
}

namespace platform::qt {

// Fonts and images shared by every canvas of the process: building a font
// per text and decoding a PNG per paint would dominate a frame. Main thread.
class PaintResources {
public:
    static PaintResources& shared();

    struct FontEntry {
        QFont font;
        QFontMetricsF metrics;
    };
    // The CJK-capable family list at a size in points (logical pixels of the
    // device), regular or bold, measured as on the device. The device's
    // resolution only matters for sizes that are not whole pixels.
    const FontEntry& font(const ui::Font& font, const QPaintDevice* device);

    // The named image from the toolkit's images folder, decoded once; null
    // when there is no such image or it cannot be read.
    const QImage* image(const std::string& name);
    // The image resampled once, smoothly, to a size in device pixels, for
    // images drawn at a size other than their own.
    const QImage* scaledImage(const std::string& name, QSize devicePixels);

    // Forgets decoded images (the files changed on disk).
    void clearImages();
    // Once per frame: forgets the images when the toolkit's images folder
    // changed since the last frame, so names are looked up once per folder.
    void checkImagesDirectory();

private:
    std::map<std::tuple<double, bool, int>, std::unique_ptr<FontEntry>> fonts_;
    std::filesystem::path directory_;
    std::unordered_map<std::string, std::unique_ptr<QImage>> images_;  // by name; null when missing or unreadable
    std::map<std::tuple<std::string, int, int>, QImage> scaled_;
};

// The families tried in order for every text: a CJK font first so Chinese
// never falls back to boxes, then the system's sans.
QStringList fontFamilies();

class QtCanvas : public ui::Canvas {
public:
    // The painter must stay active on its device while the canvas is used.
    explicit QtCanvas(QPainter& painter);

    void save() override;
    void restore() override;
    void translate(double dx, double dy) override;
    void clipTo(const ui::Rect& rect) override;
    void multiplyAlpha(double alpha) override;
    void fillRect(const ui::Rect& rect, const ui::Color& color) override;
    void fillRoundedRect(const ui::Rect& rect, double radius, const ui::Color& color) override;
    void strokeRect(const ui::Rect& rect, double width, const ui::Color& color, double radius = 0) override;
    void drawLine(ui::Point from, ui::Point to, double width, const ui::Color& color) override;
    void fillEllipse(const ui::Rect& rect, const ui::Color& color) override;
    void drawText(const ui::Rect& rect, const std::string& text, const ui::Font& font, const ui::Color& color,
                  ui::TextAlignment alignment) override;
    void drawWrappedText(const ui::Rect& rect, const std::string& text, const ui::Font& font,
                         const ui::Color& color) override;
    void drawImage(const ui::Rect& rect, const std::string& name) override;
    double textWidth(const std::string& text, const ui::Font& font) override;
    // As drawWrappedText lays the lines out.
    double wrappedTextHeight(const std::string& text, const ui::Font& font, double width) override;

private:
    const PaintResources::FontEntry& fontFor(const ui::Font& font);
    // Whether a shape with these bounds (current coordinates) lies wholly
    // outside the clip: a scroll view's content far off screen then costs
    // nothing to paint.
    bool outsideClip(const QRectF& bounds) const;

    QPainter& painter_;
    PaintResources& resources_;
    // The clip's bounding box in the painter's base coordinates, kept here
    // because asking QPainter for it builds a region on every call.
    struct Clip {
        bool bounded = false;
        QRectF bounds;
    };
    Clip clip_;
    std::vector<Clip> saved_;
};

QColor toQColor(const ui::Color& c);
QRectF toQRectF(const ui::Rect& r);

// An opaque white image of `size` points at `scale` device pixels per point
// with `paint` drawn on it through a QtCanvas.
QImage renderImage(double widthPoints, double heightPoints, double scale,
                   const std::function<void(ui::Canvas&)>& paint);
// The whole window as a screenshot shows it: 750 x 1334 pixels at scale 2.
QImage renderWindow(ui::Window& window, double scale = 2.0);

}  // namespace platform::qt
