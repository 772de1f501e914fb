#pragma once
// The refresh interval screen: how often the live bus screen fetches its
// vehicles again (10, 20 or 30 seconds, or only by hand). The choice lives
// in the preference "refreshTime"; a check mark shows it.
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

namespace bus {

class BusRefreshTimeViewController : public ui::ViewController,
                                     public ui::TableViewDataSource,
                                     public ui::TableViewDelegate {
public:
    static constexpr char kCheckMarkImage[] = "选中.png";

    void viewDidLoad() override;

    int numberOfSectionsInTableView(ui::TableView& tableView) override;
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             const ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;

    // The row texts, filled once when the view loads.
    std::vector<std::string> data;
    // Outlet: the screen's table, owned by the view tree.
    std::weak_ptr<ui::TableView> queryUITableView;
};

}  // namespace bus
