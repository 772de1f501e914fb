#include "app/layout/Builders.h"

namespace bus::layout {

std::shared_ptr<ui::TableView> addTable(ui::View& root, const ui::ScreenLayout& layout, const std::string& outlet) {
    auto table = std::make_shared<ui::TableView>(layout.frame(outlet, root.bounds()));
    table->rowHeight = layout.metric("rowHeight", ui::TableView::kDefaultRowHeight);
    root.addSubview(table);
    return table;
}

}  // namespace bus::layout
