#include "platform/qt/Accessibility.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>

#include "platform/qt/AccessibleView.h"
#include "platform/qt/PhoneWindow.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace platform::qt {

namespace {

QAccessibleInterface* phoneWindowInterface(const QString&, QObject* object) {
    if (auto* phone = dynamic_cast<PhoneWindow*>(object)) return new AccessibleWindow(*phone);
    return nullptr;
}

}  // namespace

// ---- RegisteredInterface ----

RegisteredInterface::RegisteredInterface(QAccessibleInterface* iface)
    : id_(QAccessible::registerAccessibleInterface(iface)) {}

RegisteredInterface::RegisteredInterface(RegisteredInterface&& other) noexcept : id_(std::exchange(other.id_, 0)) {}

RegisteredInterface& RegisteredInterface::operator=(RegisteredInterface&& other) noexcept {
    if (this != &other) {
        release();
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

RegisteredInterface::~RegisteredInterface() { release(); }

QAccessibleInterface* RegisteredInterface::get() const { return id_ ? QAccessible::accessibleInterface(id_) : nullptr; }

void RegisteredInterface::release() {
    if (!id_) return;
    const QAccessible::Id id = std::exchange(id_, 0);
    // Qt's bridge may be in the middle of reading the interface (a call from
    // assistive technology that ran a screen's code): it goes afterwards.
    if (auto* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [id] { QAccessible::deleteAccessibleInterface(id); }, Qt::QueuedConnection);
    else
        QAccessible::deleteAccessibleInterface(id);
}

// ---- The bridge ----

struct AccessibilityBridge::Told {
    bool known = false;
    QString name;
    QString value;
    bool selected = false, checked = false, disabled = false;
    std::vector<QAccessible::Id> children;
};

struct AccessibilityBridge::Entry {
    std::weak_ptr<ui::View> view;
    AccessibleView* iface = nullptr;  // Qt's table owns it, through the registration
    RegisteredInterface registration;
    std::string identifier;
    Told told;
};

AccessibilityBridge::AccessibilityBridge(PhoneWindow& window) : window_(window), windowTold_(std::make_unique<Told>()) {
    installFactory();
    QAccessible::installActivationObserver(this);
    listen(QAccessible::isActive());
}

AccessibilityBridge::~AccessibilityBridge() {
    QAccessible::removeActivationObserver(this);
    listen(false);
}

void AccessibilityBridge::installFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(phoneWindowInterface);
        return true;
    }();
    (void)installed;
}

void AccessibilityBridge::accessibilityActiveChanged(bool active) { listen(active); }

void AccessibilityBridge::listen(bool on) {
    if (on == listening_) return;
    listening_ = on;
    dirty_ = true;
    window_.window().setAccessibilityObserver(on ? this : nullptr);
}

void AccessibilityBridge::accessibilityNotification(ui::View& view, ui::AccessibilityNotification what) {
    dirty_ = true;
    if (what == ui::AccessibilityNotification::FocusChanged) pendingFocus_ = view.weak_from_this();
}

QAccessibleInterface* AccessibilityBridge::windowInterface() const {
    return QAccessible::queryAccessibleInterface(&window_);
}

std::vector<ui::View*> AccessibilityBridge::topNodes() const {
    return ui::accessibility::children(window_.window().rootView());
}

QAccessibleInterface* AccessibilityBridge::interfaceFor(ui::View& view) {
    Entry* entry = entryFor(view);
    return entry ? entry->iface : nullptr;
}

AccessibilityBridge::Entry* AccessibilityBridge::entryFor(ui::View& view) {
    if (auto it = entries_.find(&view); it != entries_.end()) {
        if (it->second->view.lock().get() == &view) return it->second.get();
        // A new view where a gone one lived.
        retired_.push_back(std::move(it->second));
        entries_.erase(it);
    }
    if (Entry* rebound = rebind(view)) return rebound;
    auto entry = std::make_unique<Entry>();
    entry->view = view.weak_from_this();
    entry->iface = new AccessibleView(weak_from_this(), entry->view);
    entry->registration = RegisteredInterface(entry->iface);
    entry->identifier = view.accessibilityIdentifier();
    Entry* raw = entry.get();
    entries_[&view] = std::move(entry);
    return raw;
}

