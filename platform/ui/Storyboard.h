#pragma once
// The layout resources: which screens exist (by name), how each one is laid
// out, which transition of which screen opens which screen, and how the
// screens are arranged when the app starts. The app fills one storyboard in
// one place; the toolkit reads it to make screens.
//
//   auto& sb = ui::Storyboard::main();
//   sb.screen<BusMoreViewController>("BusMore", {
//         .title = platform::tr("更多"),
//         .frames = {{"queryUITableView", {0, 0, 375, 554}}},
//         .metrics = {{"rowHeight", 44}},
//         .build = ui::outlets<BusMoreViewController>([](auto& screen, ui::View& root, const auto& layout) {
//             ...make the table with layout.frame("queryUITableView"), add it to root,
//             screen.queryUITableView = table; })});
//   sb.transition("BusMore", "busTime", "BusRefreshTime");
//   sb.initialTabs({{"BusMore", platform::tr("更多"), "tab_more.png", "tab_more_selected.png"}});
//
// Titles are texts of the rider's language when the layout is filled: the
// app chooses its language before it loads the storyboard.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ViewController.h"

namespace ui {

// One screen's layout. A screen's view is made with viewSize and background;
// build then adds the screen's views and sets its outlets, before viewDidLoad.
// Named frames, metrics (row heights...) and texts are there for the build
// function and for the screen's own code. Every member has a default, so a
// layout names only what it sets ({.title = "更多", .build = ...}).
struct ScreenLayout {
    std::string title{};  // navigation bar title
    // The area between the navigation bar and the tab bar.
    Size viewSize{375, 554};
    Color background = Color::white();
    std::map<std::string, Rect> frames{};
    std::map<std::string, double> metrics{};
    std::map<std::string, std::string> texts{};
    std::function<void(ViewController&, View& root, const ScreenLayout&)> build{};

    // Missing names give the fallback (and an empty rect / text).
    Rect frame(const std::string& name, Rect fallback = {}) const;
    double metric(const std::string& name, double fallback = 0) const;
    std::string text(const std::string& name) const;
};

// Adapts a build function written for one screen class.
template <class T>
std::function<void(ViewController&, View&, const ScreenLayout&)> outlets(
    std::function<void(T&, View&, const ScreenLayout&)> build) {
    return [build = std::move(build)](ViewController& screen, View& root, const ScreenLayout& layout) {
        if (auto* typed = dynamic_cast<T*>(&screen)) build(*typed, root, layout);
    };
}

class Storyboard {
public:
    using Factory = std::function<std::shared_ptr<ViewController>()>;

    struct Tab {
        std::string screen;
        std::string title;
        std::string image;
        std::string selectedImage;
    };

    struct Transition {
        std::string from;
        std::string identifier;
        std::string to;
    };

    // The storyboard that UIApplicationMain starts from.
    static Storyboard& main();

    Storyboard& screen(const std::string& name, Factory factory, ScreenLayout layout = {});
    template <class T>
    Storyboard& screen(const std::string& name, ScreenLayout layout = {}) {
        return screen(name, [] { return std::make_shared<T>(); }, std::move(layout));
    }
    Storyboard& transition(const std::string& from, const std::string& identifier, const std::string& to);
    // The start: a tab bar whose tabs are navigation stacks with these roots.
    Storyboard& initialTabs(std::vector<Tab> tabs);
    // The start: one navigation stack with this root (no tab bar).
    Storyboard& initialScreen(const std::string& name);
    // The colours of the initial navigation stacks' bars.
    Storyboard& navigationBarAppearance(const BarAppearance& appearance);

    bool hasScreen(const std::string& name) const;
    std::vector<std::string> screenNames() const;
    const std::vector<Transition>& transitions() const { return transitions_; }
    std::optional<std::string> destinationOf(const std::string& from, const std::string& identifier) const;
    std::shared_ptr<const ScreenLayout> layoutOf(const std::string& name) const;

    // A new screen of that name with its layout attached; null (and a log
    // line) for an unknown name.
    std::shared_ptr<ViewController> instantiateViewController(const std::string& name);
    // The initial arrangement, or null (and a log line) when none was given.
    std::shared_ptr<ViewController> instantiateInitialViewController();

    // Problems in what was registered: transitions or tabs naming screens
    // that do not exist, a transition bound twice. Empty when all is well.
    std::vector<std::string> validate() const;

    void clear();

private:
    std::shared_ptr<NavigationController> makeStack(std::shared_ptr<ViewController> root) const;

    struct Entry {
        Factory factory;
        std::shared_ptr<const ScreenLayout> layout;
    };
    std::map<std::string, Entry> screens_;
    std::vector<Transition> transitions_;
    std::vector<Tab> tabs_;
    std::string initialScreen_;
    BarAppearance barAppearance_;
};

}  // namespace ui
