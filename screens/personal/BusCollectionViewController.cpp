#include "screens/personal/BusCollectionViewController.h"

#include "model/Preferences.h"
#include "model/Value.h"
#include "platform/RunLoop.h"
#include "platform/Translation.h"
#include "platform/ui/Label.h"
#include "screens/common/Accessibility.h"
#include "screens/common/BusCell.h"
#include "screens/common/BusCityButton.h"
#include "transit/LiveRules.h"

namespace bus {

namespace {

constexpr char kHandOverSender[] = "0";
const ui::Color kLiveTextColor{85.0 / 255, 205.0 / 255, 1.0, 1.0};
const ui::Color kOfflineColor = ui::Color::darkGray();
ui::Rect offlineMarkFrame(double width) { return {width - 100, 30, 100, 13}; }
// Over the live text, in the row's free upper right corner.
const ui::Color kAlertColor = ui::Color::rgba(0.9, 0.55, 0.0);
ui::Rect alertMarkFrame(double width) { return {width - 100, 0, 96, 11}; }

}  // namespace

BusCollectionViewController::BusCollectionViewController() {
    handedOver.declareKeys([this](const char* key, auto& member) { declareKey(key, member); });
    // The model lives and dies with the screen, so its snapshots never reach a screen that is gone.
    favourites.changed = [this](const std::shared_ptr<const models::Favourites::Snapshot>& next) {
        data = next;
        if (auto table = queryUITableView.lock()) table->reloadData();
    };
}

void BusCollectionViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    // Before anything reads the city: the first start has none stored.
    prefs::seedFirstStart();
    if (auto table = queryUITableView.lock()) {
        setUpTable(*table, this, this);
    }
}

void BusCollectionViewController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    showCityButton(*this, &BusCollectionViewController::switchCity);
    favourites.reload();
}

int BusCollectionViewController::numberOfSectionsInTableView(ui::TableView&) { return 1; }

int BusCollectionViewController::numberOfRowsInSection(ui::TableView&, int) {
    return static_cast<int>(data->rows.size());
}

std::shared_ptr<ui::TableViewCell> BusCollectionViewController::cellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
    auto cell = dequeueClearedCell(tableView);
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(data->rows.size())) return cell;

    const auto& row = data->rows[static_cast<std::size_t>(indexPath.row)];
    const BusCollection& favourite = row.favourite;
    auto& content = *cell->contentView();
    content.addSubview(ui::makeLabel({10, 0, 300, 20},
                                     textValue(favourite.lineName) + "   " + textValue(favourite.stationName),
                                     ui::Font::boldSystem(18)));
    // TRANSLATORS: under a favourite's line and stop; {} is the line's last stop in its direction.
    const std::string way = platform::fill(platform::tr("{}方向"), {textValue(favourite.endLine)});
    content.addSubview(ui::makeLabel({10, 20, 300, 20}, way, ui::Font::boldSystem(15)));
    double width = tableView.frame().width();
    if (auto table = queryUITableView.lock()) width = table->frame().width();
    const ui::Rect liveFrame{width - 100, 10, 100, 20};
    // Until its reply is in, a row shows no live text: neither a text nor
    // the words for none would be true yet.
    const std::string live = row.liveText.value_or("");
    if (!live.empty())
        content.addSubview(
            ui::makeLabel(liveFrame, live, ui::Font::boldSystem(20), row.offline ? kOfflineColor : kLiveTextColor));
    else if (row.liveText)
        // TRANSLATORS: at the right of a favourite whose stop has no live text, in 100 points at 18
        // points bold: keep it short; the row's spoken name says the whole "无实时信息".
        content.addSubview(
            ui::makeLabel(liveFrame, platform::trc("favourite row", "无实时信息"), ui::Font::boldSystem(18)));
    // The last text the service gave, greyed, with the mark under it in the
    // row's free lower right corner.
    if (row.offline)
        content.addSubview(ui::makeLabel(offlineMarkFrame(width), platform::tr(live::kOfflineMark),
                                         ui::Font::system(11), kOfflineColor));
    if (row.alerted)
        content.addSubview(ui::makeLabel(alertMarkFrame(width), platform::tr(live::kAlertMark),
                                         ui::Font::boldSystem(10), kAlertColor, ui::TextAlignment::Right));
    a11y::nameFavourite(*cell, favourite, live, row.offline, row.alerted);
    return cell;
}

void BusCollectionViewController::didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& indexPath) {
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(data->rows.size())) return;
    const BusCollection& favourite = data->rows[static_cast<std::size_t>(indexPath.row)].favourite;
    handedOver = LineHandOver::at(favourite.lineId, favourite.direction, favourite.stationName);
    performSegueWithIdentifier("busReal", kHandOverSender);
}

ui::TableViewCellEditingStyle BusCollectionViewController::editingStyleForRowAtIndexPath(ui::TableView&,
                                                                                         const ui::IndexPath&) {
    return ui::TableViewCellEditingStyle::Delete;
}

void BusCollectionViewController::commitEditingStyle(ui::TableView&, ui::TableViewCellEditingStyle editingStyle,
                                                     const ui::IndexPath& indexPath) {
    // Only a deletion deletes; a row the last read no longer holds names no
    // favourite.
    if (editingStyle != ui::TableViewCellEditingStyle::Delete) return;
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(data->rows.size())) return;
    const BusCollection gone = data->rows[static_cast<std::size_t>(indexPath.row)].favourite;
    favourites.remove(gone);
    // TRANSLATORS: the notice after a favourite was deleted, up for a second.
    showNotice(platform::tr("删除成功"));
}

void BusCollectionViewController::prepareForSegue(ui::StoryboardSegue& segue, const std::string& sender) {
    if (sender != kHandOverSender) return;
    auto* destination = segue.destinationViewController();
    handedOver.handTo(*destination);
}

void BusCollectionViewController::switchCity(ui::Control&) { performSegueWithIdentifier("busCity", "1"); }

void BusCollectionViewController::addUIButton(ui::BarButtonItem&) {
    performSegueWithIdentifier("busCollectionQuery", "1");
}

void BusCollectionViewController::dismss(const std::shared_ptr<platform::AlertView>& alert) {
    if (alert) alert->dismissWithClickedButtonIndex(0, true);
}

void BusCollectionViewController::showNotice(const std::string& title) {
    auto alert = platform::AlertView::create(title, "", this);
    alert->show();
    // The delayed call holds the alert, not the screen: a notice that outlived
    // its screen would otherwise block every touch for good.
    platform::RunLoop::main().performAfterDelay(kNoticeSeconds, [alert] { dismss(alert); });
}

}  // namespace bus
