#pragma once
// Screens and views that write down what happens to them, for the
// navigation, window and driver tests.
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/ui/Canvas.h"
#include "platform/ui/ViewController.h"

namespace bus::test {

// Lines such as "Live.viewDidLoad" in the order they happened.
using EventLog = std::vector<std::string>;

// A screen that records its lifecycle and touches under a name and takes the
// hand-over keys of the live bus screen.
class RecordingScreen : public ui::ViewController {
public:
    RecordingScreen(std::string name, std::shared_ptr<EventLog> log);
    ~RecordingScreen() override;

    void viewDidLoad() override;
    void viewWillAppear(bool) override;
    void viewDidAppear(bool) override;
    void viewWillDisappear(bool) override;
    void viewDidDisappear(bool) override;
    void touchesBegan(const ui::Touch&) override;
    void touchesEnded(const ui::Touch&) override;
    void touchesCancelled(const ui::Touch&) override;

    std::string name;
    std::shared_ptr<EventLog> log;
    nlohmann::json lineId;
    nlohmann::json direction;
    std::string currentStation;
    // What the keys held when viewDidLoad ran.
    nlohmann::json seenAtLoad;
};

// A view that records the touches that reach it.
class TouchRecorder : public ui::View {
public:
    explicit TouchRecorder(const ui::Rect& frame) : ui::View(frame) {}
    void touchesBegan(const ui::Touch& t) override { events.push_back("began"), last = t; }
    void touchesMoved(const ui::Touch& t) override { events.push_back("moved"), last = t; }
    void touchesEnded(const ui::Touch& t) override { events.push_back("ended"), last = t; }
    void touchesCancelled(const ui::Touch& t) override { events.push_back("cancelled"), last = t; }
    std::vector<std::string> events;
    ui::Touch last;
};

// A scrolling area: it pans and takes the wheel.
class PanRecorder : public TouchRecorder {
public:
    using TouchRecorder::TouchRecorder;
    bool handlesPan() const override { return true; }
    void panBegan(ui::Point at) override { panStart = at, pans.push_back("began"); }
    void panChanged(ui::Point translation) override { lastTranslation = translation, pans.push_back("changed"); }
    void panEnded(ui::Point translation, ui::Point v) override {
        lastTranslation = translation, velocity = v, pans.push_back("ended");
    }
    void scrollBy(double dx, double dy) override { scrolled.x += dx, scrolled.y += dy; }
    std::vector<std::string> pans;
    ui::Point panStart, lastTranslation, velocity, scrolled;
};

// A field that takes the keyboard and keeps what was typed.
class TextInput : public TouchRecorder {
public:
    using TouchRecorder::TouchRecorder;
    bool canBecomeFirstResponder() const override { return true; }
    void insertText(const std::string& t) override { typed += t; }
    void deleteBackward() override;  // removes one UTF-8 character
    void returnKey() override { ++returns; }
    void didBecomeFirstResponder() override { ++became; }
    void didResignFirstResponder() override { ++resigned; }
    std::string text() const override { return typed; }
    std::string typed;
    int returns = 0, became = 0, resigned = 0;
};

// A canvas that keeps the texts drawn and the fills, in order.
class RecordingCanvas : public ui::Canvas {
public:
    struct Op {
        std::string kind;  // "text", "fill", "image"
        std::string text;
        ui::Rect rect;  // in window points
        ui::Color color;
    };
    void save() override { stack_.push_back(offset_); }
    void restore() override {
        offset_ = stack_.back();
        stack_.pop_back();
    }
    void translate(double dx, double dy) override { offset_.x += dx, offset_.y += dy; }
    void clipTo(const ui::Rect&) override {}
    void multiplyAlpha(double) override {}
    void fillRect(const ui::Rect& r, const ui::Color& c) override { ops.push_back({"fill", {}, at(r), c}); }
    void fillRoundedRect(const ui::Rect& r, double, const ui::Color& c) override { fillRect(r, c); }
    void strokeRect(const ui::Rect&, double, const ui::Color&, double) override {}
    void drawLine(ui::Point, ui::Point, double, const ui::Color&) override {}
    void fillEllipse(const ui::Rect&, const ui::Color&) override {}
    void drawText(const ui::Rect& r, const std::string& t, const ui::Font&, const ui::Color& c,
                  ui::TextAlignment) override {
        ops.push_back({"text", t, at(r), c});
    }
    void drawWrappedText(const ui::Rect& r, const std::string& t, const ui::Font& f, const ui::Color& c) override {
        drawText(r, t, f, c, ui::TextAlignment::Left);
    }
    void drawImage(const ui::Rect& r, const std::string& name) override { ops.push_back({"image", name, at(r), {}}); }
    double textWidth(const std::string& t, const ui::Font& f) override { return 0.6 * f.size * double(t.size()); }

    // Position of the first text op with that text, or -1.
    long indexOfText(const std::string& t) const;
    std::vector<Op> ops;

private:
    ui::Rect at(const ui::Rect& r) const { return r.offsetBy(offset_.x, offset_.y); }
    ui::Point offset_;
    std::vector<ui::Point> stack_;
};

}  // namespace bus::test
