#include "screens/personal/BusCollectionQueryViewController.h"

#include "model/Preferences.h"
#include "model/Value.h"
#include "platform/Translation.h"
#include "platform/ui/NavigationController.h"
#include "screens/common/BusCell.h"

namespace bus {

namespace {

constexpr char kHandOverSender[] = "0";

}  // namespace

BusCollectionQueryViewController::BusCollectionQueryViewController() {
    handedOver.declareKeys([this](const char* key, auto& member) { declareKey(key, member); });
    // The search lives and dies with the screen, so its hits never reach a screen that is gone.
    search.changed = [this](const std::shared_ptr<const models::KeywordSearch::Snapshot>& hits) {
        filterData = hits->hits;
        showingHits = true;
        if (searchDisplayController) searchDisplayController->searchResultsTableView()->reloadData();
        if (auto table = queryUITableView.lock()) table->reloadData();
        showingHits = false;
    };
}

void BusCollectionQueryViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    // Before anything reads the city: the first start has none stored.
    prefs::seedFirstStart();
    auto bar = std::make_shared<ui::SearchBar>(ui::Rect{0, 0, view()->frame().width(), 44});
    // TRANSLATORS: the favourite search's field, before the rider types.
    bar->placeholder = platform::tr("输入线路或者站点");
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
    if (searchDisplayController && !showingHits) search.search(searchDisplayController->searchBar()->text());
    return static_cast<int>(filterData.size());
}

std::shared_ptr<ui::TableViewCell> BusCollectionQueryViewController::cellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(filterData.size())) return dequeueCell(tableView);
    return hitCell(tableView, filterData[static_cast<std::size_t>(indexPath.row)]);
}

void BusCollectionQueryViewController::didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& indexPath) {
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(filterData.size())) return;
    const BusQuery& hit = filterData[static_cast<std::size_t>(indexPath.row)];
    handedOver =
        LineHandOver::at(hit.lineId, hit.direction, integerValue(hit.attribute) == 1 ? hit.stationName : json(""));
    performSegueWithIdentifier("busCollection", kHandOverSender);
}

void BusCollectionQueryViewController::prepareForSegue(ui::StoryboardSegue& segue, const std::string& sender) {
    if (sender != kHandOverSender) return;
    auto* destination = segue.destinationViewController();
    handedOver.handTo(*destination);
}

void BusCollectionQueryViewController::searchBarCancelButtonClicked(ui::SearchBar&) {
    if (auto* navigation = navigationController()) navigation->popToRootViewControllerAnimated(true);
}

}  // namespace bus
