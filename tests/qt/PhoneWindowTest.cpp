// The desktop window as a rider's hand uses it: mouse presses and drags,
// the wheel, keys and an input method, sent as Qt events; and what it paints.
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <tuple>

#include "PixelProbe.h"
#include "platform/qt/PhoneWindow.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Window.h"
#include "support/TestSupport.h"

namespace {

using namespace bus::test::qt;

// One mouse event as Qt sends it; a step of type Hide hides the window instead.
struct MouseStep { QEvent::Type type; Qt::MouseButton button; Qt::MouseButtons held; };
const MouseStep kPress{QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton},
    kDrag{QEvent::MouseMove, Qt::NoButton, Qt::LeftButton}, kRelease{QEvent::MouseButtonRelease, Qt::LeftButton, {}},
    kDoubleClick{QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton},
    kRightPress{QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton},
    kRightRelease{QEvent::MouseButtonRelease, Qt::RightButton, {}}, kHover{QEvent::MouseMove, Qt::NoButton, {}},
    kHide{QEvent::Hide, Qt::NoButton, {}};

void send(QWidget& w, const MouseStep& step, QPointF at) {
    if (step.type == QEvent::Hide) return w.hide();
    QMouseEvent e(step.type, at, w.mapToGlobal(at), step.button, step.held, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &e);
}
void click(QWidget& w, QPointF at) { send(w, kPress, at), send(w, kRelease, at); }
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

class PhoneWindow : public testing::Test {
protected:
    void SetUp() override { phone->show(); }

