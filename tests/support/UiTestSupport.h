#pragma once
// What the toolkit suites share: a canvas that writes down what is drawn and
// a finger on a real window.
#include <string>
#include <vector>

#include "platform/ui/Canvas.h"
#include "platform/ui/Window.h"

namespace bus::test {

// Records every drawing call in window coordinates (translations applied)
// with the opacity in force. Every character (byte) is 8 points wide.
class RecordingCanvas : public ui::Canvas {
public:
    struct Op {
        std::string kind;  // "fillRect", "text", "image", "line", ... as the call is named
        ui::Rect rect;     // where (lines: from the first point to the second)
        std::string what;  // text or image name
        ui::Color color;
        double alpha = 1;
    };
    std::vector<Op> ops;
    std::vector<Op> find(const std::string& kind, const std::string& what = {}) const;
    // Position in ops of the first op of that kind and text, or -1.
    long indexOf(const std::string& kind, const std::string& what) const;

    void save() override { stack_.push_back(state_); }
    void restore() override { state_ = stack_.back(), stack_.pop_back(); }
    void translate(double dx, double dy) override { state_.dx += dx, state_.dy += dy; }
    void clipTo(const ui::Rect&) override {}
    void multiplyAlpha(double a) override { state_.alpha *= a; }
    void fillRect(const ui::Rect& r, const ui::Color& c) override { add("fillRect", r, "", c); }
    void fillRoundedRect(const ui::Rect& r, double, const ui::Color& c) override { add("fillRoundedRect", r, "", c); }
    void strokeRect(const ui::Rect& r, double, const ui::Color& c, double) override { add("strokeRect", r, "", c); }
    void drawLine(ui::Point a, ui::Point b, double, const ui::Color& c) override {
        add("line", {a.x, a.y, b.x - a.x, b.y - a.y}, "", c);
    }
    void fillEllipse(const ui::Rect& r, const ui::Color& c) override { add("ellipse", r, "", c); }
    void drawText(const ui::Rect& r, const std::string& t, const ui::Font&, const ui::Color& c,
                  ui::TextAlignment) override {
        add("text", r, t, c);
    }
    void drawWrappedText(const ui::Rect& r, const std::string& t, const ui::Font&, const ui::Color& c) override {
        add("text", r, t, c);
    }
    void drawImage(const ui::Rect& r, const std::string& name) override { add("image", r, name, {}); }
    double textWidth(const std::string& text, const ui::Font&) override { return 8.0 * double(text.size()); }

private:
    void add(std::string kind, ui::Rect r, std::string what, ui::Color c) {
        ops.push_back({std::move(kind), r.offsetBy(state_.dx, state_.dy), std::move(what), c, state_.alpha});
    }
    struct State { double dx = 0, dy = 0, alpha = 1; } state_;
    std::vector<State> stack_;
};

// A finger on the window: taps and drags as the desktop window sends them.
// Drags advance the virtual clock between steps so that they have a speed.
struct Finger {
    ui::Window& window;
    void down(ui::Point p) { window.touch(ui::TouchPhase::Began, p); }
    void move(ui::Point p) { window.touch(ui::TouchPhase::Moved, p); }
    void up(ui::Point p) { window.touch(ui::TouchPhase::Ended, p); }
    void tap(ui::Point p) { down(p), up(p); }
    // Taps the middle of the visible part of the front-most view showing the text; false when none does.
    bool tapText(const std::string& text);
    // From `from` to `to` in `steps` moves over `seconds` of virtual time.
    void drag(ui::Point from, ui::Point to, int steps = 10, double seconds = 0.2);
};

// The centre of a view on the window.
inline ui::Point centerOf(const ui::View& v) { return {v.frameInWindow().midX(), v.frameInWindow().midY()}; }

}  // namespace bus::test
