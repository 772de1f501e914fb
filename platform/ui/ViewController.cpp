#include "platform/ui/ViewController.h"

#include <cxxabi.h>

#include <cstdlib>
#include <typeinfo>

#include "platform/Log.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/Window.h"

namespace ui {

void ControllerView::setFrame(const Rect& frame) {
    View::setFrame(frame);
    if (onFrameChange) onFrameChange();
}

void ControllerView::touchesBegan(const Touch& t) {
    if (controller_)
        controller_->touchesBegan(t);
    else
        View::touchesBegan(t);
}
void ControllerView::touchesMoved(const Touch& t) {
    if (controller_)
        controller_->touchesMoved(t);
    else
        View::touchesMoved(t);
}
void ControllerView::touchesEnded(const Touch& t) {
    if (controller_)
        controller_->touchesEnded(t);
    else
        View::touchesEnded(t);
}
void ControllerView::touchesCancelled(const Touch& t) {
    if (controller_)
        controller_->touchesCancelled(t);
    else
        View::touchesCancelled(t);
}

ViewController::ViewController() = default;

ViewController::~ViewController() {
    // The view may outlive the screen (someone else holds it); it must not
    // hand touches to a screen that is gone.
    if (auto* root = dynamic_cast<ControllerView*>(view_.get()); root && root->controller() == this) {
        root->detach();
        root->onFrameChange = nullptr;
    }
}

const ViewPtr& ViewController::view() {
    if (!view_ && !loading_) {
        loading_ = true;
        loadView();
        if (!view_) view_ = makeRootView({0, 0, layout().viewSize.width, layout().viewSize.height});
        loading_ = false;
        viewDidLoad();
    }
    return view_;
}

void ViewController::setView(ViewPtr view) { view_ = std::move(view); }

ViewController* ViewController::visibleScreen() {
    const auto shown = shownChildren();
    return shown.empty() ? this : shown.front()->visibleScreen();
}

bool ViewController::goBack() {
    for (ViewController* child : shownChildren())
        if (child->goBack()) return true;
    return false;
}

ViewPtr ViewController::makeRootView(const Rect& frame) { return std::make_shared<ControllerView>(frame, this); }

void ViewController::loadContainerView(const ViewPtr& content, const ViewPtr& bar, std::function<void()> layout,
                                       const std::shared_ptr<ViewController>& shown) {
    auto root = std::make_shared<ControllerView>(Window::contentFrame().offsetBy(0, -Window::kStatusBarHeight), this);
    root->backgroundColor = Color::white();
    root->addSubview(content);
    root->addSubview(bar);
    root->onFrameChange = layout;
    setView(root);
    layout();
    if (shown) {
        shown->view()->setFrame(content->bounds());
        content->addSubview(shown->view());
    }
}

void ViewController::loadView() {
    const ScreenLayout& l = layout();
    auto root = makeRootView({0, 0, l.viewSize.width, l.viewSize.height});
    root->backgroundColor = l.background;
    view_ = root;
    if (l.build) l.build(*this, *root, l);
}

const ScreenLayout& ViewController::layout() const {
    static const ScreenLayout empty;
    return layout_ ? *layout_ : empty;
}

void ViewController::attachToStoryboard(Storyboard* storyboard, std::string identifier,
                                        std::shared_ptr<const ScreenLayout> layout) {
    storyboard_ = storyboard;
    storyboardIdentifier_ = std::move(identifier);
    layout_ = std::move(layout);
    if (layout_ && !layout_->title.empty()) navigationItem_.setTitle(layout_->title);
}

std::string ViewController::className() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : mangled;
    std::free(demangled);
    if (auto colon = name.rfind("::"); colon != std::string::npos) name = name.substr(colon + 2);
    return name;
}

NavigationController* ViewController::navigationController() const {
    for (ViewController* c = parent_; c; c = c->parent_)
        if (auto* nav = dynamic_cast<NavigationController*>(c)) return nav;
    return nullptr;
}

