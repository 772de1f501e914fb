#pragma once
// The toolkit's accessible tree (platform/ui/Accessibility.h) as Qt's
// accessibility interfaces, which Qt's bridge hands to the desktop's
// accessibility bus (AT-SPI on Linux).
//
// The window is the PhoneWindow's interface (one factory, installed once);
// each node of the tree is one AccessibleView, made the first time assistive
// technology reaches it and kept for as long as its view lives. An interface
// holds its view weakly: once the view is gone (or off the window) it
// reports itself invalid, and nothing is deleted under Qt's bridge, which may
// still be reading it: the registration is dropped on the next turn of the
// event loop. A view that a screen rebuilds under the same accessibility
// identifier (a row, a marker, the nearest-vehicle cells) gets its old
// interface back, so a screen reader's object follows it and hears its new
// name as a change.
//
// After every run loop pass and input the bridge compares the tree with what
// it last told and sends the differences: names, values and states that
// changed, children that came, the focus, and alerts that appeared.
// While no assistive technology listens (QAccessible::isActive() is false)
// it does nothing, and the toolkit's views do not even notify it.
#include <QAccessible>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/ui/Accessibility.h"

namespace ui {
class View;
}

namespace platform::qt {

class PhoneWindow;

// A registration in Qt's table of interfaces that ends, deferred to the next
// turn of the event loop, when the owner goes. Move-only.
class RegisteredInterface {
public:
    RegisteredInterface() = default;
    explicit RegisteredInterface(QAccessibleInterface* iface);
    RegisteredInterface(RegisteredInterface&& other) noexcept;
    RegisteredInterface& operator=(RegisteredInterface&& other) noexcept;
    RegisteredInterface(const RegisteredInterface&) = delete;
    RegisteredInterface& operator=(const RegisteredInterface&) = delete;
    ~RegisteredInterface();

    QAccessible::Id id() const { return id_; }
    QAccessibleInterface* get() const;

private:
    void release();
    QAccessible::Id id_ = 0;
};

class AccessibilityBridge : public ui::AccessibilityObserver,
                            public QAccessible::ActivationObserver,
                            public std::enable_shared_from_this<AccessibilityBridge> {
public:
    explicit AccessibilityBridge(PhoneWindow& window);
    ~AccessibilityBridge() override;
    AccessibilityBridge(const AccessibilityBridge&) = delete;
    AccessibilityBridge& operator=(const AccessibilityBridge&) = delete;

    // Makes PhoneWindows known to Qt's accessibility; once per process.
    static void installFactory();

    PhoneWindow& phone() const { return window_; }
    // The interface of a node of the tree, made on first use.
    QAccessibleInterface* interfaceFor(ui::View& view);
    QAccessibleInterface* windowInterface() const;
    // The window's child nodes as assistive technology sees them.
    std::vector<ui::View*> topNodes() const;

    // Sends what changed since the last call; nothing while no assistive
    // technology listens or nothing changed.
    void sync();
    // Something happened that the views did not tell (input): look at all.
    void markChanged() { dirty_ = true; }
    // The window asks the views for nothing while this is false.
    bool listening() const { return listening_; }
    // Where the events go: Qt's accessibility, which hands them to the
    // platform's bridge while it is active.
    std::function<void(QAccessibleEvent&)> sendEvent = [](QAccessibleEvent& e) { QAccessible::updateAccessibility(&e); };

    // Assistive technology acting on a view: the action runs, the window
    // repaints and the changes are sent.
    void afterAction();

    void accessibilityNotification(ui::View& view, ui::AccessibilityNotification what) override;
    void accessibilityActiveChanged(bool active) override;

private:
    struct Entry;
    struct Told;  // what assistive technology was last told of a node
    Entry* entryFor(ui::View& view);
    Entry* rebind(ui::View& view);
    void walk(ui::View* node, Told& told, int depth, bool known);
    void tellChanges(QAccessibleInterface* iface, ui::View& view, Told& told);
    void sweep();
    void send(QAccessibleInterface* iface, QAccessible::Event type);
    void listen(bool on);

    PhoneWindow& window_;
    std::unordered_map<const ui::View*, std::unique_ptr<Entry>> entries_;
    // Entries whose views went, kept one sync for a rebuilt view to claim.
    std::vector<std::unique_ptr<Entry>> retired_;
    std::unique_ptr<Told> windowTold_;
    std::weak_ptr<ui::View> pendingFocus_;
    bool listening_ = false;
    bool dirty_ = true;
    bool syncing_ = false;
};

}  // namespace platform::qt
