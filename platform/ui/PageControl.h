#pragma once
// A row of dots, one per page, the current one marked. A tap on the left or
// right half moves one page back or on and sends ValueChanged. With
// hidesForSinglePage it shows nothing for fewer than two pages.
#include "platform/ui/Control.h"

namespace ui {

class PageControl : public Control {
public:
    static constexpr double kDotDiameter = 7;
    static constexpr double kDotPitch = 16;

    PageControl() = default;
    explicit PageControl(const Rect& frame) : Control(frame) {}

    int numberOfPages() const { return pages_; }
    // The current page stays within the new count.
    void setNumberOfPages(int pages);
    int currentPage() const { return current_; }
    void setCurrentPage(int page);

    bool hidesForSinglePage = false;
    Color pageIndicatorTintColor = Color::rgba(1, 1, 1, 0.35);
    Color currentPageIndicatorTintColor = Color::white();

    // The dot of a page, in the bounds.
    Rect dotRect(int page) const;
    bool showsDots() const { return !(hidesForSinglePage && pages_ < 2) && pages_ > 0; }

    void touchesEnded(const Touch& t) override;
    void draw(Canvas& canvas) override;
    std::string className() const override { return "PageControl"; }

private:
    int pages_ = 0;
    int current_ = 0;
};

}  // namespace ui
