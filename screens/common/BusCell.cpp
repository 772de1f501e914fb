#include "screens/common/BusCell.h"

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

}  // namespace bus
