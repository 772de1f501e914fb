// The static pages size each paragraph before anything is painted. Here the
// paragraphs are laid out as the window lays them out (same fonts, same
// wrapping) to make sure every line of every page has room: a paragraph
// given too little height would lose its last lines to an ellipsis.
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "app/layout/MainStoryboard.h"
#include "platform/qt/QtCanvas.h"
#include "platform/ui/Label.h"
#include "screens/common/BusPageViewController.h"
#include "support/Language.h"

namespace bus::test {
namespace {

// The height the window's wrapped text needs for all of the label's text,
// laid out by the window's canvas on a device of that scale.
double laidOutHeight(const ui::Label& label, double scale) {
    QImage device(static_cast<int>(label.frame().width() * scale), 100, QImage::Format_ARGB32_Premultiplied);
    device.setDevicePixelRatio(scale);
    QPainter painter(&device);
    platform::qt::QtCanvas canvas(painter);
    return canvas.wrappedTextHeight(label.text(), label.font, label.frame().width());
}

// Each page as the rider reads it: the written Chinese page, and the page
// of the English catalog.
void expectEveryParagraphFits() {
    ui::Storyboard storyboard;
    layout::loadMainStoryboard(storyboard);
    for (const char* page : {"BusAboutViewController", "BusUserAgreementViewController"}) {
        int paragraphs = 0;
        auto screen = std::dynamic_pointer_cast<BusPageViewController>(storyboard.instantiateViewController(page));
        ASSERT_TRUE(screen && screen->view()) << page;
        auto scroll = screen->textScrollView.lock();
        ASSERT_TRUE(scroll) << page;
        for (const auto& v : scroll->subviews()) {
            auto* label = dynamic_cast<const ui::Label*>(v.get());
            if (!label || label->numberOfLines != 0) continue;
            ++paragraphs;
            for (double scale : {1.0, 2.0}) {
                const double needed = laidOutHeight(*label, scale);
                EXPECT_LE(needed, label->frame().height() + 0.5)
                    << page << " at " << scale << "x: \"" << label->text() << "\"";
                // Not so generous that the paragraphs drift apart.
                EXPECT_LE(label->frame().height() - needed, 1.2 * label->font.size + 3)
                    << page << " at " << scale << "x: \"" << label->text() << "\"";
            }
        }
        // The page's own file was found and read.
        EXPECT_GT(paragraphs, 5) << page;
    }
}

TEST(PageFitTest, EveryParagraphOfThePagesHasRoomForAllItsLines) { expectEveryParagraphFits(); }

TEST(PageFitTest, EveryParagraphOfTheEnglishPagesHasRoomForAllItsLines) {
    InEnglish english;
    expectEveryParagraphFits();
}

}  // namespace
}  // namespace bus::test
