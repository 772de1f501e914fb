#include "platform/qt/PhoneWindow.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTime>
#include <QWheelEvent>

#include <algorithm>

#include "platform/Translation.h"
#include "platform/qt/Accessibility.h"
#include "platform/qt/QtCanvas.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Window.h"

namespace platform::qt {

namespace {

ui::Point toPoint(const QPointF& p) { return {p.x(), p.y()}; }

// The finger stays on the glass: a drag past the edge goes on along the
// outermost row or column of pixels, which still belongs to the screen.
ui::Point clampToScreen(const QPointF& p) {
    constexpr double kEdge = 0.5;
    return {std::clamp(p.x(), 0.0, ui::Window::kWidth - kEdge), std::clamp(p.y(), 0.0, ui::Window::kHeight - kEdge)};
}

// Text a key press types: nothing for shortcuts and control characters
// (Escape, Tab, Ctrl+letter), which phones' keyboards do not send.
bool isTypedText(const QKeyEvent& e) {
    if (e.text().isEmpty()) return false;
    if (e.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
    for (const QChar c : e.text())
        if (c.category() == QChar::Other_Control) return false;
    return true;
}

}  // namespace

PhoneWindow::PhoneWindow(std::shared_ptr<ui::Window> window, QWidget* parent)
    : QWidget(parent), window_(std::move(window)) {
    accessibility_ = std::make_shared<AccessibilityBridge>(*this);
    setWindowTitle(QString::fromStdString(platform::tr(kAppName)));
    setFixedSize(static_cast<int>(ui::Window::kWidth), static_cast<int>(ui::Window::kHeight));
    // The whole surface is painted on every frame.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);

    frameTimer_.setInterval(kAnimationFrameMs);
    QObject::connect(&frameTimer_, &QTimer::timeout, this, [this] { update(); });
    clockTimer_.setSingleShot(true);
    QObject::connect(&clockTimer_, &QTimer::timeout, this, [this] {
        update();
        armClockTimer();
    });
    armClockTimer();
}

PhoneWindow::~PhoneWindow() {
    // The bridge leaves the window before the window's views go.
    accessibility_.reset();
}

void PhoneWindow::armClockTimer() {
    // The status bar shows hours and minutes: repaint just after the minute
    // turns instead of polling.
    const QTime now = QTime::currentTime();
    const int msIntoMinute = now.second() * 1000 + now.msec();
    clockTimer_.start(60'000 - msIntoMinute + 50);
}

QImage PhoneWindow::grabPhone(double scale) { return renderWindow(*window_, scale); }

bool PhoneWindow::saveScreenshot(const std::filesystem::path& file, std::string& error, double scale) {
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    const QImage image = grabPhone(scale);
    const auto u8 = file.u8string();
    const QString path = QString::fromUtf8(reinterpret_cast<const char*>(u8.data()), static_cast<qsizetype>(u8.size()));
    if (!image.save(path, "PNG")) {
        error = "cannot write the PNG file " + file.string();
        return false;
    }
    return true;
}

void PhoneWindow::refresh() {
    update();
    updateFrameTimer();
    updateInputMethod();
    accessibility_->sync();
}

void PhoneWindow::updateFrameTimer() {
    if (ui::needsContinuousRedraw()) {
        if (!frameTimer_.isActive()) frameTimer_.start();
    } else {
        frameTimer_.stop();
    }
}

void PhoneWindow::updateInputMethod() {
    const bool enabled = window_->firstResponder() != nullptr;
    if (enabled == imEnabled_) {
        if (enabled) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImSurroundingText);
        return;
    }
    imEnabled_ = enabled;
    QGuiApplication::inputMethod()->update(Qt::ImQueryAll);
    if (!enabled) QGuiApplication::inputMethod()->reset();
}

void PhoneWindow::handled() {
    accessibility_->markChanged();
    refresh();
    if (afterInput) afterInput();
}

void PhoneWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QtCanvas canvas(painter);
    window_->draw(canvas);
    painter.end();
    updateFrameTimer();
    if (afterPaint) afterPaint();
}

void PhoneWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    event->accept();
    // Another button going down mid-touch changes nothing: one finger.
    if (touching_) return;
    touching_ = true;
    lastTouch_ = event->position();
    window_->touch(ui::TouchPhase::Began, clampToScreen(event->position()));
    handled();
}

void PhoneWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!touching_ || !(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
    event->accept();
    const QPointF p = event->position();
    if (p == lastTouch_) return;
    lastTouch_ = p;
    window_->touch(ui::TouchPhase::Moved, clampToScreen(p));
    handled();
}

void PhoneWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !touching_) return QWidget::mouseReleaseEvent(event);
    event->accept();
    touching_ = false;
    window_->touch(ui::TouchPhase::Ended, clampToScreen(event->position()));
    handled();
}

void PhoneWindow::cancelTouch() {
    if (!touching_) return;
    touching_ = false;
    window_->touch(ui::TouchPhase::Cancelled, clampToScreen(lastTouch_));
    handled();
}

void PhoneWindow::wheelEvent(QWheelEvent* event) {
    // Qt's deltas are positive when the content should come down (the wheel
    // turned away, fingers moving down a touchpad, or the reverse where the
    // desktop is set to natural scrolling, which we follow); the toolkit's
    // positive dy takes it up.
    QPointF points;
    if (!event->pixelDelta().isNull())
        points = -QPointF(event->pixelDelta());
    else
        points = -QPointF(event->angleDelta()) / 120.0 * kPointsPerWheelNotch;
    if (points.isNull()) return QWidget::wheelEvent(event);
    event->accept();
    window_->scroll(toPoint(event->position()), points.x(), points.y());
    handled();
}

bool PhoneWindow::focusKey(const QKeyEvent& event, bool& used) {
    using Move = ui::Window::FocusMove;
    ui::Window& w = *window_;
    // Enter and Space type into the field that has the keyboard, unless the
    // focus stands elsewhere (a search's results under the search field).
    ui::View* focused = w.focusedView();
    const bool onOther = focused && focused != w.firstResponder();
    switch (event.key()) {
        case Qt::Key_Up:
        case Qt::Key_Left: used = w.moveFocus(Move::Up); return true;
        case Qt::Key_Down:
        case Qt::Key_Right: used = w.moveFocus(Move::Down); return true;
        case Qt::Key_Escape: used = w.escapeKey(); return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (!onOther) return false;
            used = w.activateFocusedView();
            return true;
        default: return false;
    }
}

bool PhoneWindow::focusNextPrevChild(bool next) {
    window_->moveFocus(next ? ui::Window::FocusMove::Next : ui::Window::FocusMove::Previous);
    handled();
    return true;
}

void PhoneWindow::keyPressEvent(QKeyEvent* event) {
    bool used = false;
    if (focusKey(*event, used)) {
        event->accept();
        handled();
        return;
    }
    switch (event->key()) {
        case Qt::Key_Backspace: used = window_->deleteBackward(); break;
        case Qt::Key_Return:
        case Qt::Key_Enter: used = window_->returnKey(); break;
        default:
            if (isTypedText(*event)) used = window_->insertText(event->text().toStdString());
            break;
    }
    if (!used) return QWidget::keyPressEvent(event);
    event->accept();
    handled();
}

void PhoneWindow::inputMethodEvent(QInputMethodEvent* event) {
    // Only committed text reaches the toolkit; its fields have no marked
    // (pre-edit) text, which the input method shows in its own window.
    const QString commit = event->commitString();
    event->accept();
    if (commit.isEmpty()) return;
    window_->insertText(commit.toStdString());
    handled();
}

QVariant PhoneWindow::inputMethodQuery(Qt::InputMethodQuery query) const {
    const ui::View* responder = window_->firstResponder();
    switch (query) {
        case Qt::ImEnabled: return responder != nullptr;
        case Qt::ImHints: return static_cast<int>(Qt::ImhNone);
        case Qt::ImCursorRectangle:
        case Qt::ImAnchorRectangle:
        case Qt::ImInputItemClipRectangle: {
            if (!responder) return QRect();
            const ui::Rect f = responder->frameInWindow();
            // The caret at the end of the field, so candidates appear beside it.
            if (query == Qt::ImCursorRectangle)
                return QRectF(f.maxX() - 2, f.y(), 1, f.height()).toAlignedRect();
            return toQRectF(f).toAlignedRect();
        }
        case Qt::ImSurroundingText:
        case Qt::ImTextBeforeCursor:
            return responder ? QString::fromStdString(responder->text()) : QString();
        case Qt::ImTextAfterCursor:
        case Qt::ImCurrentSelection: return QString();
        case Qt::ImCursorPosition:
        case Qt::ImAnchorPosition:
            return responder ? static_cast<int>(QString::fromStdString(responder->text()).size()) : 0;
        default: return QWidget::inputMethodQuery(query);
    }
}

void PhoneWindow::hideEvent(QHideEvent* event) {
    cancelTouch();
    frameTimer_.stop();
    QWidget::hideEvent(event);
}

bool PhoneWindow::event(QEvent* event) {
    // Another window took over mid-touch: the finger is lost, as when a
    // call comes in on the phone.
    if (event->type() == QEvent::WindowDeactivate) cancelTouch();
    return QWidget::event(event);
}

}  // namespace platform::qt
