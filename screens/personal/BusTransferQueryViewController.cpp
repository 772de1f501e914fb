#include "screens/personal/BusTransferQueryViewController.h"

#include <algorithm>

#include "model/MySingleton.h"
#include "model/Value.h"
#include "platform/Translation.h"
#include "platform/ui/NavigationController.h"
#include "screens/common/BusCell.h"

namespace bus {

namespace {

// The stop hits' names, each once: a stop served by several lines or both
// directions comes back once per line and direction.
std::vector<std::string> stopNames(const std::vector<BusQuery>& hits) {
    std::vector<std::string> names;
    for (const auto& hit : hits) {
        if (integerValue(hit.attribute) != 1) continue;
        std::string name = textValue(hit.stationName);
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(std::move(name));
    }
    return names;
}

}  // namespace

BusTransferQueryViewController::BusTransferQueryViewController() {
    declareKey("_tag", _tag);
    // The search lives and dies with the screen, so its hits never reach a screen that is gone.
    search.changed = [this](const std::shared_ptr<const models::KeywordSearch::Snapshot>& hits) {
        data = stopNames(hits->hits);
        if (auto table = queryUITableView.lock()) table->reloadData();
    };
}

void BusTransferQueryViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    auto table = queryUITableView.lock();
    if (!table) return;
    setUpTable(*table, this, this);
    searchBar = std::make_shared<ui::SearchBar>(ui::Rect{0, 0, table->frame().width(), 44});
    // TRANSLATORS: the stop picker's field, before the rider types.
    searchBar->placeholder = platform::tr("输入站点名称");
    searchBar->delegate = this;
    table->setTableHeaderView(searchBar);
    searchBar->becomeFirstResponder();
}

void BusTransferQueryViewController::textDidChange(ui::SearchBar&, const std::string& searchText) {
    if (!searchText.empty()) {
        search.search(searchText);
        return;
    }
    search.clear();
    data.clear();
    if (auto table = queryUITableView.lock()) table->reloadData();
}

int BusTransferQueryViewController::numberOfSectionsInTableView(ui::TableView&) { return 1; }

int BusTransferQueryViewController::numberOfRowsInSection(ui::TableView&, int) {
    return static_cast<int>(data.size());
}

std::shared_ptr<ui::TableViewCell> BusTransferQueryViewController::cellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
    auto cell = dequeueCell(tableView);
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(data.size())) return cell;
    cell->textLabel()->setText(data[static_cast<std::size_t>(indexPath.row)]);
    cell->imageView()->setImage("station.png");
    return cell;
}

void BusTransferQueryViewController::didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& indexPath) {
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(data.size())) return;
    const std::string& name = data[static_cast<std::size_t>(indexPath.row)];
    auto& shared = MySingleton::sharedSingleton();
    const std::string tag = textValue(_tag);
    if (tag == "0") shared.startStation = name;
    if (tag == "1") shared.endStation = name;
    if (auto* navigation = navigationController()) navigation->popViewControllerAnimated(true);
}

}  // namespace bus
