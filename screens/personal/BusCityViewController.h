#pragma once
// The city selection: the cities of the directory service, fetched again
// each time the list asks for its rows. A tap makes the city the current one
// for every screen and goes back to the root of the navigation stack.
#include <memory>
#include <string>
#include <vector>

#include "model/BusCity.h"
#include "model/MySingleton.h"
#include "models/CityList.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

namespace bus {

class BusCityViewController : public ui::ViewController,
                              public ui::TableViewDataSource,
                              public ui::TableViewDelegate {
public:
    BusCityViewController();
    void viewDidLoad() override;

    int numberOfSectionsInTableView(ui::TableView& tableView) override;
    // Asks the directory service for the cities at every call but those
    // that take in the cities of a reply; shows the cities come in so far.
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             const ui::IndexPath& indexPath) override;
    // Stores the row's city as the current one and pops to the root; a city
    // other than the current one also takes every other tab back to its root.
    void didSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;

    // The cities of the last reply that can be chosen, in the reply's order.
    std::vector<BusCity> data;
    models::CityList list;
    bool showingCities = false;
    // Outlet: the list, owned by the view tree.
    std::weak_ptr<ui::TableView> cityList;
    // Where the directory service answers.
    std::string directoryUrl = MySingleton::sharedSingleton().directoryUrl;

private:
    void forgetOldCity();
};

}  // namespace bus