AccessibilityBridge::Entry* AccessibilityBridge::rebind(ui::View& view) {
    const std::string identifier = view.accessibilityIdentifier();
    if (identifier.empty()) return nullptr;
    auto claims = [&](const std::unique_ptr<Entry>& e) { return e->identifier == identifier && e->view.expired(); };
    std::unique_ptr<Entry> found;
    if (auto it = std::find_if(retired_.begin(), retired_.end(), claims); it != retired_.end()) {
        found = std::move(*it);
        retired_.erase(it);
    } else {
        auto live = std::find_if(entries_.begin(), entries_.end(), [&](const auto& kv) { return claims(kv.second); });
        if (live == entries_.end()) return nullptr;
        found = std::move(live->second);
        entries_.erase(live);
    }
    found->view = view.weak_from_this();
    found->iface->rebind(found->view);
    Entry* raw = found.get();
    entries_[&view] = std::move(found);
    return raw;
}

void AccessibilityBridge::sync() {
    // Qt tells the activation observers whenever QAccessible::isActive()
    // changes: listening_ follows it.
    if (syncing_ || !listening_) return;
    // An alert that came up tells the views (and so this bridge) of itself.
    window_.window().syncAlerts();
    if (!dirty_ && pendingFocus_.expired()) return;
    syncing_ = true;
    dirty_ = false;
    walk(nullptr, *windowTold_, 0, windowTold_->known);
    windowTold_->known = true;
    if (auto focused = std::exchange(pendingFocus_, {}).lock()) {
        QAccessibleInterface* iface = interfaceFor(*focused);
        if (iface && iface->isValid()) send(iface, QAccessible::Focus);
    }
    sweep();
    syncing_ = false;
}

void AccessibilityBridge::walk(ui::View* node, Told& told, int depth, bool known) {
    // Deeper than any screen builds: a view tree gone wrong, not worth a crash.
    constexpr int kMaxDepth = 64;
    if (depth > kMaxDepth) return;
    const auto kids = node ? ui::accessibility::children(*node) : topNodes();
    std::vector<QAccessible::Id> ids;
    ids.reserve(kids.size());
    for (ui::View* kid : kids) {
        Entry* entry = entryFor(*kid);
        ids.push_back(entry->registration.id());
        // A child assistive technology has not met under a node it knows.
        // (Qt's own "children changed" for a reordered node goes out in a
        // form the bus's clients refuse, so each newcomer is told instead;
        // one that went is found out when it reports itself invalid.)
        if (known && std::find(told.children.begin(), told.children.end(), ids.back()) == told.children.end())
            send(entry->iface, QAccessible::ObjectCreated);
        const bool fresh = !entry->told.known;
        tellChanges(entry->iface, *kid, entry->told);
        walk(kid, entry->told, depth + 1, !fresh);
        // An alert speaks when it comes up.
        if (fresh && kid->accessibilityRole() == ui::AccessibilityRole::Alert) {
            send(entry->iface, QAccessible::ObjectShow);
            send(entry->iface, QAccessible::Alert);
        }
    }
    told.children = std::move(ids);
}

void AccessibilityBridge::tellChanges(QAccessibleInterface* iface, ui::View& view, Told& told) {
    const std::uint32_t traits = view.accessibilityTraits();
    Told now;
    now.known = true;
    now.name = QString::fromStdString(ui::accessibility::name(view));
    now.value = QString::fromStdString(view.accessibilityValue());
    now.selected = traits & ui::AccessibilityTrait::Selected;
    now.checked = traits & ui::AccessibilityTrait::Checked;
    now.disabled = traits & ui::AccessibilityTrait::NotEnabled;
    if (told.known) {
        if (now.name != told.name) send(iface, QAccessible::NameChanged);
        if (now.value != told.value && iface->textInterface()) {
            QAccessibleTextUpdateEvent event(iface, 0, told.value, now.value);
            sendEvent(event);
        }
        if (now.selected != told.selected) send(iface, QAccessible::Selection);
        QAccessible::State changed;
        changed.checked = now.checked != told.checked;
        changed.disabled = now.disabled != told.disabled;
        if (changed.checked || changed.disabled) {
            QAccessibleStateChangeEvent event(iface, changed);
            sendEvent(event);
        }
    }
    now.children = std::move(told.children);
    told = std::move(now);
}

void AccessibilityBridge::sweep() {
    // Retired one sync ago and claimed by no rebuilt view: gone for good.
    retired_.clear();
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (it->second->view.expired()) {
            retired_.push_back(std::move(it->second));
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
}

void AccessibilityBridge::send(QAccessibleInterface* iface, QAccessible::Event type) {
    QAccessibleEvent event(iface, type);
    sendEvent(event);
}

void AccessibilityBridge::afterAction() {
    dirty_ = true;
    window_.afterAccessibilityAction();
}

}  // namespace platform::qt
