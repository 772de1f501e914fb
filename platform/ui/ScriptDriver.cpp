#include "platform/ui/ScriptDriver.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <sstream>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/Thread.h"
#include "platform/Translation.h"
#include "platform/ui/TextFit.h"
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

// A word of a step's arguments column: its name without brackets, and
// whether it may be left out with the value it then takes.
struct ArgumentWord {
    std::string name;
    bool optional = false;
    double fallback = 0;
};

std::vector<ArgumentWord> argumentWords(std::string_view column) {
    std::vector<ArgumentWord> words;
    std::istringstream in{std::string(column)};
    for (std::string w; in >> w;) {
        if (w.front() != '[') {
            words.push_back({w});
            continue;
        }
        const auto eq = w.find('=');
        words.push_back({w.substr(1, eq - 1), true, std::strtod(w.c_str() + eq + 1, nullptr)});
    }
    return words;
}

std::string numberCount(std::size_t least, std::size_t most) {
    const std::string noun = most == 1 ? " number" : " numbers";
    if (least == most) return std::to_string(least) + noun;
    if (least == 0) return "at most " + std::to_string(most) + noun;
    return std::to_string(least) + " to " + std::to_string(most) + noun;
}

}  // namespace

std::string ScriptDriver::Result::describe(const std::string& scriptName) const {
    if (ok) return scriptName + ": all " + std::to_string(stepsRun) + " steps passed";
    return scriptName + ":" + std::to_string(line) + ": " + step + ": " + message;
}

ScriptDriver::ScriptDriver(Window& window) : measure(std::make_shared<EstimatingCanvas>()), window_(window) {}

void ScriptDriver::settle() { platform::RunLoop::main().drain(); }

void ScriptDriver::settleWork(std::uint64_t mark) {
    platform::RunLoop::main().runUntil([mark] { return !platform::workersRunningSince(mark); }, kIdleWaitSeconds);
    settle();
}

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

void ScriptDriver::tapAt(double x, double y) {
    window_.touch(TouchPhase::Began, {x, y});
    window_.touch(TouchPhase::Ended, {x, y});
    settle();
}

bool ScriptDriver::parse(const Step& step, const std::string& rest, Arguments& out, std::string& error) {
    auto words = argumentWords(step.arguments);
    if (words.empty()) return true;  // anything after the name is ignored
    std::string numbers = rest;
    if (words[0].name == "TEXT" || words[0].name == "FILE") {
        // The text takes the line; with numbers after it in the column, a
        // last word that reads as a number is one of them.
        std::string text = trim(rest);
        numbers.clear();
        const auto space = text.find_last_of(" \t");
        double v = 0;
        if (words.size() > 1 && space != std::string::npos && parseNumber(text.substr(space + 1), v)) {
            numbers = text.substr(space + 1);
            text = trim(text.substr(0, space));
        }
        out.text = textArgument(text);
        if (out.text.empty()) {
            error = words[0].name == "TEXT" ? "needs a text" : "needs a file name";
            return false;
        }
        words.erase(words.begin());
    }
    std::istringstream in(numbers);
    for (std::string word; in >> word;) {
        double v = 0;
        if (!parseNumber(word, v)) {
            error = "\"" + word + "\" is not a number";
            return false;
        }
        out.numbers.push_back(v);
    }
    const auto least = static_cast<std::size_t>(
        std::count_if(words.begin(), words.end(), [](const ArgumentWord& w) { return !w.optional; }));
    if (out.numbers.size() < least || out.numbers.size() > words.size()) {
        error = "needs " + numberCount(least, words.size());
        return false;
    }
    for (std::size_t i = out.numbers.size(); i < words.size(); ++i) out.numbers.push_back(words[i].fallback);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const double v = out.numbers[i];
        if (words[i].name == "N" && (v < 0 || v != std::floor(v))) error = "needs a whole count";
        if (words[i].name == "SECONDS" && v < 0) error = "cannot take a negative time";
    }
    return error.empty();
}

bool ScriptDriver::runStep(const std::string& rawLine, std::string& error) {
    const std::string line = trim(rawLine);
    if (line.empty() || line.front() == '#') return true;
    const auto space = line.find_first_of(" \t");
    const std::string name = line.substr(0, space);
    const std::string rest = space == std::string::npos ? std::string{} : trim(line.substr(space + 1));
    for (const Step& step : kSteps) {
        if (step.name != name) continue;
        Arguments arguments;
        if (!parse(step, rest, arguments, error)) return false;
        const auto mark = platform::workerMark();
        if (!(this->*step.run)(arguments, error)) return false;
        if (step.acts) {
            // What the step queued for the loop (a screen pushed, a table's
            // first load) belongs to its first frame.
            settle();
            if (acted) acted();
            settleWork(mark);
        }
        return true;
    }
    error = "unknown step \"" + name + "\"; the steps are";
    for (const Step& step : kSteps) error += std::string(&step == kSteps ? " " : ", ") + std::string(step.name);
    return false;
}

