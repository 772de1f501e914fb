#pragma once
// Drives a window from a script, for tests and demos. One step per line;
// blank lines and lines starting with '#' are skipped. Coordinates are window
// points. TEXT is the rest of the line (surrounding double quotes removed).
//
//   tap X Y                     press and release at a point
//   tap_text TEXT               tap the centre of the front-most visible view showing TEXT
//   type TEXT                   text for the view that has the keyboard
//   backspace [N]               delete N characters (1)
//   return                      the keyboard's return key
//   drag X1 Y1 X2 Y2 [SECONDS]  press, move in steps over SECONDS (0.3), release
//   wheel X Y DY                the wheel at a point (positive DY scrolls content up)
//   wait SECONDS                let the main run loop run that long
//   screenshot FILE             save a picture of the window (needs a host that paints)
//   dump FILE                   save the window's view tree as JSON
//   expect_text TEXT            fail unless a visible view shows TEXT
//   expect_no_text TEXT         fail if a visible view shows TEXT
//
// After every step the main run loop runs what became due. A failing step
// stops the script; the failure names the script, the line and the reason.
// Relative FILE paths are taken from the current directory.
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>

namespace ui {

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

    Result runFile(const std::filesystem::path& file);
    Result runText(const std::string& script);
    // One step; false and a reason on failure.
    bool runStep(const std::string& line, std::string& error);

    // runFile with the failure written to the stream; 0 on success, 1 on a
    // failed step, 2 when the file cannot be read.
    int run(const std::filesystem::path& file, std::ostream& errors);

private:
    void settle();
    void pass(double seconds);
    bool tapAt(double x, double y, std::string& error);
    Window& window_;
};

}  // namespace ui
