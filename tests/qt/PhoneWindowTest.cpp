// The desktop window as a rider's hand uses it: mouse presses and drags,
// the wheel, keys and an input method, sent as Qt events.
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "PixelProbe.h"
#include "platform/RunLoop.h"
#include "platform/qt/PhoneWindow.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "support/TestSupport.h"

namespace {

using bus::test::qt::boundsOf;
using bus::test::qt::countInside;
using bus::test::qt::isRed;
using bus::test::qt::toPixels;

void mouse(QWidget& w, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, at, w.mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &e);
}
void press(QWidget& w, QPointF at, Qt::MouseButton b = Qt::LeftButton) {
    mouse(w, QEvent::MouseButtonPress, at, b, b);
}
void move(QWidget& w, QPointF at) { mouse(w, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton); }
void release(QWidget& w, QPointF at, Qt::MouseButton b = Qt::LeftButton) {
    mouse(w, QEvent::MouseButtonRelease, at, b, Qt::NoButton);
}
void click(QWidget& w, QPointF at) {
    press(w, at);
    release(w, at);
}
void key(QWidget& w, int code, const QString& text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent down(QEvent::KeyPress, code, mods, text);
    QCoreApplication::sendEvent(&w, &down);
}
void wheel(QWidget& w, QPointF at, QPoint pixels, QPoint angle) {
    QWheelEvent e(at, w.mapToGlobal(at), pixels, angle, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&w, &e);
}

// Asked as Qt asks it on the input method's behalf.
QVariant imQuery(QWidget& w, Qt::InputMethodQuery query) {
    QInputMethodQueryEvent e(query);
    QCoreApplication::sendEvent(&w, &e);
    return e.value(query);
}

struct Fixture : testing::Test {
    std::shared_ptr<ui::Window> window = std::make_shared<ui::Window>();
    std::unique_ptr<platform::qt::PhoneWindow> phone;

    void SetUp() override {
        phone = std::make_unique<platform::qt::PhoneWindow>(window);
        phone->show();
    }
    void TearDown() override { phone.reset(); }

    std::shared_ptr<ui::Button> addButton(const ui::Rect& frame, int& taps) {
        auto b = ui::make<ui::Button>(ui::ButtonType::System, frame);
        b->setTitle("确定");
        b->addTarget(this, [&taps](ui::Control&) { ++taps; }, ui::ControlEventTouchUpInside);
        window->rootView().addSubview(b);
        return b;
    }
};

using PhoneWindow = Fixture;

TEST_F(PhoneWindow, IsAFixedPhoneSizedWindowWithTheAppTitle) {
    EXPECT_EQ(phone->size(), QSize(375, 667));
    EXPECT_EQ(phone->minimumSize(), phone->maximumSize());
    EXPECT_EQ(phone->windowTitle(), QStringLiteral("实时公交"));
}

TEST_F(PhoneWindow, ClickOnAButtonSendsItsAction) {
    int taps = 0;
    addButton({50, 100, 120, 44}, taps);
    click(*phone, {110, 122});
    EXPECT_EQ(taps, 1);
    // Beside the button nothing happens.
    click(*phone, {300, 122});
    EXPECT_EQ(taps, 1);
}

TEST_F(PhoneWindow, DoubleClickIsTwoTaps) {
    int taps = 0;
    addButton({50, 100, 120, 44}, taps);
    click(*phone, {110, 122});
    mouse(*phone, QEvent::MouseButtonDblClick, {110, 122}, Qt::LeftButton, Qt::LeftButton);
    release(*phone, {110, 122});
    EXPECT_EQ(taps, 2);
}

