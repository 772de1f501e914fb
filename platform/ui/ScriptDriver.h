#pragma once
// Drives a window from a script, for tests and demos. One step per line: a
// step's name, then its arguments. Blank lines and lines starting with '#'
// are skipped. Coordinates are window points. The steps are the rows of
// ScriptDriver::kSteps at the end of this header.
//
// After every step the main run loop runs what became due. A step that acts
// (a tap, typing, a key, a drag, the wheel) then waits, for at most
// kIdleWaitSeconds of real time, until the worker threads it set going have
// ended and what they handed back has run, so that a script sees the replies
// its taps asked for; waiting, dumps, screenshots and checks never wait on
// work, so a script goes on step by step against a service that holds every
// request, and a refresh tick never holds it up. A failing step stops the
// script; the failure names the script, the line and the reason.
// Relative FILE paths are taken from the current directory.
#include <filesystem>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

class Canvas;
class View;
class Window;

class ScriptDriver {
public:
    struct Result {
        bool ok = true;
        int line = 0;          // of the failing step
        std::string step;      // its text
        std::string message;   // why it failed
        int stepsRun = 0;
        // "script.txt:12: tap_text 更多: nothing visible shows \"更多\""
        std::string describe(const std::string& scriptName) const;
    };

    explicit ScriptDriver(Window& window);

    // Saves a picture of the window; returns false with a reason on failure.
    std::function<bool(const std::filesystem::path& file, std::string& error)> screenshot;
    // Lets the main run loop run for the given seconds. The default advances
    // a virtual clock, or runs the loop on the real one; a host with its own
    // event loop replaces it so that it keeps painting meanwhile.
    std::function<void(double seconds)> wait;
    // Called after each step (a host repaints).
    std::function<void()> afterStep;
    // Called once a step that acts has acted, before it waits for the work
    // it set going: the window shows the step's first frame (a benchmark
    // times it).
    std::function<void()> acted;
    // What expect_fit measures texts with: a host that paints gives its own
    // canvas; the default measures as layout does before painting.
    std::shared_ptr<Canvas> measure;

    Result runFile(const std::filesystem::path& file);
    Result runText(const std::string& script);
    // One line of a script; false and a reason on failure.
    bool runStep(const std::string& line, std::string& error);

    // runFile with the failure written to the stream; 0 on success, 1 on a
    // failed step, 2 when the file cannot be read.
    int run(const std::filesystem::path& file, std::ostream& errors);

    // A step's arguments as the parser read them from its line.
    struct Arguments {
        std::vector<double> numbers;  // in the order of the step's arguments, defaults filled in
        std::string text;             // TEXT or FILE
    };
    // One step of the language. The parser reads `arguments`: TEXT and FILE
    // take the rest of the line (surrounding double quotes removed) but for
    // a last word that reads as a number when numbers follow in the column;
    // every other word is a number; N is a whole count and SECONDS no negative time;
    // [WORD=value] may be left out and is then the value.
    struct Step {
        std::string_view name;
        std::string_view arguments;
        std::string_view summary;
        bool (ScriptDriver::*run)(const Arguments&, std::string& error);
        bool acts = false;  // waits for the work it set going
    };
    static const Step kSteps[];
    static constexpr double kIdleWaitSeconds = 2.0;

private:
    static bool parse(const Step& step, const std::string& rest, Arguments& out, std::string& error);
    void settle();
    // Runs the loop until no worker started since `mark` runs and the loop
    // has nothing queued, or kIdleWaitSeconds of real time have passed.
    void settleWork(std::uint64_t mark);
    void pass(double seconds);
    void tapAt(double x, double y);
    // Presses a key `times` times; false with the reason when the keyboard is not there.
    bool sendKey(int times, const std::function<bool()>& key, std::string& error);

    bool tap(const Arguments& a, std::string& error);
    bool tapText(const Arguments& a, std::string& error);
    bool tapImage(const Arguments& a, std::string& error);
    // Taps the middle of the visible part of `view`; `what` names it when there is none.
    bool tapShown(View* view, const std::string& what, std::string& error);
    bool type(const Arguments& a, std::string& error);
    bool backspace(const Arguments& a, std::string& error);
    bool pressReturn(const Arguments& a, std::string& error);
    bool drag(const Arguments& a, std::string& error);
    bool turnWheel(const Arguments& a, std::string& error);
    bool waitFor(const Arguments& a, std::string& error);
    // Runs the loop in short slices until TEXT shows (or no longer shows),
    // failing after the given seconds.
    bool waitUntilShown(const Arguments& a, bool shown, std::string& error);
    bool waitUntilText(const Arguments& a, std::string& error);
    bool waitUntilNoText(const Arguments& a, std::string& error);
    bool saveScreenshot(const Arguments& a, std::string& error);
    bool dump(const Arguments& a, std::string& error);
    bool expectText(const Arguments& a, std::string& error);
    bool expectNoText(const Arguments& a, std::string& error);
    bool expectFit(const Arguments& a, std::string& error);

    Window& window_;
};

// The language.
inline const ScriptDriver::Step ScriptDriver::kSteps[] = {
    {"tap", "X Y", "press and release at a point", &ScriptDriver::tap, true},
    {"tap_text", "TEXT", "tap the centre of the front-most visible view showing TEXT", &ScriptDriver::tapText,
     true},
    {"tap_image", "FILE", "tap the centre of the front-most visible view showing the image named FILE",
     &ScriptDriver::tapImage, true},
    {"type", "TEXT", "text for the view that has the keyboard", &ScriptDriver::type, true},
    {"backspace", "[N=1]", "delete N characters", &ScriptDriver::backspace, true},
    {"return", "", "the keyboard's return key", &ScriptDriver::pressReturn, true},
    {"drag", "X1 Y1 X2 Y2 [SECONDS=0.3]", "press, move in steps over SECONDS, release", &ScriptDriver::drag,
     true},
    {"wheel", "X Y DY", "the wheel at a point (positive DY scrolls content up)", &ScriptDriver::turnWheel,
     true},
    {"wait", "SECONDS", "let the main run loop run that long", &ScriptDriver::waitFor},
    {"wait_until_text", "TEXT [SECONDS=10]", "let the main run loop run until a visible view shows TEXT",
     &ScriptDriver::waitUntilText},
    {"wait_until_no_text", "TEXT [SECONDS=10]", "let the main run loop run until no visible view shows TEXT",
     &ScriptDriver::waitUntilNoText},
    {"screenshot", "FILE", "save a picture of the window (needs a host that paints)", &ScriptDriver::saveScreenshot},
    {"dump", "FILE", "save the window's view tree as JSON", &ScriptDriver::dump},
    {"expect_text", "TEXT", "fail unless a visible view shows TEXT", &ScriptDriver::expectText},
    {"expect_no_text", "TEXT", "fail if a visible view shows TEXT", &ScriptDriver::expectNoText},
    {"expect_fit", "", "fail if a visible text of the app's own needs more room than its view gives it",
     &ScriptDriver::expectFit},
};

}  // namespace ui
