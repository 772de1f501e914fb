// What the QPainter canvas paints, checked by region on pictures at the
// phone's 2x: colours, Chinese text, images, alpha, clipping and borders.
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "PixelProbe.h"
#include "platform/qt/QtCanvas.h"
#include "platform/ui/Button.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"

namespace {

using namespace bus::test::qt;
using Build = std::function<void(ui::View& root)>;

constexpr double kScale = 2.0;

// A tree of the test's own, painted on white at 2x (no status bar around it).
QImage paint(double w, double h, const Build& build) {
    auto root = ui::make<ui::View>(ui::Rect{0, 0, w, h});
    build(*root);
    return platform::qt::renderImage(w, h, kScale, [&](ui::Canvas& canvas) { ui::View::drawTree(*root, canvas); });
}

std::shared_ptr<ui::View> filled(const ui::Rect& frame, ui::Color colour, double alpha = 1) {
    auto v = ui::make<ui::View>(frame);
    v->backgroundColor = colour, v->alpha = alpha;
    return v;
}

Build label(const ui::Rect& frame, const char* text, ui::TextAlignment a = ui::TextAlignment::Left, int lines = 1) {
    return [=](ui::View& root) {
        auto l = ui::makeLabel(frame, text, ui::Font::system(17), ui::Color::red(), a);
        l->numberOfLines = lines;
        root.addSubview(l);
    };
}

// A scroll view at `frame` over content of `height` points, shown from `offset`.
Build scrolled(const ui::Rect& frame, double height, double offset, std::vector<std::shared_ptr<ui::View>> content) {
    return [=](ui::View& root) {
        auto scroll = ui::make<ui::ScrollView>(frame);
        scroll->contentSize = {frame.width(), height};
        for (const auto& v : content) scroll->addSubview(v);
        scroll->setContentOffset({0, offset});
        root.addSubview(scroll);
    };
}

bool isBlue(const QColor& c) { return c.blue() > 200 && c.red() < 60 && c.green() < 60; }
bool isPureRed(const QColor& c) { return c == QColor(Qt::red); }
bool isDark(const QColor& c) { return c.lightness() < 128; }

using More = std::function<void(const QImage&, const QRect& region, const QRect& ink)>;

Build image(const ui::Rect& frame, double alpha = 1) {
    auto v = ui::make<ui::ImageView>(frame, "bus.png");
    v->alpha = alpha;
    return [v](ui::View& root) { root.addSubview(v); };
}

// A 2x image drawn at its point size covers exactly its own pixels, each the
// source over white (nothing resampled or blurred), faded by the view's alpha.
More sourceOverWhite(double alpha) {
    return [alpha](const QImage& image, const QRect& r, auto&) {
        const QImage source(QString::fromStdString(ui::imagePath("bus.png").string()));
        ASSERT_EQ(r.size(), source.size());
        double worst = 0;  // in steps of 255
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x) {
                const QColor s = source.pixelColor(x, y), d = image.pixelColor(r.left() + x, r.top() + y);
                const double a = s.alphaF() * alpha;
                for (auto channel : {&QColor::redF, &QColor::greenF, &QColor::blueF})
                    worst = std::max(worst, std::abs(255 * ((d.*channel)() - (s.*channel)() * a - (1 - a))));
            }
        EXPECT_LE(worst, 3.5);
    };
}

