#pragma once
// A screen. Its view is made once, on first use (loadView, then viewDidLoad),
// from the screen's layout in the storyboard when it came from one. The
// containers (navigation and tab controllers, the window) tell it when it
// appears and disappears. Values are handed to it by key name (setValue) for
// the keys it declares; an unknown key is logged, not fatal.
//
// Touches that no view of the screen handles reach the screen
// (touchesBegan...), then go on to the view's superview, as a responder chain.
#include <functional>
#include <map>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Segue.h"
#include "platform/ui/View.h"

namespace ui {

class NavigationController;
class TabBarController;
class Storyboard;
struct ScreenLayout;

// What a tab shows for its screen.
struct TabBarItem {
    std::string title;
    std::string imageName;
    std::string selectedImageName;
    int tag = 0;
};

class ViewController : public std::enable_shared_from_this<ViewController> {
public:
    ViewController();
    virtual ~ViewController();
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    // The screen's view, loaded on first use.
    const ViewPtr& view();
    bool isViewLoaded() const { return view_ != nullptr; }
    // Replaces the view (for loadView overrides). Touches reach the screen
    // only through views made by makeRootView.
    void setView(ViewPtr view);

    // Lifecycle, for screens to override.
    virtual void loadView();
    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool /*animated*/) {}
    virtual void viewDidAppear(bool /*animated*/) {}
    virtual void viewWillDisappear(bool /*animated*/) {}
    virtual void viewDidDisappear(bool /*animated*/) {}
    virtual void didReceiveMemoryWarning() {}

    // True between viewDidAppear and viewWillDisappear.
    bool isVisible() const { return appearance_ == Appearance::Shown; }

    // Bars.
    NavigationItem& navigationItem() { return navigationItem_; }
    const std::string& title() const { return navigationItem_.title(); }
    void setTitle(std::string title) { navigationItem_.setTitle(std::move(title)); }
    TabBarItem& tabBarItem() { return tabBarItem_; }

    // Containers this screen sits in (null when none).
    ViewController* parentViewController() const { return parent_; }
    NavigationController* navigationController() const;
    TabBarController* tabBarController() const;

    // Transitions: the destination bound to the identifier for this screen in
    // its storyboard is made, prepareForSegue runs on this screen, and the
    // destination is pushed on this screen's navigation stack. An identifier
    // with no binding, or a screen with no stack, is logged and nothing opens.
    void performSegueWithIdentifier(const std::string& identifier, const std::string& sender);
    virtual void prepareForSegue(StoryboardSegue& /*segue*/, const std::string& /*sender*/) {}

    // Hand-over of named values. Numbers and strings keep their JSON types.
    void setValue(const nlohmann::json& value, const std::string& key);
    nlohmann::json valueForKey(const std::string& key) const;
    // Called for a key the screen did not declare; the default logs it.
    virtual void setValueForUndefinedKey(const nlohmann::json& value, const std::string& key);
    bool hasKey(const std::string& key) const { return keys_.count(key) != 0; }

    // Responder hooks: by default a touch goes on to the superview of the
    // screen's view.
    virtual void touchesBegan(const Touch& t);
    virtual void touchesMoved(const Touch& t);
    virtual void touchesEnded(const Touch& t);
    virtual void touchesCancelled(const Touch& t);

    // Where the screen came from (set by Storyboard::instantiateViewController).
    const std::string& storyboardIdentifier() const { return storyboardIdentifier_; }
    Storyboard* storyboard() const { return storyboard_; }
    // The screen's layout, or an empty one.
    const ScreenLayout& layout() const;
    void attachToStoryboard(Storyboard* storyboard, std::string identifier,
                            std::shared_ptr<const ScreenLayout> layout);

    // For log lines and descriptions.
    virtual std::string className() const;

    // Appearance as driven by the containers; each call reaches the screens
    // that show inside this one. Calling it again for the same change does
    // nothing, so each screen hears each change once.
    void beginAppearanceTransition(bool appearing, bool animated);
    void endAppearanceTransition();

    // A plain view that passes the touches nobody handled to this screen.
    ViewPtr makeRootView(const Rect& frame);

    // The screen that shows innermost in this one (this one when it holds
    // no other): the top of the selected tab's navigation stack.
    ViewController* visibleScreen();
    // The keyboard's way back (Escape): the innermost navigation stack that
    // can pop does. False when there is nowhere to go back to.
    virtual bool goBack();

protected:
    // Declares a key for setValue/valueForKey.
    void declareKey(const std::string& key, std::function<void(const nlohmann::json&)> set,
                    std::function<nlohmann::json()> get = {});
    // Declares a key stored in a member; the value is converted to the
    // member's type (a mismatch is logged and the member stays unchanged).
    template <class T>
    void declareKey(const std::string& key, T& member) {
        declareKey(
            key, [&member](const nlohmann::json& v) { member = v.template get<T>(); },
            [&member] { return nlohmann::json(member); });
    }

    // True from viewWillAppear until viewWillDisappear: the screen is, or is
    // about to be, on the window.
    bool isOnScreen() const { return appearance_ == Appearance::Appearing || appearance_ == Appearance::Shown; }

    // The screens that show inside this one now (containers override).
    virtual std::vector<ViewController*> shownChildren() const { return {}; }

    // Containers adopt and release their children.
    void adoptChild(ViewController& child) { child.parent_ = this; }
    // A container's view: a white root below the status bar holding the
    // children's `content` area under the container's `bar`. `layout` places
    // them now and whenever the root's frame changes; the shown child's view
    // then fills `content`.
    void loadContainerView(const ViewPtr& content, const ViewPtr& bar, std::function<void()> layout,
                           const std::shared_ptr<ViewController>& shown);
    static void releaseChild(ViewController& child) { child.parent_ = nullptr; }

private:
    enum class Appearance { Hidden, Appearing, Shown, Disappearing };
    struct Key {
        std::function<void(const nlohmann::json&)> set;
        std::function<nlohmann::json()> get;
    };

    ViewPtr view_;
    bool loading_ = false;
    NavigationItem navigationItem_;
    TabBarItem tabBarItem_;
    ViewController* parent_ = nullptr;
    Appearance appearance_ = Appearance::Hidden;
    bool appearanceAnimated_ = false;
    std::map<std::string, Key> keys_;
    std::string storyboardIdentifier_;
    Storyboard* storyboard_ = nullptr;
    std::shared_ptr<const ScreenLayout> layout_;
};

using ViewControllerPtr = std::shared_ptr<ViewController>;

// The root view of a screen: touches that none of its subviews handled go to
// the screen. Containers also use it to lay out their children when their
// own frame changes.
class ControllerView : public View {
public:
    ControllerView(const Rect& frame, ViewController* controller) : View(frame), controller_(controller) {}
    void setFrame(const Rect& frame) override;
    void touchesBegan(const Touch& t) override;
    void touchesMoved(const Touch& t) override;
    void touchesEnded(const Touch& t) override;
    void touchesCancelled(const Touch& t) override;
    ViewController* controller() const { return controller_; }
    void detach() { controller_ = nullptr; }
    std::function<void()> onFrameChange;

private:
    ViewController* controller_;
};

}  // namespace ui
