#pragma once
// The More menu: about, user agreement and the refresh interval, each row
// opening its screen.
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

namespace bus {

class BusMoreViewController : public ui::ViewController,
                              public ui::TableViewDataSource,
                              public ui::TableViewDelegate {
public:
    void viewDidLoad() override;

    int numberOfSectionsInTableView(ui::TableView& tableView) override;
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             const ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;

    // The row texts, filled once when the view loads.
    std::vector<std::string> data;
    // Outlet: the menu's table, owned by the view tree.
    std::weak_ptr<ui::TableView> queryUITableView;
};

}  // namespace bus
