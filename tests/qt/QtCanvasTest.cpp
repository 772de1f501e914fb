// What the QPainter canvas paints, checked by region on pictures at the
// phone's 2x: colours, Chinese text, images, alpha, clipping and borders.
#include <QFontInfo>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "PixelProbe.h"
#include "platform/Log.h"
#include "platform/qt/QtCanvas.h"
#include "platform/ui/Button.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "support/TestSupport.h"

namespace {

using bus::test::qt::boundsOf;
using bus::test::qt::countInside;
using bus::test::qt::countOutside;
using bus::test::qt::isInk;
using bus::test::qt::isRed;
using bus::test::qt::keepForInspection;
using bus::test::qt::toPixels;
using platform::qt::renderImage;

constexpr double kScale = 2.0;

// A tree on its own, painted on white at 2x (no status bar around it).
QImage paintTree(ui::View& root) {
    return renderImage(root.frame().width(), root.frame().height(), kScale,
                       [&](ui::Canvas& canvas) { ui::View::drawTree(root, canvas); });
}

std::shared_ptr<ui::View> whiteRoot(double w = 200, double h = 200) { return ui::make<ui::View>(ui::Rect{0, 0, w, h}); }

bool near(const QColor& c, int r, int g, int b, int tolerance = 3) {
    return std::abs(c.red() - r) <= tolerance && std::abs(c.green() - g) <= tolerance &&
           std::abs(c.blue() - b) <= tolerance;
}

TEST(QtCanvas, WindowScreenshotShowsARedChineseLabelInsideItsFrame) {
    ui::Window window;
    const ui::Rect frame{40, 100, 200, 50};
    window.rootView().addSubview(ui::makeLabel(frame, "大同", ui::Font::system(30), ui::Color::red()));

    const QImage shot = platform::qt::renderWindow(window);
    keepForInspection(shot, "window_label");
    ASSERT_EQ(shot.width(), 750);
    ASSERT_EQ(shot.height(), 1334);

    const QRect pixels = toPixels(frame);
    // Two characters of 30 points at 2x cover thousands of pixels.
    EXPECT_GT(countInside(shot, pixels, isRed), 500);
    EXPECT_EQ(countOutside(shot, pixels, 1, isRed), 0);

    // Left-aligned and centred vertically: the ink starts at the left edge
    // and its middle is the label's middle.
    const QRect ink = boundsOf(shot, isRed);
    EXPECT_NEAR(ink.left(), pixels.left(), 8);
    EXPECT_NEAR(ink.center().y(), pixels.center().y(), 8);
    // Two full-width glyphs: about two ems wide, far less than the label.
    EXPECT_NEAR(ink.width(), 2 * 30 * kScale, 16);
}

TEST(QtCanvas, ChineseCharactersRenderAsTheirOwnGlyphs) {
    // A missing font shows every character as the same box; real glyphs
    // differ from each other.
    auto paintChar = [](const std::string& ch) {
        auto root = whiteRoot(40, 40);
        root->addSubview(ui::makeLabel({0, 0, 40, 40}, ch, ui::Font::system(32), ui::Color::black(), ui::TextAlignment::Center));
        return paintTree(*root);
    };
    const QImage da = paintChar("大");
    const QImage tong = paintChar("同");
    keepForInspection(da, "glyph_da");
    keepForInspection(tong, "glyph_tong");
    const auto dark = [](const QColor& c) { return c.lightness() < 128; };
    const int inkDa = countInside(da, da.rect(), dark);
    const int inkTong = countInside(tong, tong.rect(), dark);
    ASSERT_GT(inkDa, 100);
    ASSERT_GT(inkTong, 100);
    int differing = 0;
    for (int y = 0; y < da.height(); ++y)
        for (int x = 0; x < da.width(); ++x)
            if (dark(da.pixelColor(x, y)) != dark(tong.pixelColor(x, y))) ++differing;
    EXPECT_GT(differing, (inkDa + inkTong) / 4);
}

TEST(QtCanvas, TextUsesTheChineseCapableFontFirst) {
    QImage device(10, 10, QImage::Format_ARGB32_Premultiplied);
    const auto& entry = platform::qt::PaintResources::shared().font(ui::Font::boldSystem(17), &device);
    EXPECT_EQ(QFontInfo(entry.font).family(), QStringLiteral("WenQuanYi Micro Hei"));
    EXPECT_EQ(entry.font.pixelSize(), 17);
    EXPECT_TRUE(entry.font.bold());
}

TEST(QtCanvas, AlignmentPlacesTheTextLeftCentreAndRight) {
    const ui::Rect frame{10, 10, 180, 30};
    std::array<QRect, 3> ink;
    for (int a = 0; a < 3; ++a) {
        auto root = whiteRoot();
        root->addSubview(ui::makeLabel(frame, "车站", ui::Font::system(17), ui::Color::red(), static_cast<ui::TextAlignment>(a)));
        ink[static_cast<std::size_t>(a)] = boundsOf(paintTree(*root), isRed);
    }
    const QRect pixels = toPixels(frame);
    EXPECT_NEAR(ink[0].left(), pixels.left(), 6);
    EXPECT_NEAR(ink[1].center().x(), pixels.center().x(), 6);
    EXPECT_NEAR(ink[2].right(), pixels.right(), 6);
    // The same text everywhere: only its place changes.
    EXPECT_NEAR(ink[0].width(), ink[2].width(), 2);
}

TEST(QtCanvas, TooLongTextIsElidedWithinItsFrame) {
    auto root = whiteRoot();
    const ui::Rect frame{10, 10, 80, 30};
    root->addSubview(ui::makeLabel(frame, "大同市公交总站到火车站北广场", ui::Font::system(17), ui::Color::red()));
    const QImage image = paintTree(*root);
    keepForInspection(image, "elided");
    const QRect pixels = toPixels(frame);
    EXPECT_EQ(countOutside(image, pixels, 1, isRed), 0);
    // Elided, not cut off short: the text runs to the far end of the label.
    EXPECT_GT(boundsOf(image, isRed).right(), pixels.right() - 2 * 17);
}

TEST(QtCanvas, TextWidthIsTheWidthThatIsDrawn) {
    auto root = whiteRoot(300, 60);
    const std::string text = "Line 11 路 大同";
    const ui::Font font = ui::Font::system(20);
    root->addSubview(ui::makeLabel({0, 0, 300, 60}, text, font, ui::Color::red()));
    const QImage image = paintTree(*root);
    double measured = 0;
    renderImage(1, 1, kScale, [&](ui::Canvas& c) { measured = c.textWidth(text, font); });
    const QRect ink = boundsOf(image, isRed);
    // Ink is the advance less the side bearings of the first and last glyph.
    EXPECT_LE(ink.right(), measured * kScale + 2);
    EXPECT_GE(ink.right(), measured * kScale - font.size * kScale * 0.3);
}

TEST(QtCanvas, ButtonTitleLaidOutByTheCanvasIsNotElided) {
    // A button sizes its title with textWidth and draws it in exactly that
    // width: it must come out whole, like the same text drawn with room.
    auto withRoom = whiteRoot(300, 60);
    withRoom->addSubview(ui::makeLabel({0, 0, 300, 60}, "设置刷新时间", ui::Font::system(15), ui::Color::red()));
    auto asButton = whiteRoot(300, 60);
    auto button = ui::make<ui::Button>(ui::ButtonType::Custom, ui::Rect{0, 0, 300, 60});
    button->setTitle("设置刷新时间");
    button->setTitleColor(ui::Color::red());
    button->contentHorizontalAlignment = ui::ContentHorizontalAlignment::Left;
    asButton->addSubview(button);
    const QRect whole = boundsOf(paintTree(*withRoom), isRed);
    const QRect drawn = boundsOf(paintTree(*asButton), isRed);
    EXPECT_NEAR(drawn.width(), whole.width(), 1);
}

TEST(QtCanvas, WrappedTextShowsWholeLinesInsideItsFrame) {
    auto root = whiteRoot(200, 200);
    const ui::Rect frame{10, 10, 120, 70};
    auto l = ui::makeLabel(frame,
                   "本软件提供城市公交车辆的实时位置信息，数据来自各城市的公交服务，仅供出行参考。"
                   "因网络或设备原因造成的信息延迟，本软件不承担责任。",
                   ui::Font::system(15), ui::Color::red());
    l->numberOfLines = 0;
    root->addSubview(l);
    const QImage image = paintTree(*root);
    keepForInspection(image, "wrapped");
    const QRect pixels = toPixels(frame);
    EXPECT_EQ(countOutside(image, pixels, 1, isRed), 0);
    // Several lines from the top: ink reaches well below the first line.
    const QRect ink = boundsOf(image, isRed);
    EXPECT_NEAR(ink.top(), pixels.top(), 10);
    EXPECT_GT(ink.height(), 3 * 15 * kScale);
}

TEST(QtCanvas, ResourceImageLandsInItsFrameAtTwiceItsPointSize) {
    auto root = whiteRoot();
    auto view = ui::make<ui::ImageView>("bus.png");
    view->setFrame({30, 40, view->frame().width(), view->frame().height()});
    root->addSubview(view);
    const QImage image = paintTree(*root);
    keepForInspection(image, "image_bus");

    QImage source(QString::fromStdString(ui::imagePath("bus.png").string()));
    ASSERT_FALSE(source.isNull());
    const QRect pixels = toPixels(view->frame());
    // A 2x image drawn at its point size covers exactly its own pixels.
    ASSERT_EQ(pixels.size(), source.size());
    EXPECT_GT(countInside(image, pixels, isInk), 100);
    EXPECT_EQ(countOutside(image, pixels, 1, isInk), 0);
    // Pixel for pixel the source over white: nothing resampled or blurred.
    int worst = 0;
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) {
            const QColor s = source.pixelColor(x, y);
            const QColor d = image.pixelColor(pixels.left() + x, pixels.top() + y);
            const double a = s.alphaF();
            const auto over = [&](double c) { return static_cast<int>(std::lround(c * 255 * a + 255 * (1 - a))); };
            worst = std::max({worst, std::abs(d.red() - over(s.redF())), std::abs(d.green() - over(s.greenF())),
                              std::abs(d.blue() - over(s.blueF()))});
        }
    EXPECT_LE(worst, 3);
}

