#pragma once
// Items of the navigation bar: a titled button with an action, or a custom
// view (a screen's own button) that the bar places at its edge and that
// handles its own touches.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/View.h"

namespace ui {

class BarButtonItem {
public:
    using Action = std::function<void(BarButtonItem&)>;

    BarButtonItem(std::string title, Action action);
    explicit BarButtonItem(ViewPtr customView);

    static std::shared_ptr<BarButtonItem> withTitle(std::string title, Action action) {
        return std::make_shared<BarButtonItem>(std::move(title), std::move(action));
    }
    static std::shared_ptr<BarButtonItem> withCustomView(ViewPtr customView) {
        return std::make_shared<BarButtonItem>(std::move(customView));
    }

    const std::string& title() const { return title_; }
    const ViewPtr& customView() const { return customView_; }
    // What a tap on a titled item does (target and action in one).
    void trigger();

    Action action;
    bool enabled = true;
    int tag = 0;

private:
    std::string title_;
    ViewPtr customView_;
};

using BarButtonItemPtr = std::shared_ptr<BarButtonItem>;

// A screen's entry in the navigation bar. The bar shows the item of the top
// screen and follows its changes at once.
class NavigationItem {
public:
    const std::string& title() const { return title_; }
    void setTitle(std::string title);

    const BarButtonItemPtr& leftBarButtonItem() const { return left_; }
    void setLeftBarButtonItem(BarButtonItemPtr item);

    // Right items, the first one at the right edge.
    const std::vector<BarButtonItemPtr>& rightBarButtonItems() const { return right_; }
    void setRightBarButtonItems(std::vector<BarButtonItemPtr> items);
    void setRightBarButtonItem(BarButtonItemPtr item);
    BarButtonItemPtr rightBarButtonItem() const { return right_.empty() ? nullptr : right_.front(); }

    // Pushed screens get a back button unless they hide it or put their own
    // item on the left.
    bool hidesBackButton() const { return hidesBack_; }
    void setHidesBackButton(bool hides);

    // Called after every change (the navigation bar showing this item).
    std::function<void()> onChange;

private:
    void changed() {
        if (onChange) onChange();
    }
    std::string title_;
    BarButtonItemPtr left_;
    std::vector<BarButtonItemPtr> right_;
    bool hidesBack_ = false;
};

}  // namespace ui
