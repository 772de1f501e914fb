// The introduction pager as a component on a window of its own: the
// cross-fade of the backgrounds, the page indicator, the swap with the enter
// button on the last page, the gestures that end it and the ones that do not,
// its frames and sizes, and the owner dropping it from the callback. Time
// runs on the virtual clock; one test paints it and keeps the pictures.
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <ostream>

#include "app/KvIntroductionViewController.h"
#include "platform/RunLoop.h"
#include "platform/qt/QtCanvas.h"
#include "platform/ui/Window.h"
#include "qt/PixelProbe.h"

namespace ui {
// Frames and sizes read as numbers in a failure.
void PrintTo(const Rect& r, std::ostream* os) {
    *os << "(" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ")";
}
void PrintTo(const Size& s, std::ostream* os) { *os << "(" << s.width << ", " << s.height << ")"; }
}  // namespace ui

namespace bus::test {
namespace {

using Pager = KvIntroductionViewController;

constexpr double W = ui::Window::kWidth;
constexpr double H = ui::Window::kHeight - ui::Window::kStatusBarHeight;

// Three pictures of each kind exist; a fourth page repeats the first.
std::vector<std::string> names(const char* stem, int count) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(std::string(stem) + std::to_string(i % 3 + 1) + ".png");
    return out;
}
std::vector<std::string> covers(int count) { return names("引导页", count); }
std::vector<std::string> backgrounds(int count) { return names("引导背景", count); }

std::shared_ptr<ui::Button> buttonSized(double width, double height) {
    auto button = ui::make<ui::Button>(ui::ButtonType::System, ui::Rect{0, 0, width, height});
    button->setTitle("进入");
    return button;
}

struct IntroductionPager : testing::Test {
    void show(int coverCount, int backgroundCount, std::shared_ptr<ui::Button> button = nullptr) {
        pager = button ? std::make_shared<Pager>(covers(coverCount), backgrounds(backgroundCount), button)
                       : std::make_shared<Pager>(covers(coverCount), backgrounds(backgroundCount));
        pager->didSelectedEnter = [this] { ++entered; };
        window.setRootViewController(pager);
    }
    static void advance(double seconds) { platform::RunLoop::main().advance(seconds); }
    // Lets every fade and page snap finish.
    static void settle() { advance(1.0); }
    void scrollTo(double pages) { pager->pagingScrollView->setContentOffset({pages * W, 0}); }
    // A quick horizontal swipe across the middle of the pages.
    void swipe(double dx) {
        const ui::Point from{dx < 0 ? 300.0 : 75.0, 300};
        window.touch(ui::TouchPhase::Began, from);
        for (int i = 1; i <= 6; ++i) {
            advance(0.01);
            window.touch(ui::TouchPhase::Moved, {from.x + dx * i / 6, from.y});
        }
        window.touch(ui::TouchPhase::Ended, {from.x + dx, from.y});
        settle();
    }
    void tap(ui::Point p) {
        window.touch(ui::TouchPhase::Began, p);
        window.touch(ui::TouchPhase::Ended, p);
    }
    void tapEnterButton() { tap({W / 2, ui::Window::kStatusBarHeight + pager->enterButton->frame().midY()}); }
    std::vector<double> backgroundAlphas() const {
        std::vector<double> out;
        for (const auto& v : pager->backgroundViews) out.push_back(v->alpha);
        return out;
    }
    int currentPage() const { return pager->pageControl->currentPage(); }

