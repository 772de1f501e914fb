#pragma once
// What the control tests share: a canvas that writes down what is drawn,
// a finger on a real window, and a table data source that counts what it
// is asked.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Canvas.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"

namespace bus::test {

// Records every drawing call in window coordinates (translations applied),
// with the opacity in force.
class RecordingCanvas : public ui::Canvas {
public:
    struct Op {
        std::string kind;  // "fillRect", "text", "image", "line", ...
        ui::Rect rect;     // where (lines: from the first point to the second)
        std::string what;  // text or image name
        ui::Color color;
        double alpha = 1;
    };
    std::vector<Op> ops;

    void save() override { stack_.push_back(state_); }
    void restore() override {
        if (!stack_.empty()) state_ = stack_.back(), stack_.pop_back();
    }
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
    // Every character (byte) is 8 points wide: enough to place titles.
    double textWidth(const std::string& text, const ui::Font&) override { return 8.0 * text.size(); }

    std::vector<Op> find(const std::string& kind, const std::string& what = {}) const;

private:
    struct State {
        double dx = 0, dy = 0, alpha = 1;
    };
    void add(std::string kind, ui::Rect r, std::string what, ui::Color c) {
        ops.push_back({std::move(kind), r.offsetBy(state_.dx, state_.dy), std::move(what), c, state_.alpha});
    }
    State state_;
    std::vector<State> stack_;
};

// A finger on the window: taps and drags as the desktop window sends them.
// Drags advance the virtual clock between steps so that they have a speed.
struct Finger {
    ui::Window& window;
    void tap(ui::Point p);
    void down(ui::Point p) { window.touch(ui::TouchPhase::Began, p); }
    void move(ui::Point p) { window.touch(ui::TouchPhase::Moved, p); }
    void up(ui::Point p) { window.touch(ui::TouchPhase::Ended, p); }
    // From `from` to `to` in `steps` moves over `seconds` of virtual time.
    void drag(ui::Point from, ui::Point to, int steps = 10, double seconds = 0.2);
};

// The centre of a view on the window.
ui::Point centerOf(const ui::View& v);

// A one-section table source over a list of texts; counts every question.
class CountingSource : public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    std::vector<std::string> rows;
    int rowCountQuestions = 0;
    int cellsMade = 0;        // new cells (nothing to dequeue)
    int cellsAsked = 0;       // cellForRowAtIndexPath calls
    std::vector<ui::IndexPath> selected;
    std::vector<ui::IndexPath> committed;
    bool offersDelete = false;
    // Called after the cell is filled, to add subviews in tests.
    std::function<void(ui::TableViewCell&, const ui::IndexPath&)> decorate;

    int numberOfRowsInSection(ui::TableView&, int) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             const ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& ip) override { selected.push_back(ip); }
    ui::TableViewCellEditingStyle editingStyleForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override {
        return offersDelete ? ui::TableViewCellEditingStyle::Delete : ui::TableViewCellEditingStyle::None;
    }
    void commitEditingStyle(ui::TableView&, ui::TableViewCellEditingStyle style, const ui::IndexPath& ip) override;
};

}  // namespace bus::test
