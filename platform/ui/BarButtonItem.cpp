#include "platform/ui/BarButtonItem.h"

namespace ui {

BarButtonItem::BarButtonItem(std::string title, Action action) : action(std::move(action)), title_(std::move(title)) {}

BarButtonItem::BarButtonItem(ViewPtr customView) : customView_(std::move(customView)) {}

void BarButtonItem::trigger() {
    if (enabled && action) action(*this);
}

void NavigationItem::setTitle(std::string title) {
    title_ = std::move(title);
    changed();
}

void NavigationItem::setLeftBarButtonItem(BarButtonItemPtr item) {
    left_ = std::move(item);
    changed();
}

void NavigationItem::setRightBarButtonItems(std::vector<BarButtonItemPtr> items) {
    right_ = std::move(items);
    changed();
}

void NavigationItem::setRightBarButtonItem(BarButtonItemPtr item) {
    right_.clear();
    if (item) right_.push_back(std::move(item));
    changed();
}

void NavigationItem::setHidesBackButton(bool hides) {
    hidesBack_ = hides;
    changed();
}

}  // namespace ui
