#include "platform/ui/Storyboard.h"

#include <set>

#include "platform/Log.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"

namespace ui {

Rect ScreenLayout::frame(const std::string& name, Rect fallback) const {
    auto it = frames.find(name);
    return it == frames.end() ? fallback : it->second;
}

double ScreenLayout::metric(const std::string& name, double fallback) const {
    auto it = metrics.find(name);
    return it == metrics.end() ? fallback : it->second;
}

std::string ScreenLayout::text(const std::string& name) const {
    auto it = texts.find(name);
    return it == texts.end() ? std::string{} : it->second;
}

Storyboard& Storyboard::main() {
    static Storyboard storyboard;
    return storyboard;
}

Storyboard& Storyboard::screen(const std::string& name, Factory factory, ScreenLayout layout) {
    screens_[name] = Entry{std::move(factory), std::make_shared<const ScreenLayout>(std::move(layout))};
    return *this;
}

Storyboard& Storyboard::transition(const std::string& from, const std::string& identifier, const std::string& to) {
    transitions_.push_back({from, identifier, to});
    return *this;
}

Storyboard& Storyboard::initialTabs(std::vector<Tab> tabs) {
    tabs_ = std::move(tabs);
    initialScreen_.clear();
    return *this;
}

Storyboard& Storyboard::initialScreen(const std::string& name) {
    initialScreen_ = name;
    tabs_.clear();
    return *this;
}

bool Storyboard::hasScreen(const std::string& name) const { return screens_.count(name) != 0; }

std::vector<std::string> Storyboard::screenNames() const {
    std::vector<std::string> names;
    for (const auto& [name, entry] : screens_) names.push_back(name);
    return names;
}

std::optional<std::string> Storyboard::destinationOf(const std::string& from, const std::string& identifier) const {
    for (const auto& t : transitions_)
        if (t.from == from && t.identifier == identifier) return t.to;
    return std::nullopt;
}

std::shared_ptr<const ScreenLayout> Storyboard::layoutOf(const std::string& name) const {
    auto it = screens_.find(name);
    return it == screens_.end() ? nullptr : it->second.layout;
}

std::shared_ptr<ViewController> Storyboard::instantiateViewController(const std::string& name) {
    auto it = screens_.find(name);
    if (it == screens_.end() || !it->second.factory) {
        platform::NSLog("The storyboard has no screen \"" + name + "\"");
        return nullptr;
    }
    auto controller = it->second.factory();
    if (controller) controller->attachToStoryboard(this, name, it->second.layout);
    return controller;
}

Storyboard& Storyboard::navigationBarAppearance(const BarAppearance& appearance) {
    barAppearance_ = appearance;
    return *this;
}

std::shared_ptr<NavigationController> Storyboard::makeStack(std::shared_ptr<ViewController> root) const {
    auto nav = std::make_shared<NavigationController>(std::move(root));
    nav->setBarAppearance(barAppearance_);
    return nav;
}

std::shared_ptr<ViewController> Storyboard::instantiateInitialViewController() {
    if (!initialScreen_.empty()) {
        auto root = instantiateViewController(initialScreen_);
        return root ? makeStack(root) : nullptr;
    }
    if (tabs_.empty()) {
        platform::NSLog("The storyboard has no initial screens");
        return nullptr;
    }
    std::vector<std::shared_ptr<ViewController>> stacks;
    for (const auto& tab : tabs_) {
        auto root = instantiateViewController(tab.screen);
        if (!root) return nullptr;
        auto nav = makeStack(root);
        nav->tabBarItem() = TabBarItem{tab.title, tab.image, tab.selectedImage, static_cast<int>(stacks.size())};
        root->tabBarItem() = nav->tabBarItem();
        stacks.push_back(nav);
    }
    auto tabs = std::make_shared<TabBarController>();
    tabs->setViewControllers(std::move(stacks));
    return tabs;
}

std::vector<std::string> Storyboard::validate() const {
    std::vector<std::string> problems;
    std::set<std::pair<std::string, std::string>> bound;
    for (const auto& t : transitions_) {
        if (!hasScreen(t.from))
            problems.push_back("transition \"" + t.identifier + "\" starts at the unknown screen \"" + t.from + "\"");
        if (!hasScreen(t.to))
            problems.push_back("transition \"" + t.identifier + "\" from \"" + t.from + "\" opens the unknown screen \"" +
                               t.to + "\"");
        if (!bound.insert({t.from, t.identifier}).second)
            problems.push_back("transition \"" + t.identifier + "\" from \"" + t.from + "\" is bound twice");
    }
    for (const auto& tab : tabs_)
        if (!hasScreen(tab.screen)) problems.push_back("tab \"" + tab.title + "\" shows the unknown screen \"" + tab.screen + "\"");
    if (!initialScreen_.empty() && !hasScreen(initialScreen_))
        problems.push_back("the initial screen \"" + initialScreen_ + "\" is unknown");
    if (initialScreen_.empty() && tabs_.empty()) problems.push_back("there are no initial screens");
    return problems;
}

void Storyboard::clear() {
    screens_.clear();
    transitions_.clear();
    tabs_.clear();
    initialScreen_.clear();
}

}  // namespace ui
