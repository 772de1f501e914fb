#include "ui_screens/ScreensTestSupport.h"

namespace bus::test {

RecordingScreen::RecordingScreen(std::string n, std::shared_ptr<EventLog> l) : name(std::move(n)), log(std::move(l)) {
    declareKey("lineId", lineId);
    declareKey("direction", direction);
    declareKey("currentStation", currentStation);
}

RecordingScreen::~RecordingScreen() { log->push_back(name + ".destroyed"); }

void RecordingScreen::viewDidLoad() {
    log->push_back(name + ".viewDidLoad");
    seenAtLoad = {{"lineId", lineId}, {"direction", direction}, {"currentStation", currentStation}};
}
void RecordingScreen::viewWillAppear(bool) { log->push_back(name + ".willAppear"); }
void RecordingScreen::viewDidAppear(bool) { log->push_back(name + ".didAppear"); }
void RecordingScreen::viewWillDisappear(bool) { log->push_back(name + ".willDisappear"); }
void RecordingScreen::viewDidDisappear(bool) { log->push_back(name + ".didDisappear"); }
void RecordingScreen::touchesBegan(const ui::Touch&) { log->push_back(name + ".touchesBegan"); }
void RecordingScreen::touchesEnded(const ui::Touch&) { log->push_back(name + ".touchesEnded"); }
void RecordingScreen::touchesCancelled(const ui::Touch&) { log->push_back(name + ".touchesCancelled"); }

void TextInput::deleteBackward() {
    if (typed.empty()) return;
    std::size_t i = typed.size() - 1;
    while (i > 0 && (static_cast<unsigned char>(typed[i]) & 0xC0) == 0x80) --i;
    typed.erase(i);
}

long RecordingCanvas::indexOfText(const std::string& t) const {
    for (std::size_t i = 0; i < ops.size(); ++i)
        if (ops[i].kind == "text" && ops[i].text == t) return static_cast<long>(i);
    return -1;
}

}  // namespace bus::test