TEST(QtCanvas, AlphaFadesImagesLikeEverythingElse) {
    auto root = whiteRoot();
    auto view = ui::make<ui::ImageView>("bus.png");
    view->setFrame({30, 40, view->frame().width(), view->frame().height()});
    view->alpha = 0.5;
    root->addSubview(view);
    const QImage image = paintTree(*root);
    QImage source(QString::fromStdString(ui::imagePath("bus.png").string()));
    ASSERT_FALSE(source.isNull());
    const QRect pixels = toPixels(view->frame());
    int checked = 0;
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) {
            const QColor s = source.pixelColor(x, y);
            if (s.alpha() != 255) continue;
            const QColor d = image.pixelColor(pixels.left() + x, pixels.top() + y);
            // Half of the colour over white.
            ASSERT_NEAR(d.red(), (s.red() + 255) / 2, 3) << x << "," << y;
            ASSERT_NEAR(d.blue(), (s.blue() + 255) / 2, 3) << x << "," << y;
            ++checked;
        }
    EXPECT_GT(checked, 100);
}

TEST(QtCanvas, ResourceImageScaledToAnotherSizeFillsThatFrame) {
    auto root = whiteRoot();
    const ui::Rect frame{100, 120, 20, 20};
    root->addSubview(ui::make<ui::ImageView>(frame, "bus.png"));
    const QImage image = paintTree(*root);
    const QRect pixels = toPixels(frame);
    EXPECT_EQ(countOutside(image, pixels, 1, isInk), 0);
    const QRect ink = boundsOf(image, isInk);
    // The picture spans most of the smaller frame (its margins scaled too).
    EXPECT_GT(ink.width(), pixels.width() / 2);
    EXPECT_GT(ink.height(), pixels.height() / 2);
}

