#pragma once
// A full-screen introduction: cover pages the rider swipes through over
// background pictures that cross-fade from one page's to the next, a page
// indicator along the bottom, and on the last page an enter button in its
// place. A tap on the button, or a leftward fling on the last page, calls
// didSelectedEnter; the owner then takes the pager off screen.
//
// The application delegate keeps a slot for one, but nothing creates or shows
// it. An owner gives the image names (and possibly its own button), sets the
// callback and puts the view on screen. Main thread only.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/PageControl.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/ViewController.h"

namespace bus {

class KvIntroductionViewController : public ui::ViewController, public ui::ScrollViewDelegate {
public:
    using PageViews = std::vector<std::shared_ptr<ui::ImageView>>;

    // How long the indicator and the enter button take to trade places.
    static constexpr double kSwapDuration = 0.4;
    static constexpr double kPageControlHeight = 30;
    // The made button's size is a share of the view's width by a fixed height.
    static constexpr double kEnterButtonWidthShare = 0.6;
    static constexpr double kEnterButtonHeight = 40;

    // One page per cover; backgrounds[i] lies behind page i (there may be
    // fewer or more backgrounds than covers).
    KvIntroductionViewController(std::vector<std::string> coverImageNames,
                                 std::vector<std::string> backgroundImageNames);
    // The button keeps its own look, and its size unless it has none.
    KvIntroductionViewController(std::vector<std::string> coverImageNames,
                                 std::vector<std::string> backgroundImageNames, std::shared_ptr<ui::Button> button);
    ~KvIntroductionViewController() override;

    // The views below are owned here (and by the view tree once loaded).
    std::shared_ptr<ui::ScrollView> pagingScrollView;
    std::shared_ptr<ui::Button> enterButton;
    // Set by the owner before the view is shown; may drop the pager.
    std::function<void()> didSelectedEnter;
    std::vector<std::string> backgroundImageNames;
    std::vector<std::string> coverImageNames;
    // In the order of backgroundImageNames; the first is the front-most.
    PageViews backgroundViews;
    std::shared_ptr<ui::PageControl> pageControl;
    // For the owner's use; the pager itself neither reads nor writes it.
    std::int64_t centerPageIndex = 0;

    // The pager fills the window below the status bar.
    void loadView() override;
    void viewDidLoad() override;
    void addBackgroundViews();
    void reloadPages();

    ui::Rect frameOfPageControl();
    ui::Rect frameOfEnterButton();
    // (0, 0) without pages.
    ui::Size contentSizeOfScrollView();
    std::size_t numberOfPagesInPagingScrollView() const;
    // The cover pages, built on first use; null when there are no covers.
    const PageViews* scrollViewPages();
    std::shared_ptr<ui::ImageView> scrollViewPage(const std::string& imageName) const;

    bool hasNext(const ui::PageControl& pageControl) const;
    bool isLast(const ui::PageControl& pageControl) const;
    bool hasEnterButtonInView(const ui::View& view) const;

    void scrollViewDidScroll(ui::ScrollView& scrollView) override;
    void scrollViewWillBeginDecelerating(ui::ScrollView& scrollView) override;
    void pagingScrollViewDidChangePages(ui::ScrollView& scrollView);

    // The enter button's action; the fling past the end calls it with no
    // sender. Does nothing when the owner set no callback.
    void enter(ui::Control* sender);

private:
    void initSelfWithCoverNames(std::vector<std::string> coverNames, std::vector<std::string> backgroundNames);
    void fadeBackgrounds(double offsetX, double pageWidth);

    std::optional<PageViews> scrollViewPages_;
};

}  // namespace bus
