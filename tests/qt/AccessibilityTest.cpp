// The window's views as Qt's accessibility interfaces, as assistive
// technology reads and uses them: roles, names, states, screen geometry and
// actions of each node, text entry, what the bridge sends when the views
// change (and that it sends nothing while nobody listens), interfaces that
// go invalid with their views or pass to a rebuilt one, and the keys of a
// rider without a pointer.
#include <QAccessible>
#include <QCoreApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/AlertView.h"
#include "platform/qt/Accessibility.h"
#include "platform/qt/PhoneWindow.h"
#include "platform/ui/Button.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace {

class Accessibility : public testing::Test {
protected:
    void SetUp() override {
        // What the bridge sends: event type and the name of the interface.
        phone->accessibility().sendEvent = [this](QAccessibleEvent& e) {
            QAccessibleInterface* iface = e.accessibleInterface();
            sent.emplace_back(e.type(), iface ? iface->text(QAccessible::Name) : QString());
        };
        window->setRootViewController(screen);
        auto button = add(std::make_shared<ui::Button>(ui::ButtonType::System, ui::Rect{20, 20, 100, 40}));
        button->setTitle("查询");
        button->addTarget(this, [this](ui::Control&) { ++queries; }, ui::ControlEventTouchUpInside);
        age = add(std::make_shared<ui::Label>(ui::Rect{20, 80, 200, 20}));
        age->setText("刚刚更新");
        auto star = add(std::make_shared<ui::ImageView>(ui::Rect{300, 20, 30, 30}, ""));
        star->userInteractionEnabled = true;
        star->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>([this](auto&) { ++stars; }));
        star->setAccessibilityLabel("收藏此站");
        field = add(std::make_shared<ui::TextField>(ui::Rect{20, 120, 300, 40}));
        field->placeholder = "起点";
        phone->move(100, 50);
        phone->show();
    }
    void TearDown() override { QAccessible::setActive(false); }
    template <class T>
    std::shared_ptr<T> add(std::shared_ptr<T> v) {
        screen->view()->addSubview(v);
        return v;
    }
    QAccessibleInterface* root() { return QAccessible::queryAccessibleInterface(phone.get()); }
    QAccessibleInterface* named(const QString& name) {
        for (int i = 0; i < root()->childCount(); ++i)
            if (root()->child(i)->text(QAccessible::Name) == name) return root()->child(i);
        return nullptr;
    }
    std::vector<QAccessible::Event> sentFor(const QString& name) {
        std::vector<QAccessible::Event> types;
        for (const auto& [type, who] : sent)
            if (who == name) types.push_back(type);
        return types;
    }

    std::shared_ptr<ui::Window> window = std::make_shared<ui::Window>();
    std::shared_ptr<ui::ViewController> screen = std::make_shared<ui::ViewController>();
    std::unique_ptr<platform::qt::PhoneWindow> phone = std::make_unique<platform::qt::PhoneWindow>(window);
    std::shared_ptr<ui::Label> age;
    std::shared_ptr<ui::TextField> field;
    std::vector<std::pair<QAccessible::Event, QString>> sent;
    int queries = 0, stars = 0;
};

TEST_F(Accessibility, EachNodeHasItsRoleNameStatesPlaceAndActions) {
    ASSERT_EQ(root()->role(), QAccessible::Window);
    const struct {
        QString name;
        QAccessible::Role role;
        bool focusable;
        QRect inWindow;
    } cases[] = {
        {"查询", QAccessible::Button, true, {20, 40, 100, 40}},
        {"收藏此站", QAccessible::Button, true, {300, 40, 30, 30}},
        {"刚刚更新", QAccessible::StaticText, false, {20, 100, 200, 20}},
        {"起点", QAccessible::EditableText, true, {20, 140, 300, 40}},
    };
    ASSERT_EQ(root()->childCount(), static_cast<int>(std::size(cases)));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        QAccessibleInterface* iface = named(c.name);
        ASSERT_NE(iface, nullptr);
        EXPECT_TRUE(iface->isValid());
        EXPECT_EQ(iface->role(), c.role);
        EXPECT_EQ(iface->parent(), root());
        EXPECT_EQ(root()->child(root()->indexOfChild(iface)), iface);
        EXPECT_EQ(iface->state().focusable, c.focusable);
        EXPECT_FALSE(iface->state().offscreen);
        EXPECT_EQ(iface->rect(), c.inWindow.translated(phone->mapToGlobal(QPoint(0, 0))));
        const auto* actions = iface->actionInterface();
        ASSERT_NE(actions, nullptr);
        EXPECT_EQ(actions->actionNames().contains(QAccessibleActionInterface::pressAction()), c.focusable);
        EXPECT_EQ(root()->childAt(iface->rect().center().x(), iface->rect().center().y()), iface);
    }
}

TEST_F(Accessibility, ActionsPressFocusAndTypeAsARiderWould) {
    named("查询")->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    named("收藏此站")->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(queries, 1);
    EXPECT_EQ(stars, 1);
    QAccessibleInterface* entry = named("起点");
    entry->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    EXPECT_EQ(window->focusedView(), field.get());
    EXPECT_TRUE(entry->state().focused);
    ASSERT_NE(entry->editableTextInterface(), nullptr);
    entry->editableTextInterface()->insertText(0, QStringLiteral("大同站"));
    entry->editableTextInterface()->replaceText(2, 3, QStringLiteral("南站"));
    EXPECT_EQ(field->text(), "大同南站");
    EXPECT_EQ(entry->textInterface()->text(0, -1), QStringLiteral("大同南站"));
    EXPECT_EQ(entry->text(QAccessible::Value), QStringLiteral("大同南站"));
    EXPECT_EQ(named("查询")->editableTextInterface(), nullptr);
}

