#include "platform/ui/SearchDisplayController.h"

namespace ui {

SearchDisplayController::SearchDisplayController(std::shared_ptr<SearchBar> searchBar,
                                                 const std::shared_ptr<View>& contentsView)
    : searchBar_(std::move(searchBar)), contentsView_(contentsView), resultsTable_(std::make_shared<TableView>()) {
    if (searchBar_) searchBar_->displayController_ = this;
}

SearchDisplayController::~SearchDisplayController() {
    if (searchBar_ && searchBar_->displayController_ == this) searchBar_->displayController_ = nullptr;
    if (resultsTable_->superview()) resultsTable_->removeFromSuperview();
}

void SearchDisplayController::setSearchResultsDataSource(TableViewDataSource* dataSource) {
    resultsTable_->setDataSource(dataSource);
}

void SearchDisplayController::setSearchResultsDelegate(TableViewDelegate* delegate) {
    resultsTable_->setDelegate(delegate);
}

void SearchDisplayController::setActive(bool active, bool) {
    if (active == active_) return;
    active_ = active;
    if (searchBar_) {
        searchBar_->setShowsCancelButton(active);
        // The keyboard goes with the search: made active from code, the bar
        // takes typing at once, without a touch.
        if (active) {
            searchBar_->beginEditing();
            searchBar_->becomeFirstResponder();
        } else {
            searchBar_->resignFirstResponder();
            searchBar_->endEditing();
        }
    }
    updateResultsVisibility();
    if (active && isShowingResults()) resultsTable_->reloadData();
}

void SearchDisplayController::searchBarDidBeginEditing() { setActive(true); }

void SearchDisplayController::searchTextDidChange() {
    if (!active_) return;
    updateResultsVisibility();
    resultsTable_->reloadData();
}

void SearchDisplayController::updateResultsVisibility() {
    auto contents = contentsView_.lock();
    const bool show = active_ && contents && searchBar_ && !searchBar_->text().empty();
    if (!show) {
        if (resultsTable_->superview()) resultsTable_->removeFromSuperview();
        return;
    }
    // Over the content, from the bar's lower edge to the bottom of the
    // contents view.
    const Point barBottom = contents->convertFromWindow(searchBar_->convertToWindow({0, searchBar_->bounds().height()}));
    const Rect cb = contents->bounds();
    const double top = std::max(cb.y(), barBottom.y);
    resultsTable_->setFrame({cb.x(), top, cb.width(), std::max(0.0, cb.maxY() - top)});
    resultsTable_->hidden = false;
    if (resultsTable_->superview() != contents.get()) contents->addSubview(resultsTable_);
}

}  // namespace ui
