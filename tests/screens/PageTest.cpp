// The static text page and the plain page that stands in for screens still
// to come.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/ui/Label.h"
#include "screens/ScreenFixture.h"
#include "screens/common/BusPageViewController.h"
#include "support/Language.h"

namespace bus::test {
namespace {

class PageTest : public ScreenFixture {
protected:
    // The page's paragraphs, top to bottom, in its scroll view.
    std::vector<std::shared_ptr<ui::Label>> open(const std::string& file) {
        const auto build = [](BusPageViewController& screen, ui::View& root, const ui::ScreenLayout&) {
            auto scroll = std::make_shared<ui::ScrollView>(ui::Rect{0, 0, 375, 554});
            root.addSubview(scroll);
            screen.textScrollView = scroll;
        };
        storyboard.screen<BusPageViewController>(file, {.title = "page",
                                                        .texts = {{BusPageViewController::kPageFileText, file}},
                                                        .build = ui::outlets<BusPageViewController>(build)});
        auto page = std::dynamic_pointer_cast<BusPageViewController>(show(file));
        scroll = page ? page->textScrollView.lock() : nullptr;
        std::vector<std::shared_ptr<ui::Label>> out;
        if (scroll)
            for (const auto& v : scroll->subviews())
                if (auto label = std::dynamic_pointer_cast<ui::Label>(v)) out.push_back(label);
        return out;
    }

    std::shared_ptr<ui::ScrollView> scroll;
};

TEST_F(PageTest, ShowsEveryLineOfTheFileInOrderWithTheFirstAsHeading) {
    for (const std::string file : {"about.txt", "agreement.txt"}) {
        SCOPED_TRACE(file);
        const auto shown = open(file);
        ASSERT_TRUE(scroll);
        std::ifstream in(BusPageViewController::pagesDirectory() / file);
        std::vector<std::string> expected, texts;
        for (std::string line; std::getline(in, line);)
            if (!line.empty()) expected.push_back(line);
        for (const auto& label : shown) texts.push_back(label->text());
        ASSERT_GT(expected.size(), 3u);
        EXPECT_EQ(texts, expected);

        EXPECT_TRUE(shown.front()->font.bold);
        EXPECT_GT(shown.front()->font.size, shown.back()->font.size);
        for (std::size_t i = 1; i < shown.size(); ++i) {
            // Numbered sections ("一、服务内容") are bold, nothing else below the heading is.
            EXPECT_EQ(shown[i]->font.bold, texts[i].find("、") == 3) << texts[i];
            EXPECT_EQ(shown[i]->numberOfLines, 0) << texts[i];
            EXPECT_GE(shown[i]->frame().y(), shown[i - 1]->frame().maxY()) << texts[i] << " overlaps the text above";
            EXPECT_LE(shown[i]->frame().maxX(), scroll->frame().width()) << texts[i];
        }
        // Scrolling reaches the end of the text.
        EXPECT_GE(scroll->contentSize.height, shown.back()->frame().maxY());
        EXPECT_GT(scroll->contentSize.height, scroll->frame().height());
    }
}

// Each label's text, with the bold ones marked "*", and each gap between
// paragraphs wider than a paragraph's as "|": what the rider sees of the
// page's shape.
std::vector<std::string> shapeOf(const std::vector<std::shared_ptr<ui::Label>>& shown) {
    std::vector<std::string> shape;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (i > 1 && shown[i]->frame().y() - shown[i - 1]->frame().maxY() > 8) shape.push_back("|");
        shape.push_back(shown[i]->font.bold ? "*" : "");
    }
    return shape;
}

// In English the page is the English file beside the Chinese one: a
// faithful translation has its paragraphs, gaps and bold sections where the
// Chinese page has them, and every line of the English file shows.
TEST_F(PageTest, InEnglishShowsTheEnglishPageInTheShapeOfTheChineseOne) {
    for (const std::string file : {"about.txt", "agreement.txt"}) {
        SCOPED_TRACE(file);
        const auto chinese = shapeOf(open(file));
        InEnglish english;
        const auto shown = open(file);
        std::ifstream in(BusPageViewController::pageFile(file, "en"));
        std::vector<std::string> expected, texts;
        for (std::string line; std::getline(in, line);)
            if (!line.empty()) expected.push_back(line);
        for (const auto& label : shown) texts.push_back(label->text());
        EXPECT_EQ(texts, expected);
        EXPECT_EQ(shapeOf(shown), chinese);
    }
}

// The page of a language is "name.language.ext" where the pages have it;
// the page as written stands in for any other.
TEST_F(PageTest, APageInALanguageIsTheFileBesideTheWrittenOneOrTheWrittenOne) {
    const struct { const char *name, *language, *file; } cases[] = {
        {"about.txt", "en", "about.en.txt"},    {"agreement.txt", "en", "agreement.en.txt"},
        {"about.txt", "zh", "about.txt"},       {"about.txt", "ru", "about.txt"},
        {"about.txt", "", "about.txt"},         {"no-such-page.txt", "en", "no-such-page.txt"}};
    for (const auto& c : cases)
        EXPECT_EQ(BusPageViewController::pageFile(c.name, c.language), BusPageViewController::pagesDirectory() / c.file)
            << c.name << " in " << c.language;
}

// Sections: Chinese numerals with "、" anywhere; "1. " only in a translation,
// whose items are numbered "1.1"; the Chinese pages number items "1. ".
TEST(SectionHeadingTest, NumberedSectionsAreTheWrittenPagesOrTheTranslations) {
    const struct { const char* line; bool written, heading; } cases[] = {
        {"一、服务内容", true, true},        {"十二、附则", false, true},     {"一二三", true, false},
        {"1. 线路、站点等数据", true, false}, {"1. The service", false, true}, {"12. Twelve", false, true},
        {"2.1 Lines and stops", false, false}, {"1.", false, false},          {"Welcome. Please", false, false},
        {"1.Five", false, false}};
    for (const auto& c : cases)
        EXPECT_EQ(BusPageViewController::isSectionHeading(c.line, c.written), c.heading) << c.line << " " << c.written;
}

TEST_F(PageTest, AMissingFileLeavesThePageEmpty) {
    open("no-such-page.txt");
    ASSERT_TRUE(scroll);
    EXPECT_TRUE(scroll->subviews().empty());
    EXPECT_EQ(scroll->contentSize.height, 0);
}

// Lines of 1.2 ems: how many a text needs at a font size in a width.
TEST(WrappedTextHeightTest, EachTextGetsTheLinesItNeeds) {
    const std::string twenty = "一二三四五六七八九十一二三四五六七八九十";
    const struct {
        std::string text;
        double size, width, minLines, maxLines;
    } cases[] = {
        {"实时公交", 15, 300, 1, 1.99},
        // A word wider than the line still breaks.
        {std::string(200, 'x'), 15, 100, 10, 200},
        // Twenty ems fill the line exactly; a comma may not start the next
        // line, so the last character moves down with it.
        {twenty, 10, 202.5, 1, 1.99},
        {twenty + "，", 10, 202.5, 2, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const double lines = BusPageViewController::wrappedTextHeight(c.text, c.size, c.width) / (1.2 * c.size);
        EXPECT_GE(lines, c.minLines);
        EXPECT_LE(lines, c.maxLines);
    }
}

}  // namespace
}  // namespace bus::test
