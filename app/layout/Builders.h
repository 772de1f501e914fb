#pragma once
// Pieces that several screens' layouts build the same way.
#include <memory>
#include <string>

#include "platform/ui/Storyboard.h"
#include "platform/ui/TableView.h"

namespace bus::layout {

// The area between the navigation bar and the tab bar, where a screen's view
// goes.
inline constexpr double kScreenWidth = 375;
inline constexpr double kScreenHeight = 554;
inline const ui::Rect kFullScreen{0, 0, kScreenWidth, kScreenHeight};

// A table at the layout's frame for `outlet`, with the layout's "rowHeight",
// added to the screen's view.
std::shared_ptr<ui::TableView> addTable(ui::View& root, const ui::ScreenLayout& layout, const std::string& outlet);

// The build of a screen whose only view is its table, "queryUITableView".
template <class Screen>
auto tableScreen() {
    return ui::outlets<Screen>([](Screen& screen, ui::View& root, const ui::ScreenLayout& layout) {
        screen.queryUITableView = addTable(root, layout, "queryUITableView");
    });
}

}  // namespace bus::layout
