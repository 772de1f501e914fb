#include "screens/tracking/BusQueryViewController.h"

#include "city/CurrentCity.h"
#include "model/Preferences.h"
#include "model/Value.h"
#include "platform/Translation.h"
#include "platform/ui/SearchBar.h"
#include "screens/common/BusCell.h"
#include "screens/common/BusCityButton.h"
#include "screens/tracking/BusRealUIView.h"

namespace bus {

namespace {

constexpr char kHandOverSender[] = "0";

const BusQuery* recordAt(const std::vector<BusQuery>& records, int row) {
    if (row < 0 || row >= static_cast<int>(records.size())) return nullptr;
    return &records[static_cast<std::size_t>(row)];
}

}  // namespace

BusQueryViewController::BusQueryViewController() {
    handedOver.declareKeys([this](const char* key, auto& member) { declareKey(key, member); });
    // The search lives and dies with the screen, so its hits never reach a screen that is gone.
    search.changed = [this](const std::shared_ptr<const models::KeywordSearch::Snapshot>& hits) {
        filterData = hits->hits;
        showingHits = true;
        if (searchDisplayController) searchDisplayController->searchResultsTableView()->reloadData();
        showingHits = false;
    };
}

void BusQueryViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    // Before anything reads the city: the first start has none stored.
    prefs::seedFirstStart();
    const double width = view()->frame().width();
    auto table = queryUITableView.lock();
    if (table) {
        setUpTable(*table, this, this, {.footer = BusRealUIView::initEmpty({0, 0, width, 60})});
        addSearchField(*table, width);
    }
    emptyButtonObservation_ = platform::NotificationCenter::defaultCenter().addObserver(
        BusRealUIView::kEmptyButton, [this](const platform::Notification& n) { handleColorChange(n); });
}

void BusQueryViewController::addSearchField(ui::TableView& table, double width) {
    auto bar = std::make_shared<ui::SearchBar>(ui::Rect{0, 0, width, 44});
    // TRANSLATORS: the placeholder of the line search's field.
    bar->placeholder = platform::trc("line search", "输入线路或者站点");
    table.setTableHeaderView(bar);
    searchDisplayController = std::make_unique<ui::SearchDisplayController>(bar, view());
    searchDisplayController->setSearchResultsDataSource(this);
    searchDisplayController->setSearchResultsDelegate(this);
    const auto& results = searchDisplayController->searchResultsTableView();
    results->separatorInset = {0, 0, 0, 0};
    // An empty footer ends the separators at the last hit.
    results->setTableFooterView(std::make_shared<ui::View>());
}

void BusQueryViewController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    showCityButton(*this, &BusQueryViewController::switchCity);
    reloadHistory();
}

int BusQueryViewController::numberOfSectionsInTableView(ui::TableView&) { return 1; }

int BusQueryViewController::numberOfRowsInSection(ui::TableView& tableView, int) {
    if (isHistory(tableView)) {
        data = city::history();
        return static_cast<int>(data.size());
    }
    if (searchDisplayController && !showingHits) search.search(searchDisplayController->searchBar()->text());
    return static_cast<int>(filterData.size());
}

std::shared_ptr<ui::TableViewCell> BusQueryViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                 const ui::IndexPath& indexPath) {
    const BusQuery* record = recordAt(recordsOf(tableView), indexPath.row);
    return record ? hitCell(tableView, *record) : dequeueCell(tableView);
}

void BusQueryViewController::didSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) {
    const bool history = isHistory(tableView);
    auto& records = recordsOf(tableView);
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(records.size())) return;
    BusQuery& record = records[static_cast<std::size_t>(indexPath.row)];
    handedOver = LineHandOver::at(record.lineId, record.direction,
                                  integerValue(record.attribute) == 1 ? record.stationName : json(""));
    // A history row is not saved again, so the history keeps its order.
    if (!history) city::remember(record);
    if (searchDisplayController) searchDisplayController->setActive(false, false);
    performSegueWithIdentifier("busReal", kHandOverSender);
}

void BusQueryViewController::prepareForSegue(ui::StoryboardSegue& segue, const std::string& sender) {
    if (sender != kHandOverSender) return;
    auto* destination = segue.destinationViewController();
    handedOver.handTo(*destination);
}

void BusQueryViewController::switchCity(ui::Control&) { performSegueWithIdentifier("busCity", "1"); }

void BusQueryViewController::handleColorChange(const platform::Notification&) {
    city::forgetHistory();
    reloadHistory();
}

bool BusQueryViewController::isHistory(const ui::TableView& tableView) const {
    return &tableView == queryUITableView.lock().get();
}

std::vector<BusQuery>& BusQueryViewController::recordsOf(const ui::TableView& tableView) {
    return isHistory(tableView) ? data : filterData;
}

void BusQueryViewController::reloadHistory() {
    if (auto table = queryUITableView.lock()) table->reloadData();
}

}  // namespace bus
