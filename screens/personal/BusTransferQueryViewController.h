#pragma once
// The stop picker of the transfer form: the rider types part of a stop's
// name and the table lists the current city's stops that match, one row per
// name. A tap stores the name as the form's start ("_tag" "0") or end ("1")
// in MySingleton and goes back to the form.
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "models/KeywordSearch.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

namespace bus {

class BusTransferQueryViewController : public ui::ViewController,
                                       public ui::TableViewDataSource,
                                       public ui::TableViewDelegate,
                                       public ui::SearchBarDelegate {
public:
    BusTransferQueryViewController();

    // Makes the search field, which asks for the keyboard so that the rider
    // types at once.
    void viewDidLoad() override;

    // Each change of a non-empty text asks the service again, on a worker:
    // the list shows the stops of the last keyword whose reply came in. An
    // emptied field empties the list, and no late reply fills it again.
    void textDidChange(ui::SearchBar& searchBar, const std::string& searchText) override;

    int numberOfSectionsInTableView(ui::TableView& tableView) override;
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             const ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;

    // Handed over by the form: "0" start, "1" end. Any other value picks
    // nothing: a tap then only goes back.
    nlohmann::json _tag;
    // The matching stop names in reply order, each once.
    std::vector<std::string> data;
    models::KeywordSearch search;
    std::shared_ptr<ui::SearchBar> searchBar;
    // Outlet, owned by the view tree.
    std::weak_ptr<ui::TableView> queryUITableView;
};

}  // namespace bus