TEST_F(Accessibility, ChangesAreSentOnlyWhileAssistiveTechnologyListens) {
    // Nobody listens: not even input, which has the bridge look at all, sends anything.
    phone->refresh();
    age->setText("5秒前更新");
    phone->accessibility().markChanged();
    phone->refresh();
    EXPECT_EQ(window->accessibilityObserver(), nullptr);
    EXPECT_TRUE(sent.empty());

    QAccessible::setActive(true);
    EXPECT_EQ(window->accessibilityObserver(), &phone->accessibility());
    phone->refresh();  // learns the tree
    sent.clear();
    age->setText("10秒前更新");
    field->setText("大同站");
    window->moveFocus(ui::Window::FocusMove::Next);
    phone->refresh();
    EXPECT_EQ(sentFor("10秒前更新"), std::vector<QAccessible::Event>{QAccessible::NameChanged});
    EXPECT_EQ(sentFor("起点"), std::vector<QAccessible::Event>{QAccessible::TextUpdated});
    EXPECT_EQ(sentFor("查询"), std::vector<QAccessible::Event>{QAccessible::Focus});
    EXPECT_EQ(sent.size(), 3u);
    sent.clear();
    platform::AlertView::create("收藏成功", "")->show();
    phone->refresh();
    EXPECT_EQ(sentFor("收藏成功"), (std::vector<QAccessible::Event>{QAccessible::ObjectCreated, QAccessible::ObjectShow,
                                                                 QAccessible::Alert}));
    EXPECT_EQ(sent.size(), 3u);
    ASSERT_EQ(root()->childCount(), 1);
    EXPECT_EQ(root()->child(0)->role(), QAccessible::AlertMessage);
}

TEST_F(Accessibility, AnInterfaceGoesWithItsViewOrPassesToTheViewRebuiltUnderItsIdentifier) {
    QAccessible::setActive(true);
    age->setAccessibilityIdentifier("age");
    auto plain = add(std::make_shared<ui::Label>(ui::Rect{20, 200, 200, 20}));
    plain->setText("首末班");
    phone->refresh();
    QAccessibleInterface* ageIface = named("刚刚更新");
    const QAccessible::Id plainId = QAccessible::uniqueId(named("首末班"));
    age->removeFromSuperview();
    plain->removeFromSuperview();
    age.reset();
    plain.reset();
    EXPECT_FALSE(ageIface->isValid());
    sent.clear();
    auto rebuilt = add(std::make_shared<ui::Label>(ui::Rect{20, 80, 200, 20}));
    rebuilt->setText("1分钟前更新");
    rebuilt->setAccessibilityIdentifier("age");
    phone->refresh();
    EXPECT_EQ(named("1分钟前更新"), ageIface);
    EXPECT_TRUE(ageIface->isValid());
    EXPECT_EQ(sentFor("1分钟前更新"), std::vector<QAccessible::Event>{QAccessible::NameChanged});
    // The other one is dropped, but only once the event loop turns.
    rebuilt->setText("2分钟前更新");
    phone->refresh();
    EXPECT_NE(QAccessible::accessibleInterface(plainId), nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(QAccessible::accessibleInterface(plainId), nullptr);
}

TEST_F(Accessibility, KeysMoveTheFocusActivateAndTypeOnlyWhereTheyShould) {
    const auto key = [&](int k, Qt::KeyboardModifiers m = Qt::NoModifier, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, k, m, text);
        QCoreApplication::sendEvent(phone.get(), &press);
    };
    const auto focused = [&] { return window->focusedView() ? ui::accessibility::name(*window->focusedView()) : ""; };
    const struct {
        const char* what;
        int key;
        Qt::KeyboardModifiers modifiers;
        std::string focused;
        int queries, stars;
    } steps[] = {
        {"Tab", Qt::Key_Tab, Qt::NoModifier, "查询", 0, 0},
        {"Enter", Qt::Key_Return, Qt::NoModifier, "查询", 1, 0},
        {"Tab", Qt::Key_Tab, Qt::NoModifier, "收藏此站", 1, 0},
        {"Space", Qt::Key_Space, Qt::NoModifier, "收藏此站", 1, 1},
        {"Down", Qt::Key_Down, Qt::NoModifier, "起点", 1, 1},
        {"Shift+Tab", Qt::Key_Backtab, Qt::ShiftModifier, "收藏此站", 1, 1},
        {"Right", Qt::Key_Right, Qt::NoModifier, "起点", 1, 1},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        key(s.key, s.modifiers, s.key == Qt::Key_Space ? QStringLiteral(" ") : QString());
        EXPECT_EQ(focused(), s.focused);
        EXPECT_EQ(queries, s.queries);
        EXPECT_EQ(stars, s.stars);
    }
    // Typing on the focused field starts editing it; then Space is typed too.
    key(Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    key(Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    EXPECT_EQ(field->text(), "a ");
}

}  // namespace
