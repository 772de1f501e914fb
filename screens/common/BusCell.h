#pragma once
// The tables of the app: how a screen sets one up, and the cell every one
// shows, under the reuse identifier "mycell" in the subtitle style.
#include <memory>

#include "model/BusQuery.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"

namespace bus {

inline constexpr char kCellIdentifier[] = "mycell";

// A screen answers for its table's rows (data source and delegate, unless
// they are null: a search display answers for its results table); its
// separators run edge to edge, and an empty footer ends them at the last row
// unless the screen brings a footer of its own. A screen whose table keeps
// the toolkit's inset, or its separators below the last row, says so.
struct TableLook {
    bool edgeToEdge = true;
    bool endAtLastRow = true;
    std::shared_ptr<ui::View> footer = nullptr;
};
void setUpTable(ui::TableView& table, ui::TableViewDataSource* source, ui::TableViewDelegate* delegate,
                const TableLook& look = {});

// A reused cell, or a new one.
std::shared_ptr<ui::TableViewCell> dequeueCell(ui::TableView& tableView);
// A search hit or a history row in its cell: a line by its name over its
// stops, a stop by its name over its line (any attribute but 0 shows as a
// stop, though only 1 hands a stop on), with its picture and its name for
// assistive technology.
std::shared_ptr<ui::TableViewCell> hitCell(ui::TableView& tableView, const BusQuery& hit);
// The same for a screen that adds its own subviews to the content view: a
// reused cell comes back with them removed, the last one first.
std::shared_ptr<ui::TableViewCell> dequeueClearedCell(ui::TableView& tableView);

}  // namespace bus
