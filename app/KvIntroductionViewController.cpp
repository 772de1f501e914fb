#include "app/KvIntroductionViewController.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/Translation.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Window.h"

namespace bus {

namespace {
// The button made here: a thin white frame around its title.
constexpr double kEnterBorderWidth = 0.5;
}  // namespace

KvIntroductionViewController::KvIntroductionViewController(std::vector<std::string> coverImageNames,
                                                           std::vector<std::string> backgroundImageNames) {
    initSelfWithCoverNames(std::move(coverImageNames), std::move(backgroundImageNames));
}

KvIntroductionViewController::KvIntroductionViewController(std::vector<std::string> coverImageNames,
                                                           std::vector<std::string> backgroundImageNames,
                                                           std::shared_ptr<ui::Button> button)
    : KvIntroductionViewController(std::move(coverImageNames), std::move(backgroundImageNames)) {
    enterButton = std::move(button);
}

KvIntroductionViewController::~KvIntroductionViewController() {
    // An owner's button may outlive the pager; its taps must not reach us.
    if (enterButton) enterButton->removeTarget(this, ui::ControlEventTouchUpInside);
}

void KvIntroductionViewController::initSelfWithCoverNames(std::vector<std::string> coverNames,
                                                          std::vector<std::string> backgroundNames) {
    coverImageNames = std::move(coverNames);
    backgroundImageNames = std::move(backgroundNames);
}

void KvIntroductionViewController::loadView() { setView(makeRootView(ui::Window::contentFrame())); }

void KvIntroductionViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    addBackgroundViews();

    pagingScrollView = ui::make<ui::ScrollView>(view()->bounds());
    pagingScrollView->setDelegate(this);
    pagingScrollView->pagingEnabled = true;
    pagingScrollView->showsHorizontalScrollIndicator = false;
    view()->addSubview(pagingScrollView);

    pageControl = ui::make<ui::PageControl>(frameOfPageControl());
    pageControl->pageIndicatorTintColor = ui::Color::gray();
    // The dots only show where the rider is: a tap on them would move the
    // indicator away from the page on screen (and the fling past the end
    // reads the indicator), so touches go through to the pages.
    pageControl->userInteractionEnabled = false;
    view()->addSubview(pageControl);

    if (!enterButton) {
        enterButton = ui::make<ui::Button>();
        // TRANSLATORS: the button on the introduction's last page that opens the app.
        enterButton->setTitle(platform::tr("开始使用"));
        enterButton->borderWidth = kEnterBorderWidth;
        enterButton->borderColor = ui::Color::white();
    }
    enterButton->addTarget(this, [this](ui::Control& sender) { enter(&sender); }, ui::ControlEventTouchUpInside);
    enterButton->setFrame(frameOfEnterButton());
    enterButton->alpha = 0;
    view()->addSubview(enterButton);

    reloadPages();
    // A single page is already the last one: its button shows from the start.
    pagingScrollViewDidChangePages(*pagingScrollView);
}

void KvIntroductionViewController::addBackgroundViews() {
    const ui::Rect bounds = view()->bounds();
    backgroundViews.assign(backgroundImageNames.size(), nullptr);
    // Added from the last to the first, so that the first lies in front.
    for (std::size_t i = backgroundImageNames.size(); i-- > 0;) {
        backgroundViews[i] = ui::make<ui::ImageView>(bounds, backgroundImageNames[i]);
        view()->addSubview(backgroundViews[i]);
    }
}

void KvIntroductionViewController::reloadPages() {
    pageControl->setNumberOfPages(static_cast<int>(numberOfPagesInPagingScrollView()));
    pagingScrollView->contentSize = contentSizeOfScrollView();
    const PageViews* pages = scrollViewPages();
    if (!pages) return;
    // Placed, not moved: reloading again leaves every page where it was.
    double x = 0;
    for (const auto& page : *pages) {
        const ui::Rect f = page->frame();
        page->setFrame({x, f.y(), f.width(), f.height()});
        pagingScrollView->addSubview(page);
        x += f.width();
    }
}

ui::Rect KvIntroductionViewController::frameOfPageControl() {
    const ui::Rect b = view()->bounds();
    return {0, b.height() - kPageControlHeight, b.width(), kPageControlHeight};
}

ui::Rect KvIntroductionViewController::frameOfEnterButton() {
    ui::Size size = enterButton ? enterButton->bounds().size : ui::Size{};
    const double viewWidth = view()->frame().width();
    if (size.width == 0 && size.height == 0) size = {viewWidth * kEnterButtonWidthShare, kEnterButtonHeight};
    const double x = viewWidth * 0.5 - size.width * 0.5;
    const double y = frameOfPageControl().y() - size.height;
    return {x, y, size.width, size.height};
}

