#pragma once
// The cell every table of the app shows, under the reuse identifier "mycell"
// in the subtitle style.
#include <memory>

#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"

namespace bus {

inline constexpr char kCellIdentifier[] = "mycell";

// A reused cell, or a new one.
std::shared_ptr<ui::TableViewCell> dequeueCell(ui::TableView& tableView);
// The same for a screen that adds its own subviews to the content view: a
// reused cell comes back with them removed, the last one first.
std::shared_ptr<ui::TableViewCell> dequeueClearedCell(ui::TableView& tableView);

}  // namespace bus
