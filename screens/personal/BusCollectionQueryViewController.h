#pragma once
// The favourite search: opened from the favourites list's add button, it
// starts with the search field in use and the keyboard in it. The rider's
// keyword brings the city's matching lines and stops; a tap on one opens the
// line stations screen, where the favourite itself is marked. Cancel goes
// back to the favourites list.
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/BusQuery.h"
#include "models/KeywordSearch.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/SearchDisplayController.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "screens/common/LineHandOver.h"

namespace bus {

class BusCollectionQueryViewController : public ui::ViewController,
                                         public ui::TableViewDataSource,
                                         public ui::TableViewDelegate,
                                         public ui::SearchBarDelegate {
public:
    BusCollectionQueryViewController();

    void viewDidLoad() override;
    // Makes the search display active, so typing goes to the field at once.
    void viewWillAppear(bool animated) override;

    // The screen's own table and the results table both show filterData. The
    // row count asks the keyword search for a non-empty search text and
    // shows the hits in so far; an emptied field keeps the last hits.
    int numberOfSectionsInTableView(ui::TableView& tableView) override;
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             const ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;
    // Hands the tapped hit to the line stations screen for the sender "0".
    void prepareForSegue(ui::StoryboardSegue& segue, const std::string& sender) override;

    void searchBarCancelButtonClicked(ui::SearchBar& searchBar) override;

    // The hits of the last keyword whose reply came in.
    models::KeywordSearch search;
    std::vector<BusQuery> filterData;
    // While the tables take in hits that came: their row counts ask nothing,
    // or each reply would ask again.
    bool showingHits = false;
    std::unique_ptr<ui::SearchDisplayController> searchDisplayController;
    // Outlet: the screen's table, owned by the view tree.
    std::weak_ptr<ui::TableView> queryUITableView;
    // The hit last tapped, for the line stations screen it opens.
    LineHandOver handedOver;
};

}  // namespace bus