    std::shared_ptr<ui::Window> window = std::make_shared<ui::Window>();
    std::unique_ptr<platform::qt::PhoneWindow> phone = std::make_unique<platform::qt::PhoneWindow>(window);
};

// What a button lying on the window's bottom edge hears of each gesture:
// only the left button touches, a release outside the window ends the touch
// at its edge, hiding the window cancels it.
TEST_F(PhoneWindow, MouseGesturesTouchTheButtonUnderThePointer) {
    const QPointF on{100, 640}, beside{100, 300}, below{100, 700}, far{600, -300};
    const struct {
        const char* name;
        std::vector<std::pair<MouseStep, QPointF>> steps;
        int taps, outside, cancels;
    } cases[] = {
        {"click", {{kPress, on}, {kRelease, on}}, 1, 0, 0},
        {"click beside", {{kPress, beside}, {kRelease, beside}}, 0, 0, 0},
        {"double click", {{kPress, on}, {kRelease, on}, {kDoubleClick, on}, {kRelease, on}}, 2, 0, 0},
        {"right button", {{kRightPress, on}, {kRightRelease, on}, {kHover, on}}, 0, 0, 0},
        {"off the bottom along the button", {{kPress, on}, {kDrag, below}, {kRelease, below}}, 1, 0, 0},
        {"far out of the window", {{kPress, on}, {kDrag, far}, {kRelease, far}}, 0, 1, 0},
        {"window hidden mid-touch", {{kPress, on}, {kHide, on}, {kRelease, on}}, 0, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        phone->show();
        int taps = 0, outside = 0, cancels = 0;
        auto button = ui::make<ui::Button>(ui::ButtonType::System, ui::Rect{0, 600, 375, 67});
        button->addTarget(this, [&](ui::Control&) { ++taps; }, ui::ControlEventTouchUpInside);
        button->addTarget(this, [&](ui::Control&) { ++outside; }, ui::ControlEventTouchUpOutside);
        button->addTarget(this, [&](ui::Control&) { ++cancels; }, ui::ControlEventTouchCancel);
        window->rootView().addSubview(button);
        for (const auto& [step, at] : c.steps) send(*phone, step, at);
        EXPECT_EQ(std::tie(taps, outside, cancels), std::tie(c.taps, c.outside, c.cancels));
        EXPECT_FALSE(button->highlighted() || phone->isTouching());
        button->removeFromSuperview();
    }
}

TEST_F(PhoneWindow, WheelAndDragScrollTheViewUnderThePointer) {
    auto scroll = ui::make<ui::ScrollView>(ui::Rect{0, 20, 375, 400});
    scroll->contentSize = {375, 2000};
    window->rootView().addSubview(scroll);
    const double notch = platform::qt::PhoneWindow::kPointsPerWheelNotch;
    // One notch towards the rider reveals what is below; a touchpad's pixels are points.
    wheel(*phone, {100, 200}, {}, {0, -120});
    EXPECT_DOUBLE_EQ(scroll->contentOffset().y, notch);
    wheel(*phone, {100, 200}, {0, -25}, {0, -90});
    EXPECT_DOUBLE_EQ(scroll->contentOffset().y, notch + 25);
    wheel(*phone, {100, 200}, {}, {0, 240});
    EXPECT_DOUBLE_EQ(scroll->contentOffset().y, 0);
    send(*phone, kPress, {100, 300});
    for (int y = 290; y >= 200; y -= 10) send(*phone, kDrag, {100, static_cast<double>(y)});
    send(*phone, kRelease, {100, 200});
    EXPECT_DOUBLE_EQ(scroll->contentOffset().y, 100);
    // Below the scroll view the wheel moves nothing.
    wheel(*phone, {100, 500}, {}, {0, -120});
    EXPECT_DOUBLE_EQ(scroll->contentOffset().y, 100);
}

// A view that takes the keyboard and records what reaches it.
struct KeyboardProbe : ui::View {
    using View::View;
    bool canBecomeFirstResponder() const override { return true; }
    void insertText(const std::string& t) override { typed += t; }
    void deleteBackward() override { ++deletes; }
    void returnKey() override { ++returns; }
    std::string text() const override { return typed; }
    std::string typed;
    int deletes = 0, returns = 0;
};

// Text types, Backspace deletes, Return and Enter are the return key;
// shortcuts and control keys type nothing. The input method is on only while
// a view has the keyboard, and only what it commits is typed.
TEST_F(PhoneWindow, KeysAndTheInputMethodReachTheViewThatHasTheKeyboard) {
    auto probe = ui::make<KeyboardProbe>(ui::Rect{20, 100, 300, 40});
    window->rootView().addSubview(probe);
    const auto key = [&](int code, const char* text, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent down(QEvent::KeyPress, code, mods, QString::fromUtf8(text));
        QCoreApplication::sendEvent(phone.get(), &down);
    };
    key(Qt::Key_A, "a");  // nothing has the keyboard yet
    EXPECT_FALSE(imQuery(*phone, Qt::ImEnabled).toBool());
    click(*phone, {100, 120});
    EXPECT_TRUE(imQuery(*phone, Qt::ImEnabled).toBool());
    for (const auto& [code, text] : std::initializer_list<std::pair<int, const char*>>{
             {Qt::Key_1, "1"}, {Qt::Key_1, "1"}, {Qt::Key_A, "a"}, {Qt::Key_Backspace, ""}, {Qt::Key_Backspace, "\b"},
             {Qt::Key_Escape, "\x1b"}, {Qt::Key_Tab, "\t"}, {Qt::Key_Return, "\r"}, {Qt::Key_Enter, "\r"}})
        key(code, text);
    key(Qt::Key_C, "\x03", Qt::ControlModifier);
    EXPECT_EQ(std::tie(probe->typed, probe->deletes, probe->returns), std::make_tuple("11a", 2, 2));

    QInputMethodEvent composing(QStringLiteral("datong"), {});  // on the way to 大同
    QCoreApplication::sendEvent(phone.get(), &composing);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("大同"));
    QCoreApplication::sendEvent(phone.get(), &commit);
    EXPECT_EQ(probe->typed, "11a大同");
    EXPECT_EQ(imQuery(*phone, Qt::ImSurroundingText).toString(), QStringLiteral("11a大同"));
    EXPECT_EQ(imQuery(*phone, Qt::ImCursorPosition).toInt(), 5);
    // The candidate window goes next to the view.
    const QRect caret = imQuery(*phone, Qt::ImCursorRectangle).toRect();
    EXPECT_TRUE(QRect(20, 100, 300, 40).adjusted(-1, -1, 1, 1).contains(caret)) << caret.x() << "," << caret.y();
    click(*phone, {100, 400});  // a touch elsewhere takes the keyboard away, and the input method with it
    EXPECT_FALSE(imQuery(*phone, Qt::ImEnabled).toBool());
}

TEST_F(PhoneWindow, PaintsTheWindowOnTheWidgetAndReportsAScreenshotThatFails) {
    auto l = ui::makeLabel({40, 300, 200, 40}, "大同", ui::Font::boldSystem(24), ui::Color::red());
    window->rootView().addSubview(l);
    const QImage shown = phone->grab().toImage();
    const QRect onWidget = toPixels(l->frame(), shown.devicePixelRatio());
    EXPECT_GT(countInside(shown, onWidget, isRed), 100);
    EXPECT_EQ(countOutside(shown, onWidget, 1, isRed), 0);

    // A screenshot where no file can go fails and says why (a good one is checked through the host's script).
    const auto file = bus::test::containerRoot() / "shot.png";
    std::string error;
    ASSERT_TRUE(phone->saveScreenshot(file, error)) << error;
    EXPECT_FALSE(phone->saveScreenshot(file / "inside-a-file.png", error));
    EXPECT_FALSE(error.empty());
}

TEST_F(PhoneWindow, RepaintsContinuouslyOnlyWhileSomethingAnimates) {
    const auto animating = [&] { return phone->refresh(), phone->isAnimating(); };
    EXPECT_FALSE(animating());
    auto spinner = ui::make<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::Gray);
    window->rootView().addSubview(spinner);
    spinner->startAnimating();
    EXPECT_TRUE(animating());
    spinner->stopAnimating();
    EXPECT_FALSE(animating());
}

}  // namespace
