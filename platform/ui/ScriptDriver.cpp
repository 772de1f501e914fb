#include "platform/ui/ScriptDriver.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <sstream>
#include <vector>

#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/ui/Window.h"

namespace ui {

namespace {

std::string trim(const std::string& s) {
    const auto begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return {};
    const auto end = s.find_last_not_of(" \t\r\n");
    return s.substr(begin, end - begin + 1);
}

// The rest of a step's line as one text, without surrounding quotes.
std::string textArgument(const std::string& rest) {
    std::string t = trim(rest);
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"') t = t.substr(1, t.size() - 2);
    return t;
}

bool parseNumber(const std::string& word, double& out) {
    if (word.empty()) return false;
    errno = 0;
    char* end = nullptr;
    out = std::strtod(word.c_str(), &end);
    return errno == 0 && end == word.c_str() + word.size() && std::isfinite(out);
}

// Splits into numbers; false with a reason unless the count is in range.
bool numbers(const std::string& rest, std::size_t least, std::size_t most, std::vector<double>& out,
             std::string& error) {
    std::istringstream in(rest);
    std::string word;
    out.clear();
    while (in >> word) {
        double v = 0;
        if (!parseNumber(word, v)) {
            error = "\"" + word + "\" is not a number";
            return false;
        }
        out.push_back(v);
    }
    if (out.size() < least || out.size() > most) {
        error = least == most ? "needs " + std::to_string(least) + " numbers"
                              : "needs " + std::to_string(least) + " to " + std::to_string(most) + " numbers";
        return false;
    }
    return true;
}

}  // namespace

std::string ScriptDriver::Result::describe(const std::string& scriptName) const {
    if (ok) return scriptName + ": all " + std::to_string(stepsRun) + " steps passed";
    return scriptName + ":" + std::to_string(line) + ": " + step + ": " + message;
}

ScriptDriver::ScriptDriver(Window& window) : window_(window) {}

void ScriptDriver::settle() { platform::RunLoop::main().drain(); }

void ScriptDriver::pass(double seconds) {
    if (seconds <= 0) {
        settle();
        return;
    }
    if (wait) {
        wait(seconds);
        return;
    }
    auto& loop = platform::RunLoop::main();
    if (loop.isVirtualClock()) {
        loop.advance(seconds);
        return;
    }
    const double deadline = loop.now() + seconds;
    for (double left = seconds; left > 0; left = deadline - loop.now()) loop.runOnce(std::min(left, 0.05));
    settle();
}

bool ScriptDriver::tapAt(double x, double y, std::string&) {
    window_.touch(TouchPhase::Began, {x, y});
    window_.touch(TouchPhase::Ended, {x, y});
    settle();
    return true;
}

bool ScriptDriver::runStep(const std::string& rawLine, std::string& error) {
    const std::string line = trim(rawLine);
    if (line.empty() || line.front() == '#') return true;
    const auto space = line.find_first_of(" \t");
    const std::string command = line.substr(0, space);
    const std::string rest = space == std::string::npos ? std::string{} : trim(line.substr(space + 1));
    std::vector<double> n;

    if (command == "tap") {
        if (!numbers(rest, 2, 2, n, error)) return false;
        return tapAt(n[0], n[1], error);
    }
    if (command == "tap_text") {
        const std::string text = textArgument(rest);
        if (text.empty()) {
            error = "needs a text";
            return false;
        }
        View* view = window_.findViewShowingText(text);
        if (!view) {
            error = "nothing visible shows \"" + text + "\"";
            return false;
        }
        const Rect r = window_.visibleFrameOf(*view);
        return tapAt(r.midX(), r.midY(), error);
    }
    if (command == "type" || command == "backspace" || command == "return") {
        int count = 1;
        if (command == "backspace" && !rest.empty()) {
            if (!numbers(rest, 1, 1, n, error)) return false;
            if (n[0] < 0 || n[0] != std::floor(n[0])) {
                error = "needs a whole count";
                return false;
            }
            count = static_cast<int>(n[0]);
        }
        if (command == "type" && textArgument(rest).empty()) {
            error = "needs a text";
            return false;
        }
        for (int i = 0; i < count; ++i) {
            const bool delivered = command == "type"        ? window_.insertText(textArgument(rest))
                                   : command == "backspace" ? window_.deleteBackward()
                                                            : window_.returnKey();
            if (!delivered) {
                error = platform::AlertCenter::shared().frontAlert() ? "an alert is in front of the keyboard"
                                                                      : "no view has the keyboard";
                return false;
            }
        }
        settle();
        return true;
    }
    if (command == "drag") {
        if (!numbers(rest, 4, 5, n, error)) return false;
        const double seconds = n.size() == 5 ? n[4] : 0.3;
        if (seconds < 0) {
            error = "a drag cannot take negative time";
            return false;
        }
        constexpr int steps = 10;
        window_.touch(TouchPhase::Began, {n[0], n[1]});
        for (int i = 1; i <= steps; ++i) {
            pass(seconds / steps);
            const double f = static_cast<double>(i) / steps;
            window_.touch(TouchPhase::Moved, {n[0] + (n[2] - n[0]) * f, n[1] + (n[3] - n[1]) * f});
        }
        window_.touch(TouchPhase::Ended, {n[2], n[3]});
        settle();
        return true;
    }
    if (command == "wheel") {
        if (!numbers(rest, 3, 3, n, error)) return false;
        window_.scroll({n[0], n[1]}, 0, n[2]);
        settle();
        return true;
    }
    if (command == "wait") {
        if (!numbers(rest, 1, 1, n, error)) return false;
        if (n[0] < 0) {
            error = "cannot wait a negative time";
            return false;
        }
        pass(n[0]);
        return true;
    }
    if (command == "screenshot") {
        const std::string file = textArgument(rest);
        if (file.empty()) {
            error = "needs a file name";
            return false;
        }
        if (!screenshot) {
            error = "screenshots need a host that paints the window (the desktop window, also offscreen)";
            return false;
        }
        std::string why;
        if (!screenshot(file, why)) {
            error = "could not save " + file + (why.empty() ? "" : ": " + why);
            return false;
        }
        return true;
    }
    if (command == "dump") {
        const std::string file = textArgument(rest);
        if (file.empty()) {
            error = "needs a file name";
            return false;
        }
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << window_.describe().dump(2) << "\n";
        out.close();
        if (!out) {
            error = "could not write " + file;
            return false;
        }
        return true;
    }
    if (command == "expect_text" || command == "expect_no_text") {
        const std::string text = textArgument(rest);
        if (text.empty()) {
            error = "needs a text";
            return false;
        }
        const bool shown = window_.findViewShowingText(text) != nullptr;
        if (command == "expect_text" && !shown) {
            error = "nothing visible shows \"" + text + "\"";
            return false;
        }
        if (command == "expect_no_text" && shown) {
            error = "\"" + text + "\" is visible";
            return false;
        }
        return true;
    }
    error = "unknown step \"" + command + "\"";
    return false;
}

ScriptDriver::Result ScriptDriver::runText(const std::string& script) {
    Result result;
    // Work queued before the script (a table's first load once it is on
    // screen) is done before the first step looks.
    settle();
    std::istringstream in(script);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string step = trim(line);
        if (step.empty() || step.front() == '#') continue;
        std::string error;
        const bool ok = runStep(step, error);
        if (afterStep) afterStep();
        if (!ok) {
            result.ok = false;
            result.line = number;
            result.step = step;
            result.message = error;
            return result;
        }
        ++result.stepsRun;
    }
    return result;
}

ScriptDriver::Result ScriptDriver::runFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        Result r;
        r.ok = false;
        r.message = "cannot read the script";
        return r;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return runText(text.str());
}

int ScriptDriver::run(const std::filesystem::path& file, std::ostream& errors) {
    const Result r = runFile(file);
    if (r.ok) return 0;
    if (r.line == 0) {
        errors << file.string() << ": " << r.message << "\n";
        return 2;
    }
    errors << r.describe(file.string()) << "\n";
    return 1;
}

}  // namespace ui
