#pragma once
// Questions about rendered pictures by region, so that tests check where
// colour lands instead of comparing whole images with a golden file.
#include <QColor>
#include <QImage>
#include <QRect>

#include <functional>
#include <string>

#include "platform/ui/Geometry.h"

namespace bus::test::qt {

using PixelTest = std::function<bool(const QColor&)>;

// Strongly red (a red text or fill, antialiased edges included).
bool isRed(const QColor& c);
// Anything visibly different from white.
bool isInk(const QColor& c);

// A rectangle in points as device pixels of an image painted at `scale`.
QRect toPixels(const ui::Rect& points, double scale = 2.0);

// Pixels inside the rectangle (clipped to the image) that pass the test.
int countInside(const QImage& image, const QRect& pixels, const PixelTest& test);
// Pixels outside the rectangle grown by `margin` pixels that pass the test.
int countOutside(const QImage& image, const QRect& pixels, int margin, const PixelTest& test);
// The smallest rectangle holding every pixel that passes (null if none).
QRect boundsOf(const QImage& image, const PixelTest& test);

// With BUS_QT_TEST_SHOTS set to a folder, saves the picture there for a
// person to look at; otherwise does nothing.
void keepForInspection(const QImage& image, const std::string& name);

}  // namespace bus::test::qt