TEST(QtCanvas, MissingImageDrawsNothing) {
    platform::LogCapture log;
    auto root = whiteRoot();
    root->addSubview(ui::make<ui::ImageView>(ui::Rect{10, 10, 50, 50}, "没有这张图.png"));
    const QImage image = paintTree(*root);
    EXPECT_EQ(countInside(image, image.rect(), isInk), 0);
}

TEST(QtCanvas, AlphaOfAViewHalvesItsColourAndNestsWithItsParent) {
    auto root = whiteRoot();
    auto half = ui::make<ui::View>(ui::Rect{10, 10, 40, 40});
    half->backgroundColor = ui::Color::red();
    half->alpha = 0.5;
    root->addSubview(half);
    auto parent = ui::make<ui::View>(ui::Rect{100, 10, 60, 60});
    parent->alpha = 0.5;
    auto child = ui::make<ui::View>(ui::Rect{10, 10, 40, 40});
    child->backgroundColor = ui::Color::red();
    child->alpha = 0.5;
    parent->addSubview(child);
    root->addSubview(parent);

    const QImage image = paintTree(*root);
    const QColor halfColour = image.pixelColor(60, 60);
    EXPECT_TRUE(near(halfColour, 255, 128, 128)) << halfColour.name().toStdString();
    const QColor quarter = image.pixelColor(2 * 130, 2 * 40);
    EXPECT_TRUE(near(quarter, 255, 191, 191)) << quarter.name().toStdString();
}

