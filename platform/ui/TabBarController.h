#pragma once
// Tabs: one screen (usually a navigation stack) per tab, the selected one
// shown above a tab bar of 49 points. Selecting another tab tells the
// leaving screen it disappears and the arriving one it appears; selecting
// the shown tab again takes its navigation stack back to its root.
#include <memory>
#include <vector>

#include "platform/ui/ViewController.h"

namespace ui {

class TabBar;

class TabBarController : public ViewController {
public:
    static constexpr double kBarHeight = 49;

    TabBarController();
    ~TabBarController() override;

    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers);
    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return tabs_; }

    int selectedIndex() const { return selected_; }
    void setSelectedIndex(int index);
    std::shared_ptr<ViewController> selectedViewController() const;

    TabBar& tabBar();

    void loadView() override;
    std::string className() const override { return "TabBarController"; }

    // A tap on the tab bar at the given tab.
    void tabTapped(int index);

protected:
    std::vector<ViewController*> shownChildren() const override;

private:
    void layout();
    std::vector<std::shared_ptr<ViewController>> tabs_;
    int selected_ = -1;
    std::shared_ptr<TabBar> bar_;
    ViewPtr content_;
};

class TabBar : public View {
public:
    explicit TabBar(TabBarController& owner);
    std::string className() const override { return "TabBar"; }
    void draw(Canvas& canvas) override;
    void rebuild();
    void setFrame(const Rect& frame) override;

protected:
    AccessibilityRole defaultAccessibilityRole() const override { return AccessibilityRole::PageTabList; }

private:
    TabBarController& owner_;
};

}  // namespace ui