ui::Size KvIntroductionViewController::contentSizeOfScrollView() {
    const PageViews* pages = scrollViewPages();
    if (!pages || pages->empty()) return {0, 0};
    const ui::Rect first = pages->front()->frame();
    return {first.width() * static_cast<double>(pages->size()), first.height()};
}

std::size_t KvIntroductionViewController::numberOfPagesInPagingScrollView() const { return coverImageNames.size(); }

const KvIntroductionViewController::PageViews* KvIntroductionViewController::scrollViewPages() {
    if (numberOfPagesInPagingScrollView() == 0) return nullptr;
    if (scrollViewPages_) return &*scrollViewPages_;
    // Every page is the size of the view, at the scroll view's origin: the
    // view's own frame sits below the status bar, which is no place for a
    // page inside the scroll view.
    const ui::Rect page{0, 0, view()->frame().width(), view()->frame().height()};
    PageViews built;
    for (const auto& name : coverImageNames) {
        auto pageView = scrollViewPage(name);
        pageView->setFrame(page);
        built.push_back(std::move(pageView));
    }
    scrollViewPages_ = std::move(built);
    return &*scrollViewPages_;
}

std::shared_ptr<ui::ImageView> KvIntroductionViewController::scrollViewPage(const std::string& imageName) const {
    return ui::make<ui::ImageView>(imageName);
}

bool KvIntroductionViewController::hasNext(const ui::PageControl& control) const {
    return control.numberOfPages() > control.currentPage() + 1;
}

bool KvIntroductionViewController::isLast(const ui::PageControl& control) const {
    return control.numberOfPages() == control.currentPage() + 1;
}

bool KvIntroductionViewController::hasEnterButtonInView(const ui::View& v) const {
    const auto& children = v.subviews();
    return enterButton && std::find(children.begin(), children.end(), enterButton) != children.end();
}

void KvIntroductionViewController::scrollViewDidScroll(ui::ScrollView& scrollView) {
    const double offsetX = scrollView.contentOffset().x;
    // A view not laid out yet has no pages to fade between or count.
    const double width = view()->frame().width();
    if (width > 0) fadeBackgrounds(offsetX, width);

    const std::size_t pages = numberOfPagesInPagingScrollView();
    const double pageWidth = pages > 0 ? scrollView.contentSize.width / static_cast<double>(pages) : 0;
    if (pageWidth > 0) {
        const double page = std::clamp(std::trunc(offsetX / pageWidth), 0.0, static_cast<double>(pages));
        pageControl->setCurrentPage(static_cast<int>(page));
    }
    pagingScrollViewDidChangePages(scrollView);
}

// The background of the page being left fades out across one page width and
// uncovers the next one behind it. Every other background is set too, so that
// a jump over several pages (an offset set at once, a coarse animation step)
// leaves the pages passed see-through and the pages ahead opaque.
void KvIntroductionViewController::fadeBackgrounds(double offsetX, double pageWidth) {
    const double index = std::trunc(offsetX / pageWidth);
    for (std::size_t i = 0; i < backgroundViews.size(); ++i) {
        const double at = static_cast<double>(i);
        double alpha = 1;
        if (at < index)
            alpha = 0;
        else if (at == index)
            alpha = std::clamp(1 - (offsetX - index * pageWidth) / pageWidth, 0.0, 1.0);
        backgroundViews[i]->alpha = alpha;
    }
}

void KvIntroductionViewController::pagingScrollViewDidChangePages(ui::ScrollView&) {
    // The alpha tests make each swap happen once per arrival at, or
    // departure from, the last page; this runs on every scroll step.
    const bool last = isLast(*pageControl);
    if (last && pageControl->alpha == 1) {
        enterButton->alpha = 0;
        ui::animate(kSwapDuration, [this] {
            enterButton->alpha = 1;
            pageControl->alpha = 0;
        });
    } else if (!last && pageControl->alpha == 0) {
        ui::animate(kSwapDuration, [this] {
            enterButton->alpha = 0;
            pageControl->alpha = 1;
        });
    }
}

void KvIntroductionViewController::scrollViewWillBeginDecelerating(ui::ScrollView& scrollView) {
    const double moved = scrollView.panGestureRecognizer().translationInView(scrollView.superview()).x;
    if (moved < 0 && !hasNext(*pageControl)) enter(nullptr);
}

void KvIntroductionViewController::enter(ui::Control*) {
    if (!didSelectedEnter) return;
    // The owner usually drops the pager in the callback, and with it the
    // callback itself: run a copy, and touch nothing here afterwards.
    auto callback = didSelectedEnter;
    callback();
}

}  // namespace bus
