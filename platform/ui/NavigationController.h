#pragma once
// A stack of screens under a navigation bar (44 points): the top screen's
// view fills the rest. The bar shows the top screen's navigation item: its
// title centred, its left item (or a back button "返回" on pushed screens)
// and its right items. Transitions are instant; the "animated" flags are
// accepted for the callers' sake.
//
// Appearance order on push and pop: the leaving screen's viewWillDisappear,
// the arriving screen's viewWillAppear, the leaving screen's
// viewDidDisappear, the arriving screen's viewDidAppear. Screens taken off
// the stack are released on the next turn of the main run loop, so a screen
// may pop itself from inside its own methods.
#include <memory>
#include <vector>

#include "platform/Translation.h"
#include "platform/ui/Color.h"
#include "platform/ui/TextMetrics.h"
#include "platform/ui/ViewController.h"

namespace ui {

class NavigationBar;

// The colours of a navigation bar: its background, its title, and its
// buttons (back button and titled items). A layout gives its app's own.
struct BarAppearance {
    Color background = kBarColor;
    Color title = Color::black();
    Color tint = Color::tint();
};

class NavigationController : public ViewController {
public:
    static constexpr double kBarHeight = 44;
    // Shown as tr(kBackTitle), in the rider's language.
    // TRANSLATORS: the navigation bar's back button, left of a pushed screen's title.
    static constexpr const char* kBackTitle = N_("返回");

    explicit NavigationController(std::shared_ptr<ViewController> root = nullptr);
    ~NavigationController() override;

    void pushViewController(std::shared_ptr<ViewController> controller, bool animated);
    // The popped screen, or null at the root.
    std::shared_ptr<ViewController> popViewControllerAnimated(bool animated);
    // The popped screens, bottom first.
    std::vector<std::shared_ptr<ViewController>> popToRootViewControllerAnimated(bool animated);
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, bool animated);

    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return stack_; }
    std::shared_ptr<ViewController> topViewController() const { return stack_.empty() ? nullptr : stack_.back(); }
    NavigationBar& navigationBar();
    // The bar's colours, kept for when the bar is made.
    void setBarAppearance(const BarAppearance& appearance);

    void loadView() override;
    std::string className() const override { return "NavigationController"; }
    // Pops the top screen, after giving a stack inside it the first go.
    bool goBack() override;

protected:
    std::vector<ViewController*> shownChildren() const override;

private:
    void replaceTop(std::shared_ptr<ViewController> leaving, std::shared_ptr<ViewController> arriving, bool animated);
    void layout();
    void bindBar();
    void releaseLater(std::vector<std::shared_ptr<ViewController>> popped);

    std::vector<std::shared_ptr<ViewController>> stack_;
    std::shared_ptr<NavigationBar> bar_;
    ViewPtr content_;
    NavigationItem* boundItem_ = nullptr;
    BarAppearance barAppearance_;
};

// The bar itself, rebuilt from the top screen's item whenever it changes.
class NavigationBar : public View {
public:
    explicit NavigationBar(NavigationController& owner);
    std::string className() const override { return "NavigationBar"; }
    void draw(Canvas& canvas) override;
    // Lays out the item: back button or left item, title, right items.
    void show(NavigationItem* item, bool backButton);
    const std::string& title() const { return title_; }
    void setFrame(const Rect& frame) override;
    const BarAppearance& appearance() const { return appearance_; }
    void setAppearance(const BarAppearance& appearance);
    // Forgets the owner (it is going away).
    void detach();

private:
    void rebuild();
    NavigationController* owner_;
    NavigationItem* item_ = nullptr;
    bool backButton_ = false;
    std::string title_;
    BarAppearance appearance_;
};

}  // namespace ui