bool ScriptDriver::tap(const Arguments& a, std::string&) {
    tapAt(a.numbers[0], a.numbers[1]);
    return true;
}

bool ScriptDriver::tapText(const Arguments& a, std::string& error) {
    return tapShown(window_.findViewShowingText(a.text), "\"" + a.text + "\"", error);
}

bool ScriptDriver::tapImage(const Arguments& a, std::string& error) {
    return tapShown(window_.findViewShowingImage(a.text), "the image \"" + a.text + "\"", error);
}

bool ScriptDriver::tapShown(View* view, const std::string& what, std::string& error) {
    if (!view) {
        error = "nothing visible shows " + what;
        return false;
    }
    const Rect r = window_.visibleFrameOf(*view);
    tapAt(r.midX(), r.midY());
    return true;
}

bool ScriptDriver::sendKey(int times, const std::function<bool()>& key, std::string& error) {
    for (int i = 0; i < times; ++i)
        if (!key()) {
            error = platform::AlertCenter::shared().frontAlert() ? "an alert is in front of the keyboard"
                                                                  : "no view has the keyboard";
            return false;
        }
    settle();
    return true;
}

bool ScriptDriver::type(const Arguments& a, std::string& error) {
    return sendKey(1, [&] { return window_.insertText(a.text); }, error);
}

bool ScriptDriver::backspace(const Arguments& a, std::string& error) {
    return sendKey(static_cast<int>(a.numbers[0]), [this] { return window_.deleteBackward(); }, error);
}

bool ScriptDriver::pressReturn(const Arguments&, std::string& error) {
    return sendKey(1, [this] { return window_.returnKey(); }, error);
}

bool ScriptDriver::drag(const Arguments& a, std::string&) {
    const auto& n = a.numbers;
    constexpr int steps = 10;
    window_.touch(TouchPhase::Began, {n[0], n[1]});
    for (int i = 1; i <= steps; ++i) {
        pass(n[4] / steps);
        const double f = static_cast<double>(i) / steps;
        window_.touch(TouchPhase::Moved, {n[0] + (n[2] - n[0]) * f, n[1] + (n[3] - n[1]) * f});
    }
    window_.touch(TouchPhase::Ended, {n[2], n[3]});
    settle();
    return true;
}

bool ScriptDriver::turnWheel(const Arguments& a, std::string&) {
    window_.scroll({a.numbers[0], a.numbers[1]}, 0, a.numbers[2]);
    settle();
    return true;
}

bool ScriptDriver::waitFor(const Arguments& a, std::string&) {
    pass(a.numbers[0]);
    return true;
}

bool ScriptDriver::waitUntilShown(const Arguments& a, bool shown, std::string& error) {
    constexpr double kSlice = 0.05;
    auto& loop = platform::RunLoop::main();
    const double deadline = loop.now() + a.numbers[0];
    for (;;) {
        settle();
        if ((window_.findViewShowingText(a.text) != nullptr) == shown) return true;
        const double left = deadline - loop.now();
        if (left <= 0) break;
        pass(std::min(left, kSlice));
    }
    std::ostringstream why;
    why << '"' << a.text << "\" " << (shown ? "did not show" : "still shows") << " within " << a.numbers[0] << " s";
    error = why.str();
    return false;
}

bool ScriptDriver::waitUntilText(const Arguments& a, std::string& error) { return waitUntilShown(a, true, error); }

bool ScriptDriver::waitUntilNoText(const Arguments& a, std::string& error) { return waitUntilShown(a, false, error); }

bool ScriptDriver::saveScreenshot(const Arguments& a, std::string& error) {
    if (!screenshot) {
        error = "screenshots need a host that paints the window (the desktop window, also offscreen)";
        return false;
    }
    std::string why;
    if (!screenshot(a.text, why)) {
        error = "could not save " + a.text + (why.empty() ? "" : ": " + why);
        return false;
    }
    return true;
}

bool ScriptDriver::dump(const Arguments& a, std::string& error) {
    std::ofstream out(a.text, std::ios::binary | std::ios::trunc);
    out << window_.describe().dump(2) << "\n";
    out.close();
    if (!out) {
        error = "could not write " + a.text;
        return false;
    }
    return true;
}

bool ScriptDriver::expectText(const Arguments& a, std::string& error) {
    if (window_.findViewShowingText(a.text)) return true;
    error = "nothing visible shows \"" + a.text + "\"";
    return false;
}

bool ScriptDriver::expectNoText(const Arguments& a, std::string& error) {
    if (!window_.findViewShowingText(a.text)) return true;
    error = "\"" + a.text + "\" is visible";
    return false;
}

bool ScriptDriver::expectFit(const Arguments&, std::string& error) {
    const auto found = overflowingTexts(window_, *measure, platform::textsOfTheApp());
    if (found.empty()) return true;
    std::ostringstream out;
    out << "texts that do not fit:";
    for (std::size_t i = 0; i < found.size(); ++i) out << (i ? "; " : " ") << found[i].describe();
    error = out.str();
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