TEST_F(PhoneWindow, OnlyTheLeftButtonTouches) {
    int taps = 0;
    addButton({50, 100, 120, 44}, taps);
    press(*phone, {110, 122}, Qt::RightButton);
    release(*phone, {110, 122}, Qt::RightButton);
    mouse(*phone, QEvent::MouseMove, {110, 122}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(taps, 0);
    EXPECT_FALSE(phone->isTouching());
}

TEST_F(PhoneWindow, ReleaseOutsideTheWindowEndsTheTouchAtItsEdge) {
    int taps = 0, outside = 0;
    auto button = addButton({50, 100, 120, 44}, taps);
    button->addTarget(this, [&outside](ui::Control&) { ++outside; }, ui::ControlEventTouchUpOutside);
    press(*phone, {110, 122});
    EXPECT_TRUE(button->highlighted());
    move(*phone, {600, -300});
    release(*phone, {600, -300});
    EXPECT_EQ(taps, 0);
    EXPECT_EQ(outside, 1);
    EXPECT_FALSE(button->highlighted());
    EXPECT_FALSE(phone->isTouching());
}

TEST_F(PhoneWindow, ReleaseOnTheWindowEdgeOverAButtonStillTapsIt) {
    // Clamped: a drag that leaves the window along a button lying on the
    // edge lifts the finger on the button.
    int taps = 0;
    addButton({0, 600, 375, 67}, taps);
    press(*phone, {100, 640});
    move(*phone, {100, 700});
    release(*phone, {100, 700});
    EXPECT_EQ(taps, 1);
}

TEST_F(PhoneWindow, HidingTheWindowMidTouchCancelsIt) {
    int taps = 0, cancels = 0;
    auto button = addButton({50, 100, 120, 44}, taps);
    button->addTarget(this, [&cancels](ui::Control&) { ++cancels; }, ui::ControlEventTouchCancel);
    press(*phone, {110, 122});
    phone->hide();
    release(*phone, {110, 122});
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(taps, 0);
}

TEST_F(PhoneWindow, DragScrollsAScrollView) {
    auto scroll = ui::make<ui::ScrollView>(ui::Rect{0, 20, 375, 400});
    scroll->contentSize = {375, 2000};
    window->rootView().addSubview(scroll);
    press(*phone, {100, 300});
    for (int y = 290; y >= 200; y -= 10) move(*phone, {100, static_cast<double>(y)});
    release(*phone, {100, 200});
    EXPECT_DOUBLE_EQ(scroll->contentOffset().y, 100);
}

TEST_F(PhoneWindow, WheelScrollsTheViewUnderThePointer) {
    auto scroll = ui::make<ui::ScrollView>(ui::Rect{0, 20, 375, 400});
    scroll->contentSize = {375, 2000};
    window->rootView().addSubview(scroll);
    // One notch towards the rider reveals what is below.
    wheel(*phone, {100, 200}, {}, {0, -120});
    EXPECT_DOUBLE_EQ(scroll->contentOffset().y, platform::qt::PhoneWindow::kPointsPerWheelNotch);
    // A touchpad's pixels are points.
    wheel(*phone, {100, 200}, {0, -25}, {0, -90});
    EXPECT_DOUBLE_EQ(scroll->contentOffset().y, platform::qt::PhoneWindow::kPointsPerWheelNotch + 25);
    wheel(*phone, {100, 200}, {}, {0, 240});
    EXPECT_DOUBLE_EQ(scroll->contentOffset().y, 0);
    // Below the scroll view the wheel moves nothing.
    wheel(*phone, {100, 500}, {}, {0, -120});
    EXPECT_DOUBLE_EQ(scroll->contentOffset().y, 0);
}

TEST_F(PhoneWindow, KeysTypeIntoTheFieldThatHasTheKeyboard) {
    auto field = ui::make<ui::TextField>(ui::Rect{20, 100, 300, 40});
    window->rootView().addSubview(field);
    key(*phone, Qt::Key_A, "a");
    EXPECT_EQ(field->text(), "");  // nothing has the keyboard yet

    click(*phone, {100, 120});
    ASSERT_TRUE(field->isEditing());
    key(*phone, Qt::Key_1, "1");
    key(*phone, Qt::Key_1, "1");
    key(*phone, Qt::Key_A, "a");
    EXPECT_EQ(field->text(), "11a");
    key(*phone, Qt::Key_Backspace);
    EXPECT_EQ(field->text(), "11");
    // Shortcuts and control keys type nothing.
    key(*phone, Qt::Key_C, QString(QChar(3)), Qt::ControlModifier);
    key(*phone, Qt::Key_Escape, QString(QChar(27)));
    key(*phone, Qt::Key_Tab, "\t");
    EXPECT_EQ(field->text(), "11");
}

// A view that takes the keyboard and records what reaches it.
class KeyboardProbe : public ui::View {
public:
    using View::View;
    bool canBecomeFirstResponder() const override { return true; }
    void insertText(const std::string& t) override { typed += t; }
    void deleteBackward() override { ++deletes; }
    void returnKey() override { ++returns; }
    std::string typed;
    int deletes = 0, returns = 0;
};

TEST_F(PhoneWindow, ReturnAndEnterAreTheReturnKey) {
    auto probe = ui::make<KeyboardProbe>(ui::Rect{20, 100, 300, 40});
    window->rootView().addSubview(probe);
    click(*phone, {100, 120});
    key(*phone, Qt::Key_Return, "\r");
    key(*phone, Qt::Key_Enter, "\r");
    key(*phone, Qt::Key_Backspace, "\b");
    EXPECT_EQ(probe->returns, 2);
    EXPECT_EQ(probe->deletes, 1);
    EXPECT_EQ(probe->typed, "");
}

TEST_F(PhoneWindow, InputMethodCommitsChineseIntoTheField) {
    auto field = ui::make<ui::TextField>(ui::Rect{20, 100, 300, 40});
    window->rootView().addSubview(field);
    EXPECT_FALSE(imQuery(*phone, Qt::ImEnabled).toBool());
    EXPECT_TRUE(phone->testAttribute(Qt::WA_InputMethodEnabled));

    click(*phone, {100, 120});
    EXPECT_TRUE(imQuery(*phone, Qt::ImEnabled).toBool());
    // The candidate window goes next to the field.
    const QRect caret = imQuery(*phone, Qt::ImCursorRectangle).toRect();
    EXPECT_TRUE(QRect(20, 100, 300, 40).adjusted(-1, -1, 1, 1).contains(caret)) << caret.x() << "," << caret.y();

    // Composing ("datong" on the way to 大同) types nothing yet.
    QInputMethodEvent composing(QStringLiteral("datong"), {});
    QCoreApplication::sendEvent(phone.get(), &composing);
    EXPECT_EQ(field->text(), "");
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("大同"));
    QCoreApplication::sendEvent(phone.get(), &commit);
    EXPECT_EQ(field->text(), "大同");
    EXPECT_EQ(imQuery(*phone, Qt::ImSurroundingText).toString(), QStringLiteral("大同"));
    EXPECT_EQ(imQuery(*phone, Qt::ImCursorPosition).toInt(), 2);

    // A touch elsewhere takes the keyboard away, and the input method with it.
    click(*phone, {100, 400});
    EXPECT_FALSE(field->isEditing());
    EXPECT_FALSE(imQuery(*phone, Qt::ImEnabled).toBool());
}

