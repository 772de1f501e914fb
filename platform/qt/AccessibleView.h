#pragma once
// The Qt interfaces of the window and of one node of the toolkit's
// accessible tree (see Accessibility.h for how they are made and kept).
#include <QAccessibleWidget>

#include <memory>

namespace ui {
class View;
}

namespace platform::qt {

class AccessibilityBridge;
class PhoneWindow;

// The window: its children are the top nodes of the tree.
class AccessibleWindow : public QAccessibleWidget {
public:
    explicit AccessibleWindow(PhoneWindow& window);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    QString text(QAccessible::Text t) const override;

private:
    AccessibilityBridge* bridge() const;
};

// One view that is a node. Pressing and focusing are its actions; a text
// entry also offers its text for reading and replacing.
class AccessibleView : public QAccessibleInterface,
                       public QAccessibleActionInterface,
                       public QAccessibleTextInterface,
                       public QAccessibleEditableTextInterface {
public:
    AccessibleView(std::weak_ptr<AccessibilityBridge> bridge, std::weak_ptr<ui::View> view);

    // The view it now stands for: a rebuilt view takes over its interface.
    void rebind(std::weak_ptr<ui::View> view) { view_ = std::move(view); }
    // Its view while alive and in the tree of the bridge's window.
    ui::View* view() const;

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString& text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // Actions.
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

    // Text of a text entry: its value, with the caret at the end.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return characterCount(); }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override;
    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    std::shared_ptr<AccessibilityBridge> bridge() const { return bridge_.lock(); }
    bool isTextEntry() const;
    QString value() const;
    void setValue(const QString& text);

    std::weak_ptr<AccessibilityBridge> bridge_;
    std::weak_ptr<ui::View> view_;
};

}  // namespace platform::qt
