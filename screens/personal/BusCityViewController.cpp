#include "screens/personal/BusCityViewController.h"

#include "city/CurrentCity.h"
#include "model/MySingleton.h"
#include "model/Value.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"
#include "screens/common/BusCell.h"
#include "screens/common/BusCityButton.h"

namespace bus {


BusCityViewController::BusCityViewController() {
    // The list lives and dies with the screen, so its cities never reach a screen that is gone.
    list.changed = [this](const std::shared_ptr<const models::CityList::Cities>& cities) {
        data = *cities;
        showingCities = true;
        if (auto table = cityList.lock()) table->reloadData();
        showingCities = false;
    };
}

void BusCityViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    if (auto table = cityList.lock()) {
        setUpTable(*table, this, this, {.edgeToEdge = false, .endAtLastRow = false, .footer = nullptr});
    }
}

int BusCityViewController::numberOfSectionsInTableView(ui::TableView&) { return 1; }

int BusCityViewController::numberOfRowsInSection(ui::TableView&, int) {
    if (!showingCities) list.ask(directoryUrl);
    return static_cast<int>(data.size());
}

std::shared_ptr<ui::TableViewCell> BusCityViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                               const ui::IndexPath& indexPath) {
    auto cell = dequeueCell(tableView);
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(data.size())) return cell;
    cell->textLabel()->setText(textValue(data[static_cast<std::size_t>(indexPath.row)].cityName));
    cell->detailTextLabel()->setText("");
    return cell;
}

void BusCityViewController::didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& indexPath) {
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(data.size())) return;
    if (city::choose(data[static_cast<std::size_t>(indexPath.row)])) forgetOldCity();
    if (auto* navigation = navigationController()) navigation->popToRootViewControllerAnimated(true);
}

// A screen of the old city left open in another tab would ask the new city's
// service for the old city's line, and a star there would file the old
// city's stop under the new one: every other tab goes back to its root, and
// the transfer form's stop names go.
void BusCityViewController::forgetOldCity() {
    auto& shared = MySingleton::sharedSingleton();
    shared.startStation = json();
    shared.endStation = json();
    platform::NotificationCenter::defaultCenter().postNotificationName(kCityDidChange, this);
    auto* tabs = tabBarController();
    if (!tabs) return;
    auto* own = navigationController();
    // A copy: popping may run code that touches the tabs.
    const auto all = tabs->viewControllers();
    for (const auto& tab : all)
        if (auto* navigation = dynamic_cast<ui::NavigationController*>(tab.get()); navigation && navigation != own)
            navigation->popToRootViewControllerAnimated(false);
}

}  // namespace bus
