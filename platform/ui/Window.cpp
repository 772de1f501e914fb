#include "platform/ui/Window.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <deque>
#include <functional>

#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/ui/PressableView.h"
#include "platform/ui/TextMetrics.h"
#include "platform/ui/ViewController.h"

namespace ui {

namespace {

int estimatedLines(const std::string& text, double fontSize, double width) {
    if (text.empty()) return 0;
    return std::max(1, static_cast<int>(std::ceil(estimatedTextWidth(text, fontSize) / width)));
}

class WindowRootView : public View {
public:
    WindowRootView() : View(Rect{0, 0, Window::kWidth, Window::kHeight}) { backgroundColor = Color::white(); }
    std::string className() const override { return "Window"; }
};

class StatusBarView : public View {
public:
    StatusBarView() : View(Rect{0, 0, Window::kWidth, Window::kStatusBarHeight}) {
        backgroundColor = kBarColor;
        userInteractionEnabled = false;
        // The desktop tells the time and the battery; a phone's bar is decoration here.
        setAccessibilityElementsHidden(true);
    }
    std::string className() const override { return "StatusBar"; }
    void draw(Canvas& canvas) override {
        View::draw(canvas);
        const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
        std::tm local{};
        localtime_r(&now, &local);
        char clock[8];
        std::snprintf(clock, sizeof clock, "%02d:%02d", local.tm_hour, local.tm_min);
        const Rect b = bounds();
        canvas.drawText(b, clock, Font::boldSystem(12), Color::black(), TextAlignment::Center);
        // A battery at the right edge.
        const Rect battery{b.width() - 32, 6, 22, 9};
        canvas.strokeRect(battery, 1, Color::black(), 2);
        canvas.fillRect({battery.x() + 2, battery.y() + 2, 16, 5}, Color::black());
        canvas.fillRect({battery.maxX(), battery.y() + 3, 1.5, 3}, Color::black());
    }
};

class AlertTextView : public View {
public:
    AlertTextView(const Rect& frame, std::string text, Font font) : View(frame), text_(std::move(text)), font_(font) {
        userInteractionEnabled = false;
    }
    std::string className() const override { return "AlertText"; }
    std::string text() const override { return text_; }
    void draw(Canvas& canvas) override {
        if (frame().height() > font_.size * 1.6)
            canvas.drawWrappedText(bounds(), text_, font_, Color::black());
        else
            canvas.drawText(bounds(), text_, font_, Color::black(), TextAlignment::Center);
    }

protected:
    bool defaultIsAccessibilityElement() const override { return true; }
    AccessibilityRole defaultAccessibilityRole() const override { return AccessibilityRole::Label; }

private:
    std::string text_;
    Font font_;
};

// A button of an alert: dismisses the alert with its index.
class AlertButtonView : public PressableView {
public:
    AlertButtonView(const Rect& frame, std::string title, int index, bool bold,
                    std::shared_ptr<platform::AlertView> alert)
        : PressableView(frame), title_(std::move(title)), index_(index), bold_(bold), alert_(std::move(alert)) {}
    std::string className() const override { return "AlertButton"; }
    std::string text() const override { return title_; }
    void draw(Canvas& canvas) override {
        if (isHighlighted()) canvas.fillRect(bounds(), Color::rgba(0.85, 0.85, 0.85));
        canvas.drawText(bounds(), title_, bold_ ? Font::boldSystem(17) : Font::system(17), Color::tint(),
                        TextAlignment::Center);
    }

protected:
    void pressed() override { alert_->dismissWithClickedButtonIndex(index_, true); }

private:
    std::string title_;
    int index_;
    bool bold_;
    std::shared_ptr<platform::AlertView> alert_;
};

}  // namespace

// The alerts on screen: a dimming layer over the whole window with the
// front-most alert's box in the middle. It takes every touch that its
// buttons do not, so nothing below reacts while an alert shows.
class AlertLayer : public View {
public:
    explicit AlertLayer(const std::shared_ptr<platform::AlertView>& alert)
        : View(Rect{0, 0, Window::kWidth, Window::kHeight}) {
        backgroundColor = Color::rgba(0, 0, 0, 0.4);
        setAccessibilityLabel(alert->title().empty() ? alert->message() : alert->title());
        if (!alert->title().empty()) setAccessibilityHint(alert->message());
        constexpr double boxWidth = 270, pad = 16, textWidth = boxWidth - 2 * pad, buttonHeight = 44;
        auto box = make<View>();
        box->backgroundColor = kBarColor;
        box->cornerRadius = 12;
        double y = pad + 4;
        if (!alert->title().empty()) {
            const double h = 22.0 * estimatedLines(alert->title(), 17, textWidth);
            box->addSubview(make<AlertTextView>(Rect{pad, y, textWidth, h}, alert->title(), Font::boldSystem(17)));
            y += h + 4;
        }
        if (!alert->message().empty()) {
            const double h = 17.0 * estimatedLines(alert->message(), 13, textWidth);
            box->addSubview(make<AlertTextView>(Rect{pad, y, textWidth, h}, alert->message(), Font::system(13)));
            y += h;
        }
        y += pad;
        const auto titles = alert->buttonTitles();
        const Color separator = Color::rgba(0.8, 0.8, 0.8);
        auto addSeparator = [&](const Rect& r) {
            auto line = make<View>(r);
            line->backgroundColor = separator;
            line->userInteractionEnabled = false;
            box->addSubview(line);
        };
        if (titles.size() == 2) {
            // Side by side, as phones place a pair of buttons.
            addSeparator({0, y, boxWidth, 0.5});
            addSeparator({boxWidth / 2, y, 0.5, buttonHeight});
            for (int i = 0; i < 2; ++i)
                box->addSubview(make<AlertButtonView>(Rect{i * boxWidth / 2, y, boxWidth / 2, buttonHeight},
                                                      titles[static_cast<std::size_t>(i)], i,
                                                      i == alert->cancelButtonIndex(), alert));
            y += buttonHeight;
        } else {
            for (std::size_t i = 0; i < titles.size(); ++i) {
                addSeparator({0, y, boxWidth, 0.5});
                const int index = static_cast<int>(i);
                box->addSubview(make<AlertButtonView>(Rect{0, y, boxWidth, buttonHeight}, titles[i], index,
                                                      index == alert->cancelButtonIndex(), alert));
                y += buttonHeight;
            }
        }
        box->setFrame({(Window::kWidth - boxWidth) / 2, (Window::kHeight - y) / 2, boxWidth, y});
        addSubview(box);
    }
    std::string className() const override { return "AlertLayer"; }
    // Swallowed: nothing behind an alert hears about touches on it.
    void touchesBegan(const Touch&) override {}
    void touchesMoved(const Touch&) override {}
    void touchesEnded(const Touch&) override {}
    void touchesCancelled(const Touch&) override {}

protected:
    AccessibilityRole defaultAccessibilityRole() const override { return AccessibilityRole::Alert; }
};

struct Window::TouchTrack {
    std::shared_ptr<View> view;
    std::vector<std::shared_ptr<GestureRecognizer>> recognizers;
    Point start;
    std::shared_ptr<View> panView;
    bool cancelled = false;
    std::deque<std::pair<double, Point>> samples;  // recent positions for the pan's velocity
};

Window::Window() : root_(std::make_shared<WindowRootView>()), statusBar_(std::make_shared<StatusBarView>()) {
    root_->setWindow(this);
    root_->addSubview(statusBar_);
}

Window::~Window() {
    setAccessibilityObserver(nullptr);
    track_.reset();
    if (rootController_) {
        rootController_->beginAppearanceTransition(false, false);
        rootController_->endAppearanceTransition();
    }
    root_->setWindow(nullptr);
}

void Window::setRootViewController(std::shared_ptr<ViewController> controller) {
    if (controller == rootController_) return;
    auto old = rootController_;
    if (old) old->beginAppearanceTransition(false, false);
    if (controller) {
        controller->view()->setFrame(contentFrame());
        controller->beginAppearanceTransition(true, false);
    }
    if (old && old->isViewLoaded()) old->view()->removeFromSuperview();
    if (controller) root_->insertSubview(controller->view(), 0);
    rootController_ = controller;
    if (old) old->endAppearanceTransition();
    if (controller) controller->endAppearanceTransition();
}

void Window::draw(Canvas& canvas) {
    syncAlerts();
    syncFocus();
    canvas.save();
    View::drawTree(*root_, canvas);
    drawFocusRing(canvas);
    canvas.restore();
}

void Window::syncAlerts() {
    auto visible = platform::AlertCenter::shared().visibleAlerts();
    if (visible == shownAlerts_) return;
    shownAlerts_ = std::move(visible);
    if (alertLayer_) alertLayer_->removeFromSuperview();
    alertLayer_.reset();
    if (shownAlerts_.empty()) return;
    alertLayer_ = std::make_shared<AlertLayer>(shownAlerts_.back());
    root_->addSubview(alertLayer_);
    alertLayer_->postAccessibilityNotification(AccessibilityNotification::Announcement);
    // A finger that was down on the screen below loses its touch.
    if (track_ && !track_->view->isDescendantOf(alertLayer_.get())) {
        auto track = std::move(track_);
        if (track->panView)
            track->panView->panEnded({0, 0}, {0, 0});
        else if (!track->cancelled) {
            const Touch t = makeTouch(TouchPhase::Cancelled, track->samples.back().second);
            for (auto& r : track->recognizers) r->touchesCancelled(t);
            track->view->touchesCancelled(t);
        }
    }
}

View* Window::alertLayerView() const { return alertLayer_.get(); }

Touch Window::makeTouch(TouchPhase phase, Point p) const {
    Touch t;
    t.phase = phase;
    t.locationInWindow = p;
    t.startInWindow = track_ ? track_->start : p;
    t.timestamp = platform::RunLoop::main().now();
    return t;
}

void Window::touch(TouchPhase phase, Point p) {
    switch (phase) {
        case TouchPhase::Began: beginTouch(p); break;
        case TouchPhase::Moved: moveTouch(p); break;
        case TouchPhase::Ended: endTouch(p, false); break;
        case TouchPhase::Cancelled: endTouch(p, true); break;
    }
}

void Window::beginTouch(Point p) {
    syncAlerts();
    // A finger on the glass ends keyboard use: the ring goes.
    focus_ = {};
    if (track_) endTouch(track_->samples.back().second, true);
    View* hit = root_->hitTest(p);
    if (!hit) return;
    auto view = hit->shared_from_this();
    const bool inAlert = alertLayer_ && hit->isDescendantOf(alertLayer_.get());
    if (!inAlert) {
        if (hit->canBecomeFirstResponder())
            makeFirstResponder(hit);
        else if (View* fr = firstResponder(); fr && !hit->isDescendantOf(fr))
            resignFirstResponder();
    }
    auto track = std::make_unique<TouchTrack>();
    track->view = view;
    track->start = p;
    track->samples.emplace_back(platform::RunLoop::main().now(), p);
    for (View* v = hit; v; v = v->superview())
        for (auto& r : v->gestureRecognizers())
            if (r->enabled) track->recognizers.push_back(r);
    track_ = std::move(track);
    const Touch t = makeTouch(TouchPhase::Began, p);
    auto recognizers = track_->recognizers;
    for (auto& r : recognizers) r->touchesBegan(t);
    view->touchesBegan(t);
}

void Window::moveTouch(Point p) {
    syncAlerts();
    if (!track_) return;
    const double now = platform::RunLoop::main().now();
    track_->samples.emplace_back(now, p);
    while (track_->samples.size() > 2 && now - track_->samples.front().first > 0.1) track_->samples.pop_front();
    const Point translation{p.x - track_->start.x, p.y - track_->start.y};
    if (track_->panView) {
        auto pan = track_->panView;
        pan->panChanged(translation);
        return;
    }
    if (track_->cancelled) return;
    if (std::hypot(translation.x, translation.y) > kPanSlop) {
        View* panner = nullptr;
        for (View* v = track_->view.get(); v; v = v->superview())
            if (v->handlesPan()) {
                panner = v;
                break;
            }
        if (panner) {
            auto pan = panner->shared_from_this();
            track_->panView = pan;
            track_->cancelled = true;
            const Touch t = makeTouch(TouchPhase::Cancelled, p);
            auto recognizers = track_->recognizers;
            auto view = track_->view;
            for (auto& r : recognizers) r->touchesCancelled(t);
            view->touchesCancelled(t);
            const Point start = track_ ? track_->start : p;
            pan->panBegan(start);
            pan->panChanged(translation);
            return;
        }
    }
    const Touch t = makeTouch(TouchPhase::Moved, p);
    auto recognizers = track_->recognizers;
    auto view = track_->view;
    for (auto& r : recognizers) r->touchesMoved(t);
    view->touchesMoved(t);
}

void Window::endTouch(Point p, bool cancelled) {
    if (!track_) return;
    const double now = platform::RunLoop::main().now();
    track_->samples.emplace_back(now, p);
    Touch t = makeTouch(cancelled ? TouchPhase::Cancelled : TouchPhase::Ended, p);
    auto track = std::move(track_);
    const Point translation{p.x - track->start.x, p.y - track->start.y};
    if (track->panView) {
        Point velocity{0, 0};
        while (track->samples.size() > 2 && now - track->samples.front().first > 0.1) track->samples.pop_front();
        const auto& [t0, p0] = track->samples.front();
        if (!cancelled && now > t0) velocity = {(p.x - p0.x) / (now - t0), (p.y - p0.y) / (now - t0)};
        track->panView->panEnded(translation, velocity);
        return;
    }
    if (track->cancelled) return;
    if (cancelled) {
        for (auto& r : track->recognizers) r->touchesCancelled(t);
        track->view->touchesCancelled(t);
    } else {
        bool recognized = false;
        for (auto& r : track->recognizers) {
            r->touchesEnded(t);
            recognized = recognized || r->hasRecognized();
        }
        // A recognised gesture took the touch: what lies below only hears
        // that it was cancelled.
        if (recognized) {
            t.phase = TouchPhase::Cancelled;
            track->view->touchesCancelled(t);
        } else {
            track->view->touchesEnded(t);
        }
    }
}

void Window::scroll(Point at, double dx, double dy) {
    syncAlerts();
    if (!shownAlerts_.empty()) return;
    View* hit = root_->hitTest(at);
    for (View* v = hit; v; v = v->superview())
        if (v->handlesPan()) {
            auto keep = v->shared_from_this();
            v->scrollBy(dx, dy);
            return;
        }
}

View* Window::firstResponder() const {
    auto fr = firstResponder_.lock();
    if (!fr || fr->window() != this) return nullptr;
    return fr.get();
}

bool Window::makeFirstResponder(View* view) {
    if (!view || !view->canBecomeFirstResponder()) return false;
    if (view == firstResponder()) return true;
    resignFirstResponder();
    firstResponder_ = view->weak_from_this();
    view->didBecomeFirstResponder();
    return true;
}

void Window::resignFirstResponder() {
    auto fr = firstResponder_.lock();
    firstResponder_.reset();
    if (fr) fr->didResignFirstResponder();
}

bool Window::sendToKeyboard(const std::function<void(View&)>& send) {
    syncAlerts();
    View* fr = firstResponder();
    // An alert in front shuts the keyboard out as it shuts out touches.
    if (!fr || !shownAlerts_.empty()) return false;
    auto keep = fr->shared_from_this();
    send(*fr);
    return true;
}

bool Window::insertText(const std::string& text) {
    // Typing into a field the focus stands on starts editing it, as a tap
    // would; merely moving the focus there changes nothing on screen.
    syncAlerts();
    View* focused = currentFocus();
    if (focused && shownAlerts_.empty() && focused != firstResponder() && focused->canBecomeFirstResponder())
        makeFirstResponder(focused);
    return sendToKeyboard([&](View& v) { v.insertText(text); });
}
bool Window::deleteBackward() {
    return sendToKeyboard([](View& v) { v.deleteBackward(); });
}
bool Window::returnKey() {
    return sendToKeyboard([](View& v) { v.returnKey(); });
}

nlohmann::json Window::describe() {
    syncAlerts();
    return root_->describe();
}

Rect Window::visibleFrameOf(const View& view) const {
    if (view.window() != this) return {};
    Rect r = view.frameInWindow().intersection({0, 0, kWidth, kHeight});
    for (const View* v = view.superview(); v && !r.isEmpty(); v = v->superview())
        if (v->clipsToBounds) r = r.intersection(v->frameInWindow());
    return r.isEmpty() ? Rect{} : r;
}

namespace {
void findShowing(View& view, const std::function<bool(const View&)>& shows, double alpha, const Rect& clip,
                 View*& found) {
    alpha *= view.alpha;
    if (view.hidden || alpha < 0.01) return;
    const Rect frame = view.frameInWindow();
    if (shows(view) && !frame.intersection(clip).isEmpty()) found = &view;
    const Rect childClip = view.clipsToBounds ? clip.intersection(frame) : clip;
    if (childClip.isEmpty()) return;
    for (const auto& child : view.subviews()) findShowing(*child, shows, alpha, childClip, found);
}
}  // namespace

View* Window::findViewShowing(const std::function<bool(const View&)>& shows) {
    syncAlerts();
    View* found = nullptr;
    findShowing(*root_, shows, 1.0, {0, 0, kWidth, kHeight}, found);
    return found;
}

View* Window::findViewShowingText(const std::string& text) {
    return findViewShowing([&](const View& v) { return v.text() == text; });
}

View* Window::findViewShowingImage(const std::string& name) {
    return findViewShowing([&](const View& v) { return v.imageName() == name; });
}

}  // namespace ui
