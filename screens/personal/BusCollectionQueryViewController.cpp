#include "screens/personal/BusCollectionQueryViewController.h"

#include "city/CityService.h"
#include "model/Preferences.h"
#include "model/Value.h"
#include "platform/ui/NavigationController.h"
#include "screens/common/Accessibility.h"
#include "screens/common/BusCell.h"

namespace bus {

namespace {

constexpr char kHandOverSender[] = "0";

}  // namespace

BusCollectionQueryViewController::BusCollectionQueryViewController() {
    declareKey("lineId", lineId);
    declareKey("direction", direction);
    declareKey("currentStation", currentStation);
}

void BusCollectionQueryViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    // Before anything reads the city: the first start has none stored.
    prefs::seedFirstStart();
    auto bar = std::make_shared<ui::SearchBar>(ui::Rect{0, 0, view()->frame().width(), 44});
    bar->placeholder = "输入线路或者站点";
    bar->delegate = this;
    auto table = queryUITableView.lock();
    if (table) table->setTableHeaderView(bar);
    searchDisplayController = std::make_unique<ui::SearchDisplayController>(bar, view());
    searchDisplayController->setSearchResultsDataSource(this);
    searchDisplayController->setSearchResultsDelegate(this);
    setUpTable(*searchDisplayController->searchResultsTableView(), nullptr, nullptr);
    if (table) setUpTable(*table, this, this);
}

void BusCollectionQueryViewController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (searchDisplayController) searchDisplayController->setActive(true, false);
}

int BusCollectionQueryViewController::numberOfSectionsInTableView(ui::TableView&) { return 1; }

int BusCollectionQueryViewController::numberOfRowsInSection(ui::TableView&, int) {
    const std::string text = searchDisplayController ? searchDisplayController->searchBar()->text() : "";
    // An emptied field keeps showing the last hits.
    if (!text.empty()) filterData = city::keywordHits(text).value();
    return static_cast<int>(filterData.size());
}

std::shared_ptr<ui::TableViewCell> BusCollectionQueryViewController::cellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
    auto cell = dequeueCell(tableView);
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(filterData.size())) return cell;
    const BusQuery& hit = filterData[static_cast<std::size_t>(indexPath.row)];
    // Any attribute but 0 shows as a stop, though only 1 hands a stop on.
    const bool stop = integerValue(hit.attribute) != 0;
    cell->textLabel()->setText(textValue(stop ? hit.stationName : hit.lineName));
    cell->detailTextLabel()->setText(textValue(stop ? hit.lineName : hit.stationName));
    cell->imageView()->setImage(stop ? "station.png" : "bus.png");
    a11y::nameSearchHit(*cell, hit);
    return cell;
}

void BusCollectionQueryViewController::didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& indexPath) {
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(filterData.size())) return;
    const BusQuery& hit = filterData[static_cast<std::size_t>(indexPath.row)];
    lineId = hit.lineId;
    direction = hit.direction;
    currentStation = integerValue(hit.attribute) == 1 ? hit.stationName : json("");
    performSegueWithIdentifier("busCollection", kHandOverSender);
}

void BusCollectionQueryViewController::prepareForSegue(ui::StoryboardSegue& segue, const std::string& sender) {
    if (sender != kHandOverSender) return;
    auto* destination = segue.destinationViewController();
    destination->setValue(lineId, "lineId");
    destination->setValue(direction, "direction");
    destination->setValue(currentStation, "currentStation");
}

void BusCollectionQueryViewController::searchBarCancelButtonClicked(ui::SearchBar&) {
    if (auto* navigation = navigationController()) navigation->popToRootViewControllerAnimated(true);
}

}  // namespace bus
