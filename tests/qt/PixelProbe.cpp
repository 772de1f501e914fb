#include "PixelProbe.h"

#include <QDir>

#include <cmath>

namespace bus::test::qt {

bool isRed(const QColor& c) { return c.red() > 180 && c.green() < 120 && c.blue() < 120; }

bool isInk(const QColor& c) { return c.red() < 235 || c.green() < 235 || c.blue() < 235; }

QRect toPixels(const ui::Rect& points, double scale) {
    const int x0 = static_cast<int>(std::floor(points.minX() * scale));
    const int y0 = static_cast<int>(std::floor(points.minY() * scale));
    const int x1 = static_cast<int>(std::ceil(points.maxX() * scale));
    const int y1 = static_cast<int>(std::ceil(points.maxY() * scale));
    return QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1));
}

int countInside(const QImage& image, const QRect& pixels, const PixelTest& test) {
    const QRect r = pixels.intersected(image.rect());
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (test(image.pixelColor(x, y))) ++n;
    return n;
}

int countOutside(const QImage& image, const QRect& pixels, int margin, const PixelTest& test) {
    const QRect grown = pixels.adjusted(-margin, -margin, margin, margin);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!grown.contains(x, y) && test(image.pixelColor(x, y))) ++n;
    return n;
}

QRect boundsOf(const QImage& image, const PixelTest& test) {
    QRect r;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(image.pixelColor(x, y))) r |= QRect(x, y, 1, 1);
    return r;
}

void keepForInspection(const QImage& image, const std::string& name) {
    const QString dir = qEnvironmentVariable("BUS_QT_TEST_SHOTS");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    image.save(dir + "/" + QString::fromStdString(name) + ".png", "PNG");
}

}  // namespace bus::test::qt
