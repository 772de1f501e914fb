#include "screens/common/BusCell.h"

#include "model/Value.h"
#include "screens/common/Accessibility.h"

namespace bus {

void setUpTable(ui::TableView& table, ui::TableViewDataSource* source, ui::TableViewDelegate* delegate,
                const TableLook& look) {
    if (source) table.setDataSource(source);
    if (delegate) table.setDelegate(delegate);
    if (look.edgeToEdge) table.separatorInset = {0, 0, 0, 0};
    if (look.endAtLastRow) table.setTableFooterView(look.footer ? look.footer : std::make_shared<ui::View>());
}

std::shared_ptr<ui::TableViewCell> dequeueCell(ui::TableView& tableView) {
    if (auto cell = tableView.dequeueReusableCellWithIdentifier(kCellIdentifier)) return cell;
    return std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Subtitle, kCellIdentifier);
}

std::shared_ptr<ui::TableViewCell> dequeueClearedCell(ui::TableView& tableView) {
    auto cell = tableView.dequeueReusableCellWithIdentifier(kCellIdentifier);
    if (!cell) return std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Subtitle, kCellIdentifier);
    const auto& content = cell->contentView();
    while (!content->subviews().empty()) content->subviews().back()->removeFromSuperview();
    return cell;
}

std::shared_ptr<ui::TableViewCell> hitCell(ui::TableView& tableView, const BusQuery& hit) {
    auto cell = dequeueCell(tableView);
    const bool stop = integerValue(hit.attribute) != 0;
    cell->textLabel()->setText(textValue(stop ? hit.stationName : hit.lineName));
    cell->detailTextLabel()->setText(textValue(stop ? hit.lineName : hit.stationName));
    cell->imageView()->setImage(stop ? "station.png" : "bus.png");
    a11y::nameSearchHit(*cell, hit);
    return cell;
}

}  // namespace bus
