// The static text page and the plain page that stands in for screens still
// to come.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/ui/Label.h"
#include "screens/ScreenFixture.h"
#include "screens/common/BusPageViewController.h"

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
