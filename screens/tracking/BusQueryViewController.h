#pragma once
// The search screen: the current city's query history in its own table, with
// the search field as the table's header and a clear-history button below the
// last row. While the rider types, the search display shows the hits of the
// city service in a results table of its own. A tap on a hit or a history row
// opens the live bus screen; a hit also becomes the newest history entry.
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/BusQuery.h"
#include "models/KeywordSearch.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/Control.h"
#include "platform/ui/SearchDisplayController.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "screens/common/LineHandOver.h"

namespace bus {

class BusQueryViewController : public ui::ViewController,
                               public ui::TableViewDataSource,
                               public ui::TableViewDelegate {
public:
    BusQueryViewController();

    void viewDidLoad() override;
    // Rebuilds the city button and reads the history again.
    void viewWillAppear(bool animated) override;

    // Both tables: queryUITableView is the history, any other table the
    // results. The results' row count asks the keyword search for a non-empty
    // search text and shows the hits in so far; an emptied field keeps the
    // last hits.
    int numberOfSectionsInTableView(ui::TableView& tableView) override;
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             const ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;
    // Hands the tapped row to the live bus screen for the sender "0".
    void prepareForSegue(ui::StoryboardSegue& segue, const std::string& sender) override;

    void switchCity(ui::Control& sender);
    // On "emptyButton": clears the current city's history.
    void handleColorChange(const platform::Notification& notification);

    // The current city's history as last read, oldest first.
    std::vector<BusQuery> data;
    // The hits of the last keyword whose reply came in.
    models::KeywordSearch search;
    std::vector<BusQuery> filterData;
    // While the tables take in hits that came: their row counts ask nothing,
    // or each reply would ask again.
    bool showingHits = false;
    std::unique_ptr<ui::SearchDisplayController> searchDisplayController;
    // Outlet: the history table, owned by the view tree.
    std::weak_ptr<ui::TableView> queryUITableView;
    // The row last tapped, for the live line it opens.
    LineHandOver handedOver;

private:
    bool isHistory(const ui::TableView& tableView) const;
    std::vector<BusQuery>& recordsOf(const ui::TableView& tableView);
    void addSearchField(ui::TableView& table, double width);
    void reloadHistory();

    // Ends with the screen, so a later "emptyButton" never reaches it.
    platform::Observation emptyButtonObservation_;
};

}  // namespace bus
