#pragma once
// Shows a search's results in a table of its own over the screen's content.
// It becomes active when its search bar starts editing (a touch on it) or
// by setActive, which also gives the bar the keyboard (once the bar is in a
// window). While active it shows the bar's cancel button and, as long
// as the text is not empty, the results table, laid over the contents view
// from the bar's lower edge down. Every change of the text while active
// reloads the results table (it asks its data source again). The cancel
// button, or setActive(false), makes it inactive and hides the table.
#include <memory>

#include "platform/ui/SearchBar.h"
#include "platform/ui/TableView.h"

namespace ui {

class SearchDisplayController {
public:
    // The contents view is the screen's view the results table is laid over.
    SearchDisplayController(std::shared_ptr<SearchBar> searchBar, const std::shared_ptr<View>& contentsView);
    ~SearchDisplayController();
    SearchDisplayController(const SearchDisplayController&) = delete;
    SearchDisplayController& operator=(const SearchDisplayController&) = delete;

    const std::shared_ptr<SearchBar>& searchBar() const { return searchBar_; }
    const std::shared_ptr<TableView>& searchResultsTableView() const { return resultsTable_; }

    // searchResultsDataSource / searchResultsDelegate: the results table's.
    void setSearchResultsDataSource(TableViewDataSource* dataSource);
    void setSearchResultsDelegate(TableViewDelegate* delegate);
    TableViewDataSource* searchResultsDataSource() const { return resultsTable_->dataSource(); }
    TableViewDelegate* searchResultsDelegate() const { return resultsTable_->delegate(); }

    bool isActive() const { return active_; }
    void setActive(bool active, bool animated = false);
    // Whether the results table is on screen now.
    bool isShowingResults() const { return resultsTable_->superview() != nullptr && !resultsTable_->hidden; }

private:
    friend class SearchBar;
    void searchBarDidBeginEditing();
    void searchTextDidChange();
    void updateResultsVisibility();

    std::shared_ptr<SearchBar> searchBar_;
    std::weak_ptr<View> contentsView_;
    std::shared_ptr<TableView> resultsTable_;
    bool active_ = false;
};

}  // namespace ui