TEST(QtCanvas, ScrollViewClipsItsContentAndShowsItAtItsOffset) {
    auto root = whiteRoot(200, 300);
    auto scroll = ui::make<ui::ScrollView>(ui::Rect{20, 20, 100, 100});
    scroll->contentSize = {100, 400};
    // Red content wider and taller than the scroll view.
    auto red = ui::make<ui::View>(ui::Rect{-50, 0, 250, 400});
    red->backgroundColor = ui::Color::red();
    scroll->addSubview(red);
    auto blue = ui::make<ui::View>(ui::Rect{0, 150, 100, 20});
    blue->backgroundColor = ui::Color::blue();
    scroll->addSubview(blue);
    scroll->setContentOffset({0, 100});
    root->addSubview(scroll);

    const QImage image = paintTree(*root);
    keepForInspection(image, "scroll_clip");
    const QRect frame = toPixels(scroll->frame());
    const auto isBlue = [](const QColor& c) { return c.blue() > 200 && c.red() < 60 && c.green() < 60; };
    EXPECT_EQ(countOutside(image, frame, 0, isRed), 0);
    EXPECT_EQ(countOutside(image, frame, 0, isBlue), 0);
    // Content y 150 at offset 100 shows 50 points into the view.
    const QRect blueInk = boundsOf(image, isBlue);
    EXPECT_EQ(blueInk, toPixels({20, 70, 100, 20}));
    EXPECT_GT(countInside(image, frame, isRed), frame.width() * frame.height() / 2);
}

TEST(QtCanvas, BorderLiesInsideTheBounds) {
    auto root = whiteRoot();
    auto box = ui::make<ui::View>(ui::Rect{20, 20, 60, 40});
    box->borderWidth = 2;
    box->borderColor = ui::Color::red();
    root->addSubview(box);
    const QImage image = paintTree(*root);
    const QRect pixels = toPixels(box->frame());
    EXPECT_EQ(countOutside(image, pixels, 0, isRed), 0);
    // Two points at 2x: four device pixels of border on each side.
    EXPECT_TRUE(isRed(image.pixelColor(pixels.left(), pixels.center().y())));
    EXPECT_TRUE(isRed(image.pixelColor(pixels.left() + 3, pixels.center().y())));
    EXPECT_FALSE(isInk(image.pixelColor(pixels.left() + 5, pixels.center().y())));
    EXPECT_FALSE(isInk(image.pixelColor(pixels.center())));
}

TEST(QtCanvas, ContentAcrossTheClipEdgeShowsItsVisiblePart) {
    // Painting skips what lies wholly outside a clip; a row cut by the edge
    // must still show the part that is inside.
    auto root = whiteRoot(200, 300);
    auto scroll = ui::make<ui::ScrollView>(ui::Rect{0, 50, 200, 200});
    scroll->contentSize = {200, 1000};
    auto name = ui::makeLabel({10, 300, 180, 40}, "大同火车站", ui::Font::boldSystem(30), ui::Color::red());
    scroll->addSubview(name);
    auto mark = ui::make<ui::View>(ui::Rect{10, 500, 20, 20});
    mark->backgroundColor = ui::Color::red();
    scroll->addSubview(mark);
    scroll->setContentOffset({0, 320});  // the label's lower half at the top edge
    root->addSubview(scroll);
    const QImage image = paintTree(*root);
    const QRect frame = toPixels(scroll->frame());
    EXPECT_EQ(countOutside(image, frame, 0, isRed), 0);
    // The lower half of the text shows at the top of the scroll view.
    const QRect topStrip = toPixels({0, 50, 200, 20});
    EXPECT_GT(countInside(image, topStrip, isRed), 50);
    // The square at content y 500 is at 500 - 320 + 50 in the window.
    EXPECT_EQ(boundsOf(image, [](const QColor& c) { return c == QColor(Qt::red); }).bottom(), 2 * (230 + 20) - 1);
}

TEST(QtCanvas, ImagesComeFromTheFolderInUse) {
    auto paintBus = [] {
        auto root = whiteRoot(60, 60);
        root->addSubview(ui::make<ui::ImageView>(ui::Rect{0, 0, 50, 50}, "bus.png"));
        return paintTree(*root);
    };
    const std::filesystem::path original = ui::imagesDirectory();
    const QRect area = toPixels({0, 0, 50, 50});
    ASSERT_EQ(countInside(paintBus(), area, [](const QColor& c) { return c == QColor(Qt::red); }), 0);

    // Another folder with its own bus.png: solid red.
    const auto folder = bus::test::containerRoot() / "other-images";
    std::filesystem::create_directories(folder);
    QImage red(100, 100, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString((folder / "bus.png").string()), "PNG"));
    ui::setImagesDirectory(folder);
    const QImage other = paintBus();
    ui::setImagesDirectory(original);
    EXPECT_EQ(countInside(other, area, [](const QColor& c) { return c == QColor(Qt::red); }), 100 * 100);

    EXPECT_EQ(countInside(paintBus(), area, [](const QColor& c) { return c == QColor(Qt::red); }), 0);
}

}  // namespace
