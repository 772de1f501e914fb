#include "platform/qt/AccessibleView.h"

#include <QWindow>

#include <algorithm>

#include "platform/qt/Accessibility.h"
#include "platform/qt/PhoneWindow.h"
#include "platform/qt/QtCanvas.h"
#include "platform/ui/Window.h"

namespace platform::qt {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

QAccessible::Role qtRole(ui::AccessibilityRole role) {
    switch (role) {
        case ui::AccessibilityRole::Window: return QAccessible::Window;
        case ui::AccessibilityRole::Button: return QAccessible::Button;
        case ui::AccessibilityRole::PageTab: return QAccessible::PageTab;
        case ui::AccessibilityRole::PageTabList: return QAccessible::PageTabList;
        case ui::AccessibilityRole::Label: return QAccessible::StaticText;
        case ui::AccessibilityRole::List: return QAccessible::List;
        case ui::AccessibilityRole::ListItem: return QAccessible::ListItem;
        case ui::AccessibilityRole::TextEntry: return QAccessible::EditableText;
        case ui::AccessibilityRole::Image: return QAccessible::Graphic;
        case ui::AccessibilityRole::Alert: return QAccessible::AlertMessage;
        case ui::AccessibilityRole::ScrollArea: return QAccessible::Pane;
        case ui::AccessibilityRole::None: break;
    }
    return QAccessible::Client;
}

// A point or rectangle of the window in screen pixels.
QRect toScreen(const PhoneWindow& phone, const ui::Rect& r) {
    return QRect(phone.mapToGlobal(toQRectF(r).topLeft().toPoint()), toQRectF(r).size().toSize());
}

int indexIn(const std::vector<ui::View*>& nodes, const QAccessibleInterface* child) {
    const auto* wanted = dynamic_cast<const AccessibleView*>(child);
    if (!wanted || !wanted->view()) return -1;
    const auto it = std::find(nodes.begin(), nodes.end(), wanted->view());
    return it == nodes.end() ? -1 : static_cast<int>(it - nodes.begin());
}

// The front-most of the nodes whose frame holds the screen point.
QAccessibleInterface* nodeAt(AccessibilityBridge& bridge, const std::vector<ui::View*>& nodes, int x, int y) {
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        QAccessibleInterface* iface = bridge.interfaceFor(**it);
        if (iface && iface->rect().contains(x, y)) return iface;
    }
    return nullptr;
}

}  // namespace

// ---- The window ----

AccessibleWindow::AccessibleWindow(PhoneWindow& window) : QAccessibleWidget(&window, QAccessible::Window) {}

AccessibilityBridge* AccessibleWindow::bridge() const {
    auto* phone = static_cast<PhoneWindow*>(widget());
    return phone ? &phone->accessibility() : nullptr;
}

int AccessibleWindow::childCount() const {
    auto* b = bridge();
    return b ? static_cast<int>(b->topNodes().size()) : 0;
}

QAccessibleInterface* AccessibleWindow::child(int index) const {
    auto* b = bridge();
    if (!b || index < 0) return nullptr;
    const auto nodes = b->topNodes();
    return index < static_cast<int>(nodes.size()) ? b->interfaceFor(*nodes[static_cast<std::size_t>(index)]) : nullptr;
}

int AccessibleWindow::indexOfChild(const QAccessibleInterface* child) const {
    auto* b = bridge();
    return b ? indexIn(b->topNodes(), child) : -1;
}

QAccessibleInterface* AccessibleWindow::childAt(int x, int y) const {
    auto* b = bridge();
    return b ? nodeAt(*b, b->topNodes(), x, y) : nullptr;
}

QAccessibleInterface* AccessibleWindow::focusChild() const {
    auto* b = bridge();
    ui::View* focused = b ? b->phone().window().currentFocus() : nullptr;
    return focused ? b->interfaceFor(*focused) : nullptr;
}

QString AccessibleWindow::text(QAccessible::Text t) const {
    if (t == QAccessible::Name) return widget()->windowTitle();
    return QAccessibleWidget::text(t);
}

