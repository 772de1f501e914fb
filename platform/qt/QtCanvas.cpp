#include "platform/qt/QtCanvas.h"

#include <QFontDatabase>
#include <QPaintDevice>
#include <QTextLayout>

#include <cmath>
#include <vector>

#include "platform/ui/Image.h"
#include "platform/ui/Window.h"

namespace platform::qt {

namespace {

QString qstr(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QString pathString(const std::filesystem::path& p) {
    const auto u8 = p.u8string();
    return QString::fromUtf8(reinterpret_cast<const char*>(u8.data()), static_cast<qsizetype>(u8.size()));
}

// Below this much overshoot a text counts as fitting: Button lays its title
// out with textWidth and must not see it elided by rounding.
constexpr double kFitSlack = 0.5;

}  // namespace

QColor toQColor(const ui::Color& c) {
    return QColor::fromRgbF(static_cast<float>(c.r), static_cast<float>(c.g), static_cast<float>(c.b),
                            static_cast<float>(c.a));
}

QRectF toQRectF(const ui::Rect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

QStringList fontFamilies() {
    static const QStringList families = [] {
        QStringList list{QStringLiteral("WenQuanYi Micro Hei")};
        const QString system = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        if (!system.isEmpty() && !list.contains(system)) list << system;
        list << QStringLiteral("Noto Sans CJK SC") << QStringLiteral("sans-serif");
        return list;
    }();
    return families;
}

PaintResources& PaintResources::shared() {
    static PaintResources resources;
    return resources;
}

const PaintResources::FontEntry& PaintResources::font(const ui::Font& wanted, const QPaintDevice* device) {
    const double size = wanted.size > 0 ? wanted.size : 17;
    const bool whole = std::abs(size - std::round(size)) < 1e-9;
    const int dpi = device ? device->logicalDpiY() : 96;
    // Whole sizes do not depend on the device, so they share one entry.
    const auto key = std::make_tuple(size, wanted.bold, whole ? 0 : dpi);
    if (auto it = fonts_.find(key); it != fonts_.end()) return *it->second;

    QFont f;
    f.setFamilies(fontFamilies());
    f.setStyleHint(QFont::SansSerif);
    if (whole)
        f.setPixelSize(static_cast<int>(std::round(size)));
    else
        f.setPointSizeF(size * 72.0 / dpi);
    f.setBold(wanted.bold);
    // Unhinted advances keep a layout the same at every pixel ratio: the
    // window at 1x and a screenshot at 2x place text identically.
    f.setHintingPreference(QFont::PreferNoHinting);
    auto entry = std::make_unique<FontEntry>(FontEntry{f, device ? QFontMetricsF(f, device) : QFontMetricsF(f)});
    return *fonts_.emplace(key, std::move(entry)).first->second;
}

const QImage* PaintResources::image(const std::string& name) {
    auto it = images_.find(name);
    if (it == images_.end()) {
        std::unique_ptr<QImage> img;
        if (const std::filesystem::path file = ui::imagePath(name); !file.empty()) {
            img = std::make_unique<QImage>(pathString(file));
            if (img->isNull())
                img.reset();
            else
                *img = img->convertToFormat(QImage::Format_ARGB32_Premultiplied);
        }
        it = images_.emplace(name, std::move(img)).first;
    }
    return it->second.get();
}

const QImage* PaintResources::scaledImage(const std::string& name, QSize devicePixels) {
    const QImage* source = image(name);
    if (!source || devicePixels.isEmpty()) return nullptr;
    if (source->size() == devicePixels) return source;
    const auto key = std::make_tuple(name, devicePixels.width(), devicePixels.height());
    auto it = scaled_.find(key);
    if (it == scaled_.end())
        it = scaled_.emplace(key, source->scaled(devicePixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))
                 .first;
    return &it->second;
}

void PaintResources::clearImages() {
    images_.clear();
    scaled_.clear();
}

void PaintResources::checkImagesDirectory() {
    std::filesystem::path dir = ui::imagesDirectory();
    if (dir == directory_) return;
    directory_ = std::move(dir);
    clearImages();
}

QtCanvas::QtCanvas(QPainter& painter)
    : painter_(painter), resources_(PaintResources::shared()) {
    resources_.checkImagesDirectory();
    painter_.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
}

const PaintResources::FontEntry& QtCanvas::fontFor(const ui::Font& font) {
    return resources_.font(font, painter_.device());
}

void QtCanvas::save() {
    painter_.save();
    saved_.push_back(clip_);
}

void QtCanvas::restore() {
    painter_.restore();
    if (!saved_.empty()) {
        clip_ = saved_.back();
        saved_.pop_back();
    }
}

void QtCanvas::translate(double dx, double dy) { painter_.translate(dx, dy); }

void QtCanvas::clipTo(const ui::Rect& rect) {
    const QRectF r = toQRectF(rect);
    painter_.setClipRect(r, Qt::IntersectClip);
    const QRectF mapped = painter_.worldTransform().mapRect(r);
    clip_.bounds = clip_.bounded ? clip_.bounds.intersected(mapped) : mapped;
    clip_.bounded = true;
}

bool QtCanvas::outsideClip(const QRectF& bounds) const {
    if (!clip_.bounded) return false;
    return !painter_.worldTransform().mapRect(bounds).intersects(clip_.bounds);
}

void QtCanvas::multiplyAlpha(double alpha) { painter_.setOpacity(painter_.opacity() * std::clamp(alpha, 0.0, 1.0)); }

void QtCanvas::fillRect(const ui::Rect& rect, const ui::Color& color) {
    if (color.isClear() || rect.isEmpty() || outsideClip(toQRectF(rect))) return;
    painter_.fillRect(toQRectF(rect), toQColor(color));
}

void QtCanvas::fillRoundedRect(const ui::Rect& rect, double radius, const ui::Color& color) {
    if (color.isClear() || rect.isEmpty() || outsideClip(toQRectF(rect))) return;
    if (radius <= 0) return fillRect(rect, color);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(toQColor(color));
    painter_.drawRoundedRect(toQRectF(rect), radius, radius);
}

void QtCanvas::strokeRect(const ui::Rect& rect, double width, const ui::Color& color, double radius) {
    if (color.isClear() || width <= 0 || rect.isEmpty() || outsideClip(toQRectF(rect))) return;
    // A layer's border lies inside its bounds: the pen runs along the
    // rectangle inset by half its width.
    const double half = width / 2;
    const QRectF r = toQRectF(rect).adjusted(half, half, -half, -half);
    QPen pen(toQColor(color), width);
    pen.setJoinStyle(Qt::MiterJoin);
    painter_.setPen(pen);
    painter_.setBrush(Qt::NoBrush);
    if (radius > 0) {
        const double inner = std::max(0.0, radius - half);
        painter_.drawRoundedRect(r, inner, inner);
    } else {
        painter_.drawRect(r);
    }
}

void QtCanvas::drawLine(ui::Point from, ui::Point to, double width, const ui::Color& color) {
    if (color.isClear() || width <= 0) return;
    const QRectF span = QRectF(QPointF(from.x, from.y), QPointF(to.x, to.y)).normalized();
    if (outsideClip(span.adjusted(-width, -width, width, width))) return;
    QPen pen(toQColor(color), width);
    pen.setCapStyle(Qt::FlatCap);
    painter_.setPen(pen);
    painter_.drawLine(QPointF(from.x, from.y), QPointF(to.x, to.y));
}

void QtCanvas::fillEllipse(const ui::Rect& rect, const ui::Color& color) {
    if (color.isClear() || rect.isEmpty() || outsideClip(toQRectF(rect))) return;
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(toQColor(color));
    painter_.drawEllipse(toQRectF(rect));
}

void QtCanvas::drawText(const ui::Rect& rect, const std::string& text, const ui::Font& font, const ui::Color& color,
                        ui::TextAlignment alignment) {
    if (text.empty() || color.isClear() || rect.width() <= 0) return;
    // Glyphs may reach a little past a tight rectangle (accents, a line box
    // taller than the label): a margin of the font size keeps them.
    const double m = font.size;
    if (outsideClip(toQRectF(rect).adjusted(-m, -m, m, m))) return;
    const auto& f = fontFor(font);
    QString s = qstr(text);
    // One line: a line break ends what the label shows, as with the phone's
    // single-line labels.
    if (const auto nl = s.indexOf(QLatin1Char('\n')); nl >= 0) s.truncate(nl);
    double width = f.metrics.horizontalAdvance(s);
    if (width > rect.width() + kFitSlack) {
        s = f.metrics.elidedText(s, Qt::ElideRight, rect.width());
        width = f.metrics.horizontalAdvance(s);
    }
    double x = rect.x();
    switch (alignment) {
        case ui::TextAlignment::Left: break;
        case ui::TextAlignment::Center: x += (rect.width() - width) / 2; break;
        case ui::TextAlignment::Right: x += rect.width() - width; break;
    }
    // The line box (ascent over descent) sits in the middle of the rectangle.
    const double baseline = rect.y() + (rect.height() - f.metrics.ascent() - f.metrics.descent()) / 2 +
                            f.metrics.ascent();
    painter_.setFont(f.font);
    painter_.setPen(toQColor(color));
    painter_.drawText(QPointF(x, baseline), s);
}

void QtCanvas::drawWrappedText(const ui::Rect& rect, const std::string& text, const ui::Font& font,
                               const ui::Color& color) {
    if (text.empty() || color.isClear() || rect.width() <= 0) return;
    const double m = font.size;
    if (outsideClip(toQRectF(rect).adjusted(-m, -m, m, m))) return;
    const auto& f = fontFor(font);
    const QString s = qstr(text);
    QTextLayout layout(s, f.font, painter_.device());
    QTextOption option;
    // Chinese has no spaces: lines break between characters, and a run
    // longer than the width breaks anywhere rather than overflowing.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);

    // Only whole lines that fit are shown (the first always is); when text
    // remains, the last shown line ends in an ellipsis.
    struct Shown {
        int start, length;
        double y;
    };
    std::vector<Shown> shown;
    bool truncated = false;
    double y = 0;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(rect.width());
        if (!shown.empty() && y + line.height() > rect.height() + kFitSlack) {
            truncated = true;
            break;
        }
        line.setPosition(QPointF(0, y));
        shown.push_back({line.textStart(), line.textLength(), y + line.ascent()});
        y += line.height();
    }
    layout.endLayout();

    painter_.setFont(f.font);
    painter_.setPen(toQColor(color));
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const bool last = i + 1 == shown.size();
        QString piece = last && truncated ? s.mid(shown[i].start) : s.mid(shown[i].start, shown[i].length);
        while (piece.endsWith(QLatin1Char('\n'))) piece.chop(1);
        if (last && truncated) {
            piece.replace(QLatin1Char('\n'), QLatin1Char(' '));
            piece = f.metrics.elidedText(piece, Qt::ElideRight, rect.width());
        }
        painter_.drawText(QPointF(rect.x(), rect.y() + shown[i].y), piece);
    }
}

void QtCanvas::drawImage(const ui::Rect& rect, const std::string& name) {
    if (rect.isEmpty() || name.empty()) return;
    const QRectF target = toQRectF(rect);
    if (outsideClip(target)) return;
    const QImage* source = resources_.image(name);
    if (!source) return;
    const QTransform device = painter_.deviceTransform();
    if (device.type() <= QTransform::TxScale) {
        // Resample once to the pixels it covers and cache that; scaling the
        // source smoothly on every frame costs more than the rest of a row.
        const QSize pixels(static_cast<int>(std::lround(target.width() * std::abs(device.m11()))),
                           static_cast<int>(std::lround(target.height() * std::abs(device.m22()))));
        if (const QImage* fitted = resources_.scaledImage(name, pixels)) {
            // Pixel for pixel there is nothing to filter, and without smooth
            // resampling Qt copies the image straight onto the device
            // instead of resampling it line by line on worker threads.
            painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
            painter_.drawImage(target, *fitted);
            painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
            return;
        }
    }
    painter_.drawImage(target, *source);
}

double QtCanvas::textWidth(const std::string& text, const ui::Font& font) {
    if (text.empty()) return 0;
    return fontFor(font).metrics.horizontalAdvance(qstr(text));
}

double QtCanvas::wrappedTextHeight(const std::string& text, const ui::Font& font, double width) {
    if (text.empty() || width <= 0) return 0;
    QTextLayout layout(qstr(text), fontFor(font).font, painter_.device());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    double height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        height += line.height();
    }
    layout.endLayout();
    return height;
}

QImage renderImage(double widthPoints, double heightPoints, double scale,
                   const std::function<void(ui::Canvas&)>& paint) {
    QImage image(static_cast<int>(std::lround(widthPoints * scale)), static_cast<int>(std::lround(heightPoints * scale)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    QPainter painter(&image);
    QtCanvas canvas(painter);
    paint(canvas);
    painter.end();
    return image;
}

QImage renderWindow(ui::Window& window, double scale) {
    return renderImage(ui::Window::kWidth, ui::Window::kHeight, scale,
                       [&](ui::Canvas& canvas) { window.draw(canvas); });
}

}  // namespace platform::qt
