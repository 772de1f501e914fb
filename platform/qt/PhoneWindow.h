#pragma once
// The phone on the desktop: a fixed 375 x 667 widget that paints a toolkit
// window and turns the mouse into a finger, the wheel into scrolling and the
// keyboard (input methods included) into typed text.
//
//  - Left button down, moves while it is held, release: touch Began, Moved,
//    Ended. Points are clamped to the screen, as a finger cannot leave it; a
//    touch the window loses (hidden, another window activated) is Cancelled.
//  - Wheel: pixel deltas as they are, notches as kPointsPerWheelNotch.
//  - Keys: their text goes to the first responder; Backspace deletes,
//    Return/Enter is the return key. Input methods commit through
//    QInputMethodEvent and are enabled while a view has the keyboard.
//  - Keyboard use without a pointer (ui::Window's focus): Tab and
//    Shift+Tab move the focus, the arrow keys move it within a list, Enter
//    or Space activates the focused view (unless it is the field being
//    typed into), Escape cancels or goes back.
//  - Assistive technology sees the view tree through an AccessibilityBridge,
//    which costs nothing while none listens.
//
// It repaints after every input and whenever told (after run loop passes),
// and at ~30 frames a second only while something animates by itself, so an
// idle window costs no CPU.
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace ui {
class Window;
}

namespace platform::qt {

class AccessibilityBridge;

class PhoneWindow : public QWidget {
public:
    static constexpr double kPointsPerWheelNotch = 40;
    static constexpr int kAnimationFrameMs = 33;

    explicit PhoneWindow(std::shared_ptr<ui::Window> window, QWidget* parent = nullptr);
    ~PhoneWindow() override;

    ui::Window& window() { return *window_; }
    AccessibilityBridge& accessibility() { return *accessibility_; }
    // After assistive technology acted on a view: as after input.
    void afterAccessibilityAction() { handled(); }

    // The window as a picture at `scale` device pixels per point (2: the
    // phone's 750 x 1334), independent of the screen.
    QImage grabPhone(double scale = 2.0);
    // Saves that picture as PNG; false with a reason when it cannot.
    bool saveScreenshot(const std::filesystem::path& file, std::string& error, double scale = 2.0);

    // Schedules a repaint and the frame timer if something animates.
    void refresh();

    // Called after each input the window handled (the host checks whether
    // the application asked to end).
    std::function<void()> afterInput;
    // Called after each paint of the widget (start-up timing).
    std::function<void()> afterPaint;

    // True while a touch is down.
    bool isTouching() const { return touching_; }
    bool isAnimating() const { return frameTimer_.isActive(); }

    // What the input method asks: enabled only while a view has the
    // keyboard, the caret at the end of that view.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Tab and Shift+Tab move the toolkit's focus, not Qt's.
    bool focusNextPrevChild(bool next) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    void handled();
    void cancelTouch();
    void updateFrameTimer();
    void armClockTimer();
    void updateInputMethod();
    // The keys that use the toolkit's focus; false when the key is not one.
    bool focusKey(const QKeyEvent& event, bool& used);

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<AccessibilityBridge> accessibility_;
    bool touching_ = false;
    QPointF lastTouch_;
    bool imEnabled_ = false;
    QTimer frameTimer_;  // animation frames while something moves by itself
    QTimer clockTimer_;  // the status bar's clock, once a minute
};

}  // namespace platform::qt
