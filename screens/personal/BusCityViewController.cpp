#include "screens/personal/BusCityViewController.h"

#include "city/CityService.h"
#include "city/CurrentCity.h"
#include "model/MySingleton.h"
#include "model/Value.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"
#include "screens/common/BusCell.h"
#include "screens/common/BusCityButton.h"

namespace bus {

namespace {


// Every later call goes to the chosen city's address and every favourite and
// history row is stored under its id: a directory entry without an id, or
// with an address the transport cannot post to, would leave the rider with
// no working city, so it is not offered.
bool canBeChosen(const BusCity& city) {
    const bool hasId = city.cityId.is_number() || (city.cityId.is_string() && !textValue(city.cityId).empty());
    if (!hasId || !city.cityUrl.is_string()) return false;
    const std::string url = textValue(city.cityUrl);
    return url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
}

}  // namespace

void BusCityViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    if (auto table = cityList.lock()) {
        setUpTable(*table, this, this, {.edgeToEdge = false, .endAtLastRow = false, .footer = nullptr});
    }
}

int BusCityViewController::numberOfSectionsInTableView(ui::TableView&) { return 1; }

int BusCityViewController::numberOfRowsInSection(ui::TableView&, int) {
    data.clear();
    for (auto& entry : city::cities(directoryUrl).value())
        if (canBeChosen(entry)) data.push_back(std::move(entry));
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