TabBarController* ViewController::tabBarController() const {
    for (ViewController* c = parent_; c; c = c->parent_)
        if (auto* tabs = dynamic_cast<TabBarController*>(c)) return tabs;
    return nullptr;
}

void ViewController::performSegueWithIdentifier(const std::string& identifier, const std::string& sender) {
    if (!storyboard_) {
        platform::NSLog(className() + " is not from a storyboard; the transition \"" + identifier +
                        "\" opens nothing");
        return;
    }
    const auto destination = storyboard_->destinationOf(storyboardIdentifier_, identifier);
    if (!destination) {
        platform::NSLog("No transition \"" + identifier + "\" from the screen \"" + storyboardIdentifier_ + "\"");
        return;
    }
    NavigationController* nav = navigationController();
    if (!nav) {
        platform::NSLog("The transition \"" + identifier + "\" needs a navigation stack; \"" +
                        storyboardIdentifier_ + "\" is on none");
        return;
    }
    auto next = storyboard_->instantiateViewController(*destination);
    if (!next) return;
    // Both ends stay alive through prepareForSegue and the push, whatever the
    // screens do meanwhile.
    auto keepNav = nav->weak_from_this().lock();
    StoryboardSegue segue(identifier, weak_from_this().lock(), next);
    prepareForSegue(segue, sender);
    nav->pushViewController(next, true);
}

void ViewController::declareKey(const std::string& key, std::function<void(const nlohmann::json&)> set,
                                std::function<nlohmann::json()> get) {
    keys_[key] = Key{std::move(set), std::move(get)};
}

void ViewController::setValue(const nlohmann::json& value, const std::string& key) {
    auto it = keys_.find(key);
    if (it == keys_.end() || !it->second.set) {
        setValueForUndefinedKey(value, key);
        return;
    }
    try {
        it->second.set(value);
    } catch (const nlohmann::json::exception&) {
        platform::NSLog("setValue:forKey: the value " + value.dump() + " does not fit the key \"" + key + "\" of " +
                        className());
    }
}

nlohmann::json ViewController::valueForKey(const std::string& key) const {
    auto it = keys_.find(key);
    if (it == keys_.end() || !it->second.get) {
        platform::NSLog("valueForKey: " + className() + " has no key \"" + key + "\"");
        return nullptr;
    }
    return it->second.get();
}

void ViewController::setValueForUndefinedKey(const nlohmann::json& value, const std::string& key) {
    platform::NSLog("setValue:forKey: " + className() + " has no key \"" + key + "\"; the value " + value.dump() +
                    " is dropped");
}

void ViewController::touchesBegan(const Touch& t) {
    if (view_ && view_->superview()) view_->superview()->touchesBegan(t);
}
void ViewController::touchesMoved(const Touch& t) {
    if (view_ && view_->superview()) view_->superview()->touchesMoved(t);
}
void ViewController::touchesEnded(const Touch& t) {
    if (view_ && view_->superview()) view_->superview()->touchesEnded(t);
}
void ViewController::touchesCancelled(const Touch& t) {
    if (view_ && view_->superview()) view_->superview()->touchesCancelled(t);
}

void ViewController::beginAppearanceTransition(bool appearing, bool animated) {
    if (appearing) {
        if (isOnScreen()) return;
        view();
        appearance_ = Appearance::Appearing;
        appearanceAnimated_ = animated;
        viewWillAppear(animated);
    } else {
        if (!isOnScreen()) return;
        appearance_ = Appearance::Disappearing;
        appearanceAnimated_ = animated;
        viewWillDisappear(animated);
    }
    for (ViewController* child : shownChildren()) child->beginAppearanceTransition(appearing, animated);
}

void ViewController::endAppearanceTransition() {
    if (appearance_ == Appearance::Appearing) {
        appearance_ = Appearance::Shown;
        viewDidAppear(appearanceAnimated_);
    } else if (appearance_ == Appearance::Disappearing) {
        appearance_ = Appearance::Hidden;
        viewDidDisappear(appearanceAnimated_);
    } else {
        return;
    }
    for (ViewController* child : shownChildren()) child->endAppearanceTransition();
}

}  // namespace ui