// ---- One view ----

AccessibleView::AccessibleView(std::weak_ptr<AccessibilityBridge> bridge, std::weak_ptr<ui::View> view)
    : bridge_(std::move(bridge)), view_(std::move(view)) {}

ui::View* AccessibleView::view() const {
    auto b = bridge();
    auto v = view_.lock();
    if (!b || !v) return nullptr;
    ui::Window& window = b->phone().window();
    if (v->window() != &window) return nullptr;
    // Out of the tree: hidden along the way, or behind an alert.
    for (const ui::View* p = v.get(); p; p = p->superview())
        if (p->hidden || p->alpha < 0.01 || p->accessibilityElementsHidden()) return nullptr;
    if (ui::View* alert = window.alertLayerView(); alert && !v->isDescendantOf(alert)) return nullptr;
    return v.get();
}

bool AccessibleView::isValid() const { return view() != nullptr; }

QWindow* AccessibleView::window() const {
    auto b = bridge();
    return b ? b->phone().windowHandle() : nullptr;
}

QAccessibleInterface* AccessibleView::parent() const {
    auto b = bridge();
    ui::View* v = view();
    if (!b || !v) return nullptr;
    ui::View* up = ui::accessibility::parent(*v);
    // The window's root view is no node: the window stands for it.
    return up && up != &b->phone().window().rootView() ? b->interfaceFor(*up) : b->windowInterface();
}

QAccessibleInterface* AccessibleView::child(int index) const {
    auto b = bridge();
    ui::View* v = view();
    if (!b || !v || index < 0) return nullptr;
    const auto nodes = ui::accessibility::children(*v);
    return index < static_cast<int>(nodes.size()) ? b->interfaceFor(*nodes[static_cast<std::size_t>(index)]) : nullptr;
}

int AccessibleView::childCount() const {
    ui::View* v = view();
    return v ? static_cast<int>(ui::accessibility::children(*v).size()) : 0;
}

int AccessibleView::indexOfChild(const QAccessibleInterface* child) const {
    ui::View* v = view();
    return v ? indexIn(ui::accessibility::children(*v), child) : -1;
}

QAccessibleInterface* AccessibleView::childAt(int x, int y) const {
    auto b = bridge();
    ui::View* v = view();
    return b && v ? nodeAt(*b, ui::accessibility::children(*v), x, y) : nullptr;
}

QAccessibleInterface* AccessibleView::focusChild() const {
    auto b = bridge();
    ui::View* v = view();
    ui::View* focused = b ? b->phone().window().currentFocus() : nullptr;
    return v && focused && focused != v && focused->isDescendantOf(v) ? b->interfaceFor(*focused) : nullptr;
}

QString AccessibleView::text(QAccessible::Text t) const {
    ui::View* v = view();
    if (!v) return {};
    switch (t) {
        case QAccessible::Name: return qs(ui::accessibility::name(*v));
        case QAccessible::Description: return qs(v->accessibilityHint());
        case QAccessible::Value: return qs(v->accessibilityValue());
        default: return {};
    }
}

void AccessibleView::setText(QAccessible::Text t, const QString& text) {
    if (t == QAccessible::Value) setValue(text);
}

QRect AccessibleView::rect() const {
    auto b = bridge();
    ui::View* v = view();
    if (!b || !v) return {};
    const ui::Rect shown = b->phone().window().visibleFrameOf(*v);
    return toScreen(b->phone(), shown.isEmpty() ? v->frameInWindow() : shown);
}

QAccessible::Role AccessibleView::role() const {
    ui::View* v = view();
    return v ? qtRole(v->accessibilityRole()) : QAccessible::NoRole;
}

