#pragma once
// Questions about rendered pictures by region, so that tests check where
// colour lands instead of comparing whole images with a golden file.
#include <QColor>
#include <QImage>
#include <QRect>

#include <cmath>
#include <functional>

#include "platform/ui/Geometry.h"

namespace bus::test::qt {

using PixelTest = std::function<bool(const QColor&)>;

// Strongly red (a red text or fill, antialiased edges included).
inline bool isRed(const QColor& c) { return c.red() > 180 && c.green() < 120 && c.blue() < 120; }
// Anything visibly different from white.
inline bool isInk(const QColor& c) { return c.red() < 235 || c.green() < 235 || c.blue() < 235; }

// A rectangle in points as device pixels of an image painted at `scale`.
inline QRect toPixels(const ui::Rect& points, double scale = 2.0) {
    const auto first = [scale](double v) { return static_cast<int>(std::floor(v * scale)); };
    const auto last = [scale](double v) { return static_cast<int>(std::ceil(v * scale)) - 1; };
    return QRect(QPoint(first(points.minX()), first(points.minY())), QPoint(last(points.maxX()), last(points.maxY())));
}

// Pixels inside the rectangle (clipped to the image) that pass the test.
inline int countInside(const QImage& image, const QRect& pixels, const PixelTest& test) {
    const QRect r = pixels.intersected(image.rect());
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += test(image.pixelColor(x, y)) ? 1 : 0;
    return n;
}

// Pixels outside the rectangle grown by `margin` pixels that pass the test.
inline int countOutside(const QImage& image, const QRect& pixels, int margin, const PixelTest& test) {
    return countInside(image, image.rect(), test) -
           countInside(image, pixels.adjusted(-margin, -margin, margin, margin), test);
}

// The smallest rectangle holding every pixel that passes (null if none).
inline QRect boundsOf(const QImage& image, const PixelTest& test) {
    QRect r;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(image.pixelColor(x, y))) r |= QRect(x, y, 1, 1);
    return r;
}

}  // namespace bus::test::qt
