#include "screens/personal/BusRefreshTimeViewController.h"

#include <array>

#include "model/Preferences.h"
#include "model/Value.h"
#include "platform/Translation.h"
#include "platform/UserDefaults.h"
#include "platform/ui/ImageView.h"
#include "screens/common/BusCell.h"
#include "screens/common/Accessibility.h"

namespace bus {

namespace {

// The timed rows' intervals in seconds, stored as their decimal text; the
// last row stores "100", which means refreshing by hand, not 100 seconds.
// Rows past the table store "100" as well.
constexpr std::array<unsigned long, 3> kTimedRowSeconds{10, 20, 30};
constexpr char kByHandValue[] = "100";

std::string valueForRow(int row) {
    if (row >= 0 && row < static_cast<int>(kTimedRowSeconds.size()))
        return std::to_string(kTimedRowSeconds[static_cast<std::size_t>(row)]);
    return kByHandValue;
}

// The stored interval as the live bus screen reads it: the value's text read
// as an integer. Absent, or text that is no number, reads as 0.
long long storedInterval() {
    const auto stored = platform::UserDefaults::standard().objectForKey(prefs::kRefreshTime);
    return integerValue(json(textValue(stored.value_or(json()))));
}

// The row that carries the check mark for a stored interval, or -1: only the
// exact values that the rows write mark a row.
int checkedRow(long long interval) {
    switch (interval) {
        case 10: return 0;
        case 20: return 1;
        case 30: return 2;
        case 100: return 3;
        default: return -1;
    }
}

}  // namespace

void BusRefreshTimeViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    data.clear();
    for (const unsigned long seconds : kTimedRowSeconds)
        // TRANSLATORS: a refresh interval the rider may choose: every {} seconds.
        data.push_back(platform::counted("{}秒", "{}秒", seconds));
    // TRANSLATORS: the refresh interval row for refreshing only when the rider asks.
    data.push_back(platform::tr("手动刷新"));
    if (auto table = queryUITableView.lock()) {
        setUpTable(*table, this, this);
    }
}

int BusRefreshTimeViewController::numberOfSectionsInTableView(ui::TableView&) { return 1; }

int BusRefreshTimeViewController::numberOfRowsInSection(ui::TableView&, int) {
    return static_cast<int>(data.size());
}

std::shared_ptr<ui::TableViewCell> BusRefreshTimeViewController::cellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
    // A reused cell may still carry the check mark of the row it showed.
    auto cell = dequeueClearedCell(tableView);
    const auto row = static_cast<std::size_t>(indexPath.row);
    cell->textLabel()->setText(row < data.size() ? data[row] : std::string{});

    if (checkedRow(storedInterval()) == indexPath.row) {
        double width = 0;
        if (auto table = queryUITableView.lock()) width = table->frame().width();
        cell->contentView()->addSubview(
            std::make_shared<ui::ImageView>(ui::Rect{width - 50, 15, 18, 12}, kCheckMarkImage));
    }
    a11y::markChosen(*cell, checkedRow(storedInterval()) == indexPath.row);
    return cell;
}

void BusRefreshTimeViewController::didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& indexPath) {
    auto& defaults = platform::UserDefaults::standard();
    defaults.setObject(valueForRow(indexPath.row), prefs::kRefreshTime);
    defaults.synchronize();
    if (auto table = queryUITableView.lock()) table->reloadData();
}

}  // namespace bus