TEST_F(PhoneWindow, PaintsTheWindowOntoTheWidget) {
    auto l = ui::make<ui::Label>(ui::Rect{40, 300, 200, 40});
    l->setText("大同");
    l->textColor = ui::Color::red();
    l->font = ui::Font::boldSystem(24);
    window->rootView().addSubview(l);
    const QImage shown = phone->grab().toImage();
    const double ratio = shown.devicePixelRatio();
    ASSERT_EQ(shown.width(), static_cast<int>(375 * ratio));
    const QRect pixels = toPixels(l->frame(), ratio);
    EXPECT_GT(countInside(shown, pixels, isRed), 100);
    EXPECT_TRUE(pixels.adjusted(-1, -1, 1, 1).contains(boundsOf(shown, isRed)));
}

TEST_F(PhoneWindow, SavesAScreenshotAtTwiceThePointSize) {
    auto l = ui::make<ui::Label>(ui::Rect{40, 300, 200, 40});
    l->setText("大同");
    l->textColor = ui::Color::red();
    window->rootView().addSubview(l);
    const auto file = bus::test::containerRoot() / "shots" / "window.png";
    std::string error;
    ASSERT_TRUE(phone->saveScreenshot(file, error)) << error;
    QImage saved(QString::fromStdString(file.string()));
    ASSERT_EQ(saved.size(), QSize(750, 1334));
    EXPECT_GT(countInside(saved, toPixels(l->frame()), isRed), 100);

    EXPECT_FALSE(phone->saveScreenshot(bus::test::containerRoot() / "shots" / "window.png" / "inside-a-file.png", error));
    EXPECT_FALSE(error.empty());
}

TEST_F(PhoneWindow, RepaintsContinuouslyOnlyWhileSomethingAnimates) {
    phone->refresh();
    EXPECT_FALSE(phone->isAnimating());

    auto spinner = ui::make<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::Gray);
    window->rootView().addSubview(spinner);
    spinner->startAnimating();
    phone->refresh();
    EXPECT_TRUE(phone->isAnimating());
    spinner->stopAnimating();
    phone->refresh();
    EXPECT_FALSE(phone->isAnimating());

    auto fading = ui::make<ui::View>(ui::Rect{0, 100, 100, 100});
    window->rootView().addSubview(fading);
    ui::animate(0.5, [&] { fading->alpha = 0; });
    phone->refresh();
    EXPECT_TRUE(phone->isAnimating());
    platform::RunLoop::main().advance(0.6);
    phone->refresh();
    EXPECT_FALSE(phone->isAnimating());
}

}  // namespace