QAccessible::State AccessibleView::state() const {
    QAccessible::State s;
    auto b = bridge();
    ui::View* v = view();
    if (!b || !v) {
        s.invalid = true;
        return s;
    }
    const std::uint32_t traits = v->accessibilityTraits();
    ui::Window& window = b->phone().window();
    s.offscreen = window.visibleFrameOf(*v).isEmpty();
    s.focusable = ui::accessibility::isActionable(*v);
    s.focused = window.currentFocus() == v || (isTextEntry() && v->isFirstResponder());
    s.disabled = (traits & ui::AccessibilityTrait::NotEnabled) != 0;
    s.selectable = v->accessibilityRole() == ui::AccessibilityRole::ListItem ||
                   v->accessibilityRole() == ui::AccessibilityRole::PageTab;
    s.selected = (traits & ui::AccessibilityTrait::Selected) != 0;
    s.checkable = s.checked = (traits & ui::AccessibilityTrait::Checked) != 0;
    s.editable = isTextEntry() && v->canBecomeFirstResponder();
    s.readOnly = isTextEntry() && !s.editable;
    s.searchEdit = (traits & ui::AccessibilityTrait::SearchField) != 0;
    return s;
}

void* AccessibleView::interface_cast(QAccessible::InterfaceType type) {
    switch (type) {
        case QAccessible::ActionInterface: return static_cast<QAccessibleActionInterface*>(this);
        case QAccessible::TextInterface:
            return isTextEntry() ? static_cast<QAccessibleTextInterface*>(this) : nullptr;
        case QAccessible::EditableTextInterface:
            return isTextEntry() ? static_cast<QAccessibleEditableTextInterface*>(this) : nullptr;
        default: return nullptr;
    }
}

bool AccessibleView::isTextEntry() const {
    ui::View* v = view();
    return v && v->accessibilityRole() == ui::AccessibilityRole::TextEntry;
}

QStringList AccessibleView::actionNames() const {
    ui::View* v = view();
    if (!v || !ui::accessibility::isActionable(*v)) return {};
    return {pressAction(), setFocusAction()};
}

void AccessibleView::doAction(const QString& actionName) {
    auto b = bridge();
    ui::View* v = view();
    if (!b || !v) return;
    auto keep = v->weak_from_this().lock();
    if (actionName == pressAction())
        v->accessibilityActivate();
    else if (actionName == setFocusAction())
        b->phone().window().focusView(v);
    else
        return;
    b->afterAction();
}

QStringList AccessibleView::keyBindingsForAction(const QString& actionName) const {
    if (actionName == pressAction()) return {QStringLiteral("Return"), QStringLiteral("Space")};
    return {};
}

QString AccessibleView::value() const {
    ui::View* v = view();
    return v ? qs(v->accessibilityValue()) : QString();
}

void AccessibleView::setValue(const QString& text) {
    auto b = bridge();
    ui::View* v = view();
    if (!b || !v) return;
    auto keep = v->weak_from_this().lock();
    if (v->accessibilitySetValue(text.toStdString())) b->afterAction();
}

void AccessibleView::selection(int, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = -1;
}

QString AccessibleView::text(int startOffset, int endOffset) const {
    const QString all = value();
    startOffset = std::clamp(startOffset, 0, static_cast<int>(all.size()));
    endOffset = endOffset < 0 ? static_cast<int>(all.size()) : std::clamp(endOffset, startOffset, static_cast<int>(all.size()));
    return all.mid(startOffset, endOffset - startOffset);
}

int AccessibleView::characterCount() const { return static_cast<int>(value().size()); }

QRect AccessibleView::characterRect(int) const { return rect(); }

QString AccessibleView::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = 0;
    *endOffset = std::max(offset, characterCount());
    return {};
}

void AccessibleView::deleteText(int startOffset, int endOffset) { replaceText(startOffset, endOffset, {}); }

void AccessibleView::insertText(int offset, const QString& text) { replaceText(offset, offset, text); }

void AccessibleView::replaceText(int startOffset, int endOffset, const QString& text) {
    QString all = value();
    startOffset = std::clamp(startOffset, 0, static_cast<int>(all.size()));
    endOffset = endOffset < 0 ? static_cast<int>(all.size()) : std::clamp(endOffset, startOffset, static_cast<int>(all.size()));
    all.replace(startOffset, endOffset - startOffset, text);
    setValue(all);
}

}  // namespace platform::qt