    ui::Window window;
    std::shared_ptr<Pager> pager;
    int entered = 0;
};

TEST_F(IntroductionPager, BackgroundsCrossFadeAndTheIndicatorFollowsTheOffset) {
    struct Row {
        const char* name;
        int covers, backgrounds;
        std::vector<double> offsets;  // in pages, one after the other
        std::vector<double> alphas;
        int page;
    };
    const Row rows[] = {
        {"as loaded", 3, 3, {}, {1, 1, 1}, 0},
        {"half a page", 3, 3, {0.5}, {0.5, 1, 1}, 0},
        {"three quarters into the second page", 3, 3, {1.75}, {0, 0.25, 1}, 1},
        // An offset set at once leaves the page passed see-through.
        {"one page at once", 3, 3, {1}, {0, 1, 1}, 1},
        {"back from the last page to the second", 3, 3, {2, 1}, {0, 1, 1}, 1},
        // ... and the pages ahead opaque again.
        {"back from the last page to the first", 3, 3, {2, 0.25}, {0.75, 1, 1}, 0},
        {"pulled before the first page", 3, 3, {-0.5}, {1, 1, 1}, 0},
        {"fewer backgrounds than covers", 3, 1, {1.5, 2}, {0}, 2},
        {"more backgrounds than covers", 2, 4, {1}, {0, 1, 1, 1}, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        show(row.covers, row.backgrounds);
        for (double offset : row.offsets) scrollTo(offset);
        EXPECT_EQ(backgroundAlphas(), row.alphas);
        EXPECT_EQ(currentPage(), row.page);
    }
}

TEST_F(IntroductionPager, ViewsAreStackedAndSizedAsThePager) {
    show(3, 3);
    const auto& root = *pager->view();
    const auto& scroll = *pager->pagingScrollView;
    EXPECT_EQ(root.frame(), ui::Window::contentFrame());
    // Back to front: the last background first, then the pages, the
    // indicator and the button.
    const std::vector<ui::ViewPtr> stack{pager->backgroundViews[2], pager->backgroundViews[1],
                                         pager->backgroundViews[0], pager->pagingScrollView,
                                         pager->pageControl,        pager->enterButton};
    EXPECT_EQ(root.subviews(), stack);
    EXPECT_TRUE(pager->hasEnterButtonInView(root));
    EXPECT_FALSE(pager->hasEnterButtonInView(scroll));
    for (const auto& v : {stack[0], stack[1], stack[2], stack[3]}) EXPECT_EQ(v->frame(), (ui::Rect{0, 0, W, H}));
    EXPECT_TRUE(scroll.pagingEnabled && !scroll.showsHorizontalScrollIndicator && scroll.delegate() == pager.get());
    EXPECT_EQ(scroll.contentSize, (ui::Size{3 * W, H}));
    // Page i at i page widths at the top of the scroll view, although the
    // pager's view sits below the status bar; reloading moves nothing.
    for (int reload = 0; reload < 2; ++reload) {
        if (reload) pager->reloadPages();
        ASSERT_EQ(scroll.subviews().size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(scroll.subviews()[i]->frame(), (ui::Rect{static_cast<double>(i) * W, 0, W, H})) << i;
            EXPECT_EQ(scroll.subviews()[i]->imageName(), covers(3)[i]);
        }
    }
    EXPECT_EQ(pager->pageControl->frame(), (ui::Rect{0, H - 30, W, 30}));
    EXPECT_EQ(pager->pageControl->numberOfPages(), 3);
    EXPECT_EQ(pager->pageControl->pageIndicatorTintColor, ui::Color::gray());
    EXPECT_EQ(pager->pageControl->alpha, 1);
    EXPECT_EQ(pager->enterButton->alpha, 0);
}

TEST_F(IntroductionPager, EnterButtonKeepsAGivenSizeOrTakesAShareOfTheWidth) {
    struct Row {
        const char* name;
        std::shared_ptr<ui::Button> given;
        ui::Rect frame;
        std::string title;
        double borderWidth;
    };
    const double made = 0.6 * W;
    const Row rows[] = {
        {"made by the pager", nullptr, {(W - made) / 2, H - 30 - 40, made, 40}, "开始使用", 0.5},
        {"given at 120 x 44", buttonSized(120, 44), {(W - 120) / 2, H - 30 - 44, 120, 44}, "进入", 0},
        {"given without a size", buttonSized(0, 0), {(W - made) / 2, H - 30 - 40, made, 40}, "进入", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        show(3, 3, row.given);
        const auto& button = *pager->enterButton;
        EXPECT_EQ(button.frame(), row.frame);
        EXPECT_EQ(button.currentTitle(), row.title);
        EXPECT_EQ(button.borderWidth, row.borderWidth);
        EXPECT_EQ(button.borderColor, row.borderWidth > 0 ? ui::Color::white() : ui::Color::black());
    }
}

TEST_F(IntroductionPager, NoCoversMeanNoPagesAndNoDots) {
    show(0, 2);
    EXPECT_EQ(pager->scrollViewPages(), nullptr);
    EXPECT_EQ(pager->pagingScrollView->contentSize, (ui::Size{0, 0}));
    EXPECT_TRUE(pager->pagingScrollView->subviews().empty());
    EXPECT_FALSE(pager->pageControl->showsDots());
}

TEST_F(IntroductionPager, LastPageSwapsTheIndicatorForTheEnterButtonAndBack) {
    show(3, 3);
    const auto& button = *pager->enterButton;
    const auto& dots = *pager->pageControl;
    const double half = Pager::kSwapDuration / 2;
    for (const auto& [page, shown] : {std::pair{2.0, 1.0}, std::pair{1.5, 0.0}}) {
        SCOPED_TRACE(page);
        scrollTo(page);
        EXPECT_EQ(button.presentationAlpha(), 1 - shown);
        advance(half);
        EXPECT_DOUBLE_EQ(button.presentationAlpha(), 0.5);
        EXPECT_DOUBLE_EQ(dots.presentationAlpha(), 0.5);
        // Further scroll steps there do not start the fade again.
        pager->scrollViewDidScroll(*pager->pagingScrollView);
        advance(half);
        EXPECT_EQ(button.presentationAlpha(), shown);
        EXPECT_EQ(dots.presentationAlpha(), 1 - shown);
    }
}

TEST_F(IntroductionPager, SinglePageShowsItsEnterButtonFromTheStart) {
    show(1, 1);
    settle();
    EXPECT_EQ(pager->enterButton->presentationAlpha(), 1);
    EXPECT_EQ(pager->pageControl->presentationAlpha(), 0);
    tapEnterButton();
    EXPECT_EQ(entered, 1);
}

TEST_F(IntroductionPager, OnlyTheButtonOrALeftwardFlingOnTheLastPageEndsIt) {
    struct Row {
        const char* name;
        double startPage;
        std::function<void(IntroductionPager&)> gesture;
        int entered;
        int pageAfter;
    };
    const Row rows[] = {
        {"leftward fling on the last page", 2, [](IntroductionPager& t) { t.swipe(-120); }, 1, 2},
        {"rightward fling on the last page", 2, [](IntroductionPager& t) { t.swipe(120); }, 0, 1},
        {"leftward fling on the first page", 0, [](IntroductionPager& t) { t.swipe(-120); }, 0, 1},
        {"leftward fling onto the last page", 1, [](IntroductionPager& t) { t.swipe(-120); }, 0, 2},
        {"tap on the enter button", 2, [](IntroductionPager& t) { t.tapEnterButton(); }, 1, 2},
        {"tap where the hidden button lies", 0, [](IntroductionPager& t) { t.tapEnterButton(); }, 0, 0},
        // The dots only show the page: taps on them turn nothing, so a fling
        // on the first page still only turns the page.
        {"taps on the dots, then a leftward fling", 0,
         [](IntroductionPager& t) {
             const ui::Point rightOfTheDots{W - 20, ui::Window::kHeight - 15};
             t.tap(rightOfTheDots), t.tap(rightOfTheDots);
             EXPECT_EQ(t.currentPage(), 0);
             t.swipe(-120);
         },
         0, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        show(3, 3);
        entered = 0;
        scrollTo(row.startPage);
        settle();
        row.gesture(*this);
        EXPECT_EQ(entered, row.entered);
        EXPECT_EQ(currentPage(), row.pageAfter);
    }
}

TEST_F(IntroductionPager, EndsSafelyWithoutACallbackOrWhenTheOwnerDropsIt) {
    const std::pair<const char*, std::function<void(IntroductionPager&)>> ends[] = {
        {"button", [](IntroductionPager& t) { t.tapEnterButton(); }},
        {"fling", [](IntroductionPager& t) { t.swipe(-120); }},
        {"direct call", [](IntroductionPager& t) { t.pager->enter(nullptr); }},
    };
    for (const auto& [name, end] : ends) {
        SCOPED_TRACE(name);
        // With no callback set, ending does nothing: the pager stays.
        show(3, 3);
        scrollTo(2);
        pager->didSelectedEnter = nullptr;
        end(*this);
        EXPECT_EQ(window.rootViewController(), pager);
        // The usual owner takes the pager off screen and lets it go from
        // inside the callback.
        std::weak_ptr<Pager> gone = pager;
        pager->didSelectedEnter = [this] { window.setRootViewController(nullptr), pager.reset(), ++entered; };
        entered = 0;
        scrollTo(2);
        settle();
        end(*this);
        EXPECT_EQ(entered, 1);
        EXPECT_TRUE(gone.expired());
    }
}

TEST_F(IntroductionPager, AnOwnersButtonOutlivingThePagerNoLongerReachesIt) {
    auto button = buttonSized(120, 44);
    show(3, 3, button);
    window.setRootViewController(nullptr);
    pager.reset();
    button->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    EXPECT_EQ(entered, 0);
    EXPECT_EQ(button->allControlEvents(), 0u);
}

// With no width there are no pages to fade between or count (a division by
// zero otherwise, which the sanitizer build reports).
TEST_F(IntroductionPager, AViewWithoutWidthScrollsWithoutFadingOrCounting) {
    struct NoWidthPager : Pager {
        using Pager::Pager;
        void loadView() override { setView(makeRootView({0, 0, 0, H})); }
    };
    auto narrow = std::make_shared<NoWidthPager>(covers(3), backgrounds(3));
    narrow->view();
    narrow->pagingScrollView->setContentOffset({100, 0});
    for (const auto& background : narrow->backgroundViews) EXPECT_EQ(background->alpha, 1);
    EXPECT_EQ(narrow->pageControl->currentPage(), 0);
}

// Painted: halfway between the first two pages the window shows the mean of
// the two backgrounds; on the last page the white-framed button in place of
// the dots. The pictures stay under the build folder to be looked at.
TEST_F(IntroductionPager, PaintsTheCrossFadeAndTheEnterButton) {
    show(3, 3);
    const auto shots = std::filesystem::path(APP_TEST_SHOTS);
    std::filesystem::create_directories(shots);
    const auto paintAt = [&](double pages, const char* file) {
        scrollTo(pages);
        settle();
        QImage image = platform::qt::renderWindow(window);
        EXPECT_TRUE(image.save(QString::fromStdString((shots / file).string()), "PNG"));
        return image;
    };
    const QImage first = paintAt(0, "introduction-first.png");
    const QImage second = paintAt(1, "introduction-second.png");
    const QImage halfway = paintAt(0.5, "introduction-halfway.png");
    // A corner where no cover draws, in pixels at scale 2.
    const QPoint corner(20, 2 * (static_cast<int>(ui::Window::kStatusBarHeight) + 10));
    const QColor a = first.pixelColor(corner), b = second.pixelColor(corner), mix = halfway.pixelColor(corner);
    EXPECT_GT(std::abs(a.blue() - b.blue()), 40);
    EXPECT_NEAR(mix.red(), (a.red() + b.red()) / 2.0, 4);
    EXPECT_NEAR(mix.green(), (a.green() + b.green()) / 2.0, 4);
    EXPECT_NEAR(mix.blue(), (a.blue() + b.blue()) / 2.0, 4);

    const QImage last = paintAt(2, "introduction-last.png");
    const ui::Rect button = pager->enterButton->frameInWindow();
    const auto isWhite = [](const QColor& c) { return c.red() > 235 && c.green() > 235 && c.blue() > 235; };
    const QRect topEdge = qt::toPixels({button.x() + 4, button.y(), button.width() - 8, 0.5});
    EXPECT_GT(qt::countInside(last, topEdge, isWhite), topEdge.width() * 9 / 10);
    // The title is white too, and no dot shows below the button.
    const ui::Rect title{button.x() + 8, button.y() + 8, button.width() - 16, button.height() - 16};
    EXPECT_GT(qt::countInside(last, qt::toPixels(title), isWhite), 20);
    const ui::Rect dots = pager->pageControl->frameInWindow();
    const auto isGrey = [](const QColor& c) { return std::abs(c.red() - 128) < 10 && std::abs(c.blue() - 128) < 10; };
    EXPECT_EQ(qt::countInside(last, qt::toPixels(dots), isGrey), 0);
    EXPECT_GT(qt::countInside(first, qt::toPixels(dots), isGrey), 0);
}

}  // namespace
}  // namespace bus::test