// Each picture keeps its ink inside one region (a pixel of antialiasing
// aside) and shows at least `minInk` pixels of it there; `more` checks where
// in the region it lies.
TEST(QtCanvas, InkLandsInsideItsViewAndWhereItBelongsThere) {
    const ui::Rect line{10, 10, 180, 30}, box{20, 20, 60, 40};
    const ui::Rect bus{30, 40, ui::imageSize("bus.png").width, ui::imageSize("bus.png").height};
    const struct {
        const char* name;
        Build build;
        ui::Rect region;
        int minInk;
        More more;
    } cases[] = {
        {"left-aligned text", label(line, "车站"), line, 300, [](auto&, const QRect& r, const QRect& ink) {
             EXPECT_NEAR(ink.left(), r.left(), 6);
             EXPECT_NEAR(ink.center().y(), r.center().y(), 6);
             EXPECT_NEAR(ink.width(), 2 * 17 * kScale, 10);  // two full-width glyphs: two ems at 2x
         }},
        {"centred text", label(line, "车站", ui::TextAlignment::Center), line, 300,
         [](auto&, const QRect& r, const QRect& ink) { EXPECT_NEAR(ink.center().x(), r.center().x(), 6); }},
        {"right-aligned text", label(line, "车站", ui::TextAlignment::Right), line, 300,
         [](auto&, const QRect& r, const QRect& ink) { EXPECT_NEAR(ink.right(), r.right(), 6); }},
        // Elided, not cut off short: the text runs to the far end of the label.
        {"elided text", label({10, 10, 80, 30}, "大同市公交总站到火车站北广场"), {10, 10, 80, 30}, 300,
         [](auto&, const QRect& r, const QRect& ink) { EXPECT_GT(ink.right(), r.right() - 2 * 17); }},
        // Whole lines from the top: the ink reaches well below the first.
        {"wrapped text", label({10, 10, 120, 70}, "本软件提供城市公交车辆的实时位置信息，数据来自各城市的公交服务。", {}, 0),
         {10, 10, 120, 70}, 1000, [](auto&, const QRect& r, const QRect& ink) {
             EXPECT_NEAR(ink.top(), r.top(), 10);
             EXPECT_GT(ink.height(), 3 * 17 * kScale);
         }},
        // The picture spans most of a smaller frame (its margins scaled too).
        {"image in a frame of another size", image({100, 120, 20, 20}), {100, 120, 20, 20}, 100,
         [](auto&, auto& r, auto& ink) { EXPECT_GT(std::min(ink.width(), ink.height()), r.width() / 2); }},
        {"2x image", image(bus), bus, 100, sourceOverWhite(1)},
        {"2x image at half alpha", image(bus, 0.5), bus, 100, sourceOverWhite(0.5)},
        // A parent's alpha multiplies with its child's: a quarter of the red over white.
        {"nested alpha",
         [](ui::View& root) {
             root.addSubview(filled({10, 10, 60, 60}, ui::Color::clear(), 0.5));
             root.subviews().back()->addSubview(filled({10, 10, 40, 40}, ui::Color::red(), 0.5));
         },
         {20, 20, 40, 40}, 5000, [](const QImage& image, const QRect& r, auto&) {
             const QColor c = image.pixelColor(r.center());
             EXPECT_TRUE(c.red() == 255 && std::abs(c.green() - 191) <= 3 && std::abs(c.blue() - 191) <= 3)
                 << c.name().toStdString();
         }},
        // A missing font draws every character as the same box; real glyphs differ from each other.
        {"Chinese glyphs",
         [](ui::View& root) {
             for (auto [x, ch] : {std::pair{0.0, "大"}, {40.0, "同"}})
                 root.addSubview(ui::makeLabel({x, 0, 40, 40}, ch, ui::Font::system(32), ui::Color::black()));
         },
         {0, 0, 80, 40}, 200, [](const QImage& image, auto&, auto&) {
             const int a = countInside(image, {0, 0, 80, 80}, isDark), b = countInside(image, {80, 0, 80, 80}, isDark);
             int differing = 0;
             for (int y = 0; y < 80; ++y)
                 for (int x = 0; x < 80; ++x)
                     differing += isDark(image.pixelColor(x, y)) != isDark(image.pixelColor(x + 80, y));
             EXPECT_GT(std::min(a, b), 100);
             EXPECT_GT(differing, (a + b) / 4);
         }},
        // Two points at 2x: four device pixels of border inside each side.
        {"border",
         [&](ui::View& root) {
             auto v = ui::make<ui::View>(box);
             v->borderWidth = 2, v->borderColor = ui::Color::red();
             root.addSubview(v);
         },
         box, 500, [](const QImage& image, const QRect& r, auto&) {
             const int y = r.center().y();
             EXPECT_TRUE(isRed(image.pixelColor(r.left(), y)) && isRed(image.pixelColor(r.left() + 3, y)));
             EXPECT_FALSE(isInk(image.pixelColor(r.left() + 5, y)) || isInk(image.pixelColor(r.center())));
         }},
        // Content wider and taller than the view is clipped; content y 150
        // at offset 100 shows 50 points into it.
        {"scroll view",
         scrolled({20, 20, 100, 100}, 400, 100,
                  {filled({-50, 0, 250, 400}, ui::Color::red()), filled({0, 150, 100, 20}, ui::Color::blue())}),
         {20, 20, 100, 100}, 5000, [](const QImage& image, const QRect& r, auto&) {
             EXPECT_EQ(boundsOf(image, isBlue), toPixels({20, 70, 100, 20}));
             EXPECT_GT(countInside(image, r, isRed), r.width() * r.height() / 2);
         }},
        // Painting skips what lies wholly outside a clip; a row cut by the
        // edge still shows its lower half, and content y 500 is at 500 - 320 + 50.
        {"row across the clip edge",
         scrolled({0, 50, 200, 200}, 1000, 320,
                  {ui::makeLabel({10, 300, 180, 40}, "大同火车站", ui::Font::boldSystem(30), ui::Color::red()),
                   filled({10, 500, 20, 20}, ui::Color::red())}),
         {0, 50, 200, 200}, 500, [](const QImage& image, auto&, auto&) {
             EXPECT_GT(countInside(image, toPixels({0, 50, 200, 20}), isRed), 50);
             EXPECT_EQ(boundsOf(image, isPureRed).bottom(), 2 * (230 + 20) - 1);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = paint(200, 300, c.build);
        const QRect region = toPixels(c.region);
        EXPECT_GE(countInside(image, region, isInk), c.minInk);
        EXPECT_EQ(countOutside(image, region, 1, isInk), 0);
        if (c.more) c.more(image, region, boundsOf(image, isInk));
    }
}

// A button sizes its title with textWidth and draws it in that width: the
// measure must be the width drawn, or titles lose their ends to an ellipsis.
TEST(QtCanvas, TextWidthIsTheWidthThatIsDrawn) {
    const std::string text = "设置刷新时间 Line 11";
    const ui::Font font = ui::Font::system(17);
    double measured = 0;
    platform::qt::renderImage(1, 1, kScale, [&](ui::Canvas& c) { measured = c.textWidth(text, font); });
    const QRect asLabel = boundsOf(paint(300, 60, label({0, 0, 300, 60}, text.c_str())), isRed);
    // Ink is the advance less the side bearings of the first and last glyph.
    EXPECT_LE(asLabel.right(), measured * kScale + 2);
    EXPECT_GE(asLabel.right(), measured * kScale - font.size * kScale * 0.3);
    auto button = ui::make<ui::Button>(ui::ButtonType::Custom, ui::Rect{0, 0, 300, 60});
    button->setTitle(text), button->setTitleColor(ui::Color::red()), button->titleFont = font;
    button->contentHorizontalAlignment = ui::ContentHorizontalAlignment::Left;
    const QRect asButton = boundsOf(paint(300, 60, [&](ui::View& root) { root.addSubview(button); }), isRed);
    EXPECT_NEAR(asButton.width(), asLabel.width(), 1);
}

}  // namespace
