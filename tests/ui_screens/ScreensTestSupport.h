#pragma once
// Screens and views that write down what happens to them, for the
// navigation, window and driver tests.
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/ui/ViewController.h"
#include "support/UiTestSupport.h"

namespace bus::test {

// Lines such as "Live.viewDidLoad" in the order they happened.
using EventLog = std::vector<std::string>;

// A screen that records its lifecycle and touches under a name and takes the
// hand-over keys of the live bus screen.
class RecordingScreen : public ui::ViewController {
public:
    RecordingScreen(std::string n, std::shared_ptr<EventLog> l) : name(std::move(n)), log(std::move(l)) {
        declareKey("lineId", lineId);
        declareKey("direction", direction);
        declareKey("currentStation", currentStation);
    }
    ~RecordingScreen() override { note("destroyed"); }
    void viewDidLoad() override {
        note("viewDidLoad");
        seenAtLoad = {{"lineId", lineId}, {"direction", direction}, {"currentStation", currentStation}};
    }
    void viewWillAppear(bool) override { note("willAppear"); }
    void viewDidAppear(bool) override { note("didAppear"); }
    void viewWillDisappear(bool) override { note("willDisappear"); }
    void viewDidDisappear(bool) override { note("didDisappear"); }
    void touchesBegan(const ui::Touch&) override { note("touchesBegan"); }
    void touchesEnded(const ui::Touch&) override { note("touchesEnded"); }
    void note(const std::string& what) { log->push_back(name + "." + what); }

    std::string name;
    std::shared_ptr<EventLog> log;
    nlohmann::json lineId, direction;
    std::string currentStation;
    nlohmann::json seenAtLoad;  // what the keys held when viewDidLoad ran
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

}  // namespace bus::test
