// The introduction pager on a window of its own, as its owner would show it. Time is the virtual clock's.
#include <gtest/gtest.h>

#include "app/KvIntroductionViewController.h"
#include "platform/RunLoop.h"
#include "platform/ui/Window.h"

namespace bus::test {
namespace {
using Pager = KvIntroductionViewController;
constexpr double W = ui::Window::kWidth;
constexpr double H = ui::Window::kHeight - ui::Window::kStatusBarHeight;

// Frames and sizes compared as numbers, which a failure prints.
std::vector<double> nums(const ui::Rect& r) { return {r.x(), r.y(), r.width(), r.height()}; }
std::vector<double> nums(const ui::Size& s) { return {s.width, s.height}; }

struct IntroductionPager : testing::Test {
    void show(int covers, int backgrounds = 3, std::shared_ptr<ui::Button> button = nullptr) {
        std::vector<std::string> c, b;
        for (int i = 1; i <= covers; ++i) c.push_back("引导页" + std::to_string(i) + ".png");
        for (int i = 1; i <= backgrounds; ++i) b.push_back("引导背景" + std::to_string(i) + ".png");
        pager = button ? std::make_shared<Pager>(c, b, button) : std::make_shared<Pager>(c, b);
        // As the usual owner does: off screen and let go from inside the callback.
        pager->didSelectedEnter = [this] { window.setRootViewController(nullptr), pager.reset(); };
        window.setRootViewController(pager);
    }
    static void advance(double seconds) { platform::RunLoop::main().advance(seconds); }
    void scrollTo(double pages) { pager->pagingScrollView->setContentOffset({pages * W, 0}); }
    void tap(ui::Point p) { window.touch(ui::TouchPhase::Began, p), window.touch(ui::TouchPhase::Ended, p); }
    // '<' and '>' fling left and right across the pages and let every fade and snap finish; 'b' taps the enter
    // button, 'd' the dots; '0' clears the callback.
    void perform(const std::string& steps) {
        for (char step : steps) {
            if (step == 'b') tap({W / 2, ui::Window::kStatusBarHeight + pager->enterButton->frame().midY()});
            if (step == 'd') tap({W - 20, ui::Window::kHeight - 15});
            if (step == '0') pager->didSelectedEnter = nullptr;
            if (step != '<' && step != '>') continue;
            const double dx = step == '<' ? -120 : 120, x = dx < 0 ? 300 : 75;
            for (int i = 0; i <= 6; ++i)
                advance(0.01), window.touch(i ? ui::TouchPhase::Moved : ui::TouchPhase::Began, {x + dx * i / 6, 300});
            window.touch(ui::TouchPhase::Ended, {x + dx, 300}), advance(1);
        }
    }
    ui::Window window;
    std::shared_ptr<Pager> pager;
};

TEST_F(IntroductionPager, BackgroundsCrossFadeAndTheIndicatorFollowsTheOffset) {
    struct Row { const char* name; int covers, backgrounds; std::vector<double> offsets, alphas; int page; };
    const Row rows[] = {
        {"half a page", 3, 3, {0.5}, {0.5, 1, 1}, 0},
        {"three quarters into the second page", 3, 3, {1.75}, {0, 0.25, 1}, 1},
        {"back from the last page: the pages ahead opaque again", 3, 3, {2, 0.25}, {0.75, 1, 1}, 0},
        {"pulled before the first page", 3, 3, {-0.5}, {1, 1, 1}, 0},
        {"fewer backgrounds than covers", 3, 1, {1.5, 2}, {0}, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        show(row.covers, row.backgrounds);
        for (double offset : row.offsets) scrollTo(offset);
        std::vector<double> alphas;
        for (const auto& v : pager->backgroundViews) alphas.push_back(v->alpha);
        EXPECT_EQ(alphas, row.alphas);
        EXPECT_EQ(pager->pageControl->currentPage(), row.page);
    }
}

TEST_F(IntroductionPager, PagesLieSideBySideOverTheBackgroundsAndUnderTheControls) {
    show(3);
    auto& p = *pager;
    // The first background lies in front of the others.
    const std::vector<ui::ViewPtr> stack{p.backgroundViews[2], p.backgroundViews[1], p.backgroundViews[0],
                                         p.pagingScrollView,   p.pageControl,        p.enterButton};
    EXPECT_EQ(p.view()->subviews(), stack);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(nums(stack[i]->frame()), nums({0, 0, W, H})) << i;
    EXPECT_EQ(nums(p.pagingScrollView->contentSize), nums(ui::Size{3 * W, H}));
    // At the scroll view's top although the pager sits below the status bar; a reload moves none.
    p.reloadPages();
    const auto& pages = p.pagingScrollView->subviews();
    ASSERT_EQ(pages.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(nums(pages[i]->frame()), nums({i * W, 0, W, H})) << i;
    EXPECT_EQ(pages[2]->imageName(), "引导页3.png");
    show(0);
    EXPECT_EQ(nums(pager->pagingScrollView->contentSize), nums(ui::Size{0, 0}));
}

// A given button keeps its look, and its size unless it has none; the pager takes its action off it when gone.
TEST_F(IntroductionPager, EnterButtonIsGivenOrMadeAShareOfTheWidth) {
    struct Row { const char* name; std::shared_ptr<ui::Button> given; ui::Rect frame; };
    const auto sized = [](double w, double h) { return ui::make<ui::Button>(ui::ButtonType{}, ui::Rect{0, 0, w, h}); };
    const double made = 0.6 * W;
    const Row rows[] = {
        {"made by the pager", nullptr, {(W - made) / 2, H - 30 - 40, made, 40}},
        {"given at 120 x 44", sized(120, 44), {(W - 120) / 2, H - 30 - 44, 120, 44}},
        {"given without a size", sized(0, 0), {(W - made) / 2, H - 30 - 40, made, 40}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        show(3, 3, row.given);
        EXPECT_EQ(nums(pager->enterButton->frame()), nums(row.frame));
        EXPECT_EQ(pager->enterButton->currentTitle(), row.given ? "" : "开始使用");
        EXPECT_EQ(pager->enterButton->borderWidth, row.given ? 0 : 0.5);
        window.setRootViewController(nullptr), pager.reset();
        EXPECT_EQ(row.given ? row.given->allControlEvents() : 0u, 0u);
    }
}

TEST_F(IntroductionPager, LastPageSwapsTheIndicatorForTheEnterButtonAndBack) {
    show(3);
    for (const auto& [page, shown] : {std::pair{2.0, 1.0}, std::pair{1.5, 0.0}}) {
        SCOPED_TRACE(page);
        scrollTo(page);
        advance(Pager::kSwapDuration / 2);
        EXPECT_NEAR(pager->enterButton->presentationAlpha(), 0.5, 1e-9);
        // Further scroll steps there do not start the fade again.
        pager->scrollViewDidScroll(*pager->pagingScrollView);
        advance(Pager::kSwapDuration / 2);
        EXPECT_EQ(pager->enterButton->presentationAlpha(), shown);
        EXPECT_EQ(pager->pageControl->presentationAlpha(), 1 - shown);
    }
}

TEST_F(IntroductionPager, OnlyTheButtonOrALeftwardFlingOnTheLastPageEndsIt) {
    struct Row { const char* name; int covers; double startPage; const char* steps; int pageAfter; };  // -1: ended
    const Row rows[] = {
        {"leftward fling on the last page", 3, 2, "<", -1},
        {"rightward fling on a single page", 1, 0, ">", 0},
        {"leftward fling on the first page", 3, 0, "<", 1},
        {"leftward fling onto the last page", 3, 1, "<", 2},
        {"tap on the enter button", 3, 2, "b", -1},
        {"tap where the hidden button lies", 3, 0, "b", 0},
        {"tap on a single page's button, shown from the start", 1, 0, "b", -1},
        // The fling past the end reads the indicator, which only shows the page.
        {"taps on the dots", 3, 0, "dd", 0},
        {"no callback set: the button and a fling", 3, 2, "0b<", 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        show(row.covers);
        const std::weak_ptr<Pager> shown = pager;
        scrollTo(row.startPage), advance(1);
        perform(row.steps);
        EXPECT_EQ(shown.expired(), row.pageAfter == -1);
        EXPECT_EQ(pager ? pager->pageControl->currentPage() : -1, row.pageAfter);
    }
}

}  // namespace
}  // namespace bus::test
