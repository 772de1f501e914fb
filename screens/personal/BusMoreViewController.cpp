#include "screens/personal/BusMoreViewController.h"

#include <array>

#include "platform/Translation.h"
#include "screens/common/BusCell.h"

namespace bus {

namespace {
// Row i opens the screen bound to kRowTransitions[i].
constexpr std::array<const char*, 3> kRowTransitions{"busAbout", "busUserAgreement", "busTime"};
}  // namespace

void BusMoreViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    // TRANSLATORS: the rows of the More menu; each opens its screen.
    data = {platform::tr("关于我们"), platform::tr("用户协议"), platform::tr("设置刷新时间")};
    if (auto table = queryUITableView.lock()) {
        setUpTable(*table, this, this);
    }
}

int BusMoreViewController::numberOfSectionsInTableView(ui::TableView&) { return 1; }

int BusMoreViewController::numberOfRowsInSection(ui::TableView&, int) { return static_cast<int>(data.size()); }

std::shared_ptr<ui::TableViewCell> BusMoreViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                const ui::IndexPath& indexPath) {
    auto cell = dequeueCell(tableView);
    const auto row = static_cast<std::size_t>(indexPath.row);
    cell->textLabel()->setText(row < data.size() ? data[row] : std::string{});
    cell->accessoryType = ui::TableViewCellAccessoryType::DisclosureIndicator;
    return cell;
}

void BusMoreViewController::didSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) {
    // The menu is a list of places, not a choice: no row stays highlighted
    // for the rider's return.
    tableView.deselectRowAtIndexPath(indexPath, true);
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(kRowTransitions.size())) return;
    performSegueWithIdentifier(kRowTransitions[static_cast<std::size_t>(indexPath.row)], "0");
}

}  // namespace bus
