// The static text page and the plain page that stands in for screens still
// to come.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/ui/Label.h"
#include "screens/ScreenFixture.h"
#include "screens/common/BusPageViewController.h"
#include "screens/common/BusPlaceholderViewController.h"

namespace bus::test {
namespace {

class PageTest : public ScreenFixture {
protected:
    std::shared_ptr<BusPageViewController> open(const std::string& file) {
        storyboard.screen<BusPageViewController>(
            "Page", {.title = "page",
                     .texts = {{BusPageViewController::kPageFileText, file}},
                     .build = ui::outlets<BusPageViewController>(
                         [](BusPageViewController& screen, ui::View& root, const ui::ScreenLayout&) {
                             auto scroll = std::make_shared<ui::ScrollView>(ui::Rect{0, 0, 375, 554});
                             root.addSubview(scroll);
                             screen.textScrollView = scroll;
                         })});
        return std::dynamic_pointer_cast<BusPageViewController>(show("Page"));
    }

    static std::vector<std::string> fileLines(const std::string& name) {
        std::ifstream in(BusPageViewController::pagesDirectory() / name);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    static std::vector<std::shared_ptr<ui::Label>> labels(ui::View& scroll) {
        std::vector<std::shared_ptr<ui::Label>> out;
        for (const auto& v : scroll.subviews())
            if (auto label = std::dynamic_pointer_cast<ui::Label>(v)) out.push_back(label);
        return out;
    }
};

TEST_F(PageTest, ShowsEveryLineOfTheFileInOrderWithTheFirstAsHeading) {
    for (const std::string file : {"about.txt", "agreement.txt"}) {
        SCOPED_TRACE(file);
        auto page = open(file);
        ASSERT_TRUE(page);
        auto scroll = page->textScrollView.lock();
        ASSERT_TRUE(scroll);
        const auto lines = fileLines(file);
        ASSERT_GT(lines.size(), 3u);

        std::vector<std::string> expected;
        for (const auto& line : lines)
            if (!line.empty()) expected.push_back(line);
        const auto shown = labels(*scroll);
        std::vector<std::string> texts;
        for (const auto& label : shown) texts.push_back(label->text());
        EXPECT_EQ(texts, expected);

        ASSERT_FALSE(shown.empty());
        EXPECT_TRUE(shown.front()->font.bold);
        EXPECT_GT(shown.front()->font.size, shown.back()->font.size);
        for (std::size_t i = 1; i < shown.size(); ++i) {
            EXPECT_EQ(shown[i]->numberOfLines, 0) << texts[i];
            EXPECT_GE(shown[i]->frame().y(), shown[i - 1]->frame().maxY()) << texts[i] << " overlaps the text above";
            EXPECT_LE(shown[i]->frame().maxX(), scroll->frame().width()) << texts[i];
        }
        // Scrolling reaches the end of the text.
        EXPECT_GE(scroll->contentSize.height, shown.back()->frame().maxY());
        EXPECT_GT(scroll->contentSize.height, scroll->frame().height());
        window->setRootViewController(nullptr);
        storyboard.clear();
    }
}

TEST_F(PageTest, NumberedSectionsAreBoldAndTheirTextIsNot) {
    auto page = open("agreement.txt");
    ASSERT_TRUE(page);
    auto scroll = page->textScrollView.lock();
    ASSERT_TRUE(scroll);
    int sections = 0;
    for (const auto& label : labels(*scroll)) {
        if (label->text().rfind("一、", 0) == 0 || label->text().rfind("二、", 0) == 0) {
            ++sections;
            EXPECT_TRUE(label->font.bold) << label->text();
        }
        if (label->text().rfind("1. ", 0) == 0) {
            EXPECT_FALSE(label->font.bold) << label->text();
        }
    }
    EXPECT_EQ(sections, 2);
}

TEST_F(PageTest, AMissingFileLeavesThePageEmpty) {
    auto page = open("no-such-page.txt");
    ASSERT_TRUE(page);
    auto scroll = page->textScrollView.lock();
    ASSERT_TRUE(scroll);
    EXPECT_TRUE(scroll->subviews().empty());
    EXPECT_EQ(scroll->contentSize.height, 0);
}

TEST(WrappedTextHeightTest, MoreTextNeverNeedsLessRoom) {
    const double oneLine = BusPageViewController::wrappedTextHeight("实时公交", 15, 300);
    EXPECT_GE(oneLine, 15 * 1.2);
    EXPECT_LT(oneLine, 2 * 15 * 1.2);
    std::string text;
    double previous = 0;
    for (int i = 0; i < 60; ++i) {
        text += "车";
        const double h = BusPageViewController::wrappedTextHeight(text, 15, 300);
        EXPECT_GE(h, previous) << i + 1 << " characters";
        previous = h;
    }
    // Sixty characters of 15 points do not fit on three lines of 300.
    EXPECT_GE(previous, 4 * 15 * 1.2);
}

TEST(WrappedTextHeightTest, ALatinWordWiderThanTheLineStillGetsItsLines) {
    const std::string word(200, 'x');
    EXPECT_GE(BusPageViewController::wrappedTextHeight(word, 15, 100), 10 * 15 * 1.2);
}

TEST(WrappedTextHeightTest, ClosingPunctuationThatWouldStartALineTakesAnotherLine) {
    // Twenty characters fill a line of twenty ems exactly; a comma after them
    // may not start the next line, so the last character moves down with it.
    const std::string full = "一二三四五六七八九十一二三四五六七八九十";
    const double fits = BusPageViewController::wrappedTextHeight(full, 10, 202.5);
    EXPECT_LT(fits, 2 * 10 * 1.2);
    EXPECT_GE(BusPageViewController::wrappedTextHeight(full + "，", 10, 202.5), 2 * 10 * 1.2);
}

class PlaceholderTest : public ScreenFixture {};

TEST_F(PlaceholderTest, ShowsItsTitle) {
    storyboard.screen<BusPlaceholderViewController>("Soon", {.title = "换乘方案"});
    auto screen = show("Soon");
    ASSERT_TRUE(screen);
    EXPECT_EQ(navigation->navigationBar().title(), "换乘方案");
    // Not only in the navigation bar: on the page itself, where it shows.
    const ui::Label* onPage = nullptr;
    for (const auto& v : screen->view()->subviews())
        if (auto* label = dynamic_cast<const ui::Label*>(v.get()); label && label->text() == "换乘方案") onPage = label;
    ASSERT_NE(onPage, nullptr);
    EXPECT_FALSE(window->visibleFrameOf(*onPage).isEmpty());
}

}  // namespace
}  // namespace bus::test
