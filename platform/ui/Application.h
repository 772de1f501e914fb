#pragma once
// The application object and the process entry of the toolkit.
//
// UIApplicationMain(argc, argv, "AppDelegate"):
//  1. reads the command line: `--container DIR` points the application
//     container (documents and preferences) at DIR before anything reads
//     preferences; `--script FILE` runs the scripted driver instead of waiting
//     for a person, and the process exits with the script's status. Anything
//     else is left for the host (a desktop window takes its own options).
//  2. makes the application delegate registered under the given class name,
//  3. builds the window and the initial screens from Storyboard::main(),
//  4. calls didFinishLaunchingWithOptions, puts the initial screens on the
//     window and makes the application active,
//  5. hands the running application to the host and returns what the host
//     returns. The host is the desktop window if one registered itself with
//     setApplicationHost; otherwise a headless host runs the main run loop
//     (or the script).
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class Window;
class Application;

struct LaunchOptions {
    std::optional<std::filesystem::path> scriptFile;  // --script FILE
    std::optional<std::filesystem::path> container;   // --container DIR
    std::vector<std::string> otherArguments;          // everything else, program name excluded
};

// Reads the options that the toolkit understands. A missing value after an
// option is an error: the message says which, and the result is empty.
std::optional<LaunchOptions> parseLaunchOptions(int argc, char** argv, std::string* error = nullptr);

// The application's delegate. The toolkit sets `window` before it calls
// didFinishLaunchingWithOptions.
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual bool didFinishLaunchingWithOptions(Application& application, const LaunchOptions& options);
    virtual void applicationWillResignActive(Application&) {}
    virtual void applicationDidEnterBackground(Application&) {}
    virtual void applicationWillEnterForeground(Application&) {}
    virtual void applicationDidBecomeActive(Application&) {}
    virtual void applicationWillTerminate(Application&) {}

    std::shared_ptr<Window> window;
};

using ApplicationDelegateFactory = std::function<std::shared_ptr<ApplicationDelegate>()>;

// Registers a delegate class under its name, as UIApplicationMain looks it up.
void registerApplicationDelegate(const std::string& className, ApplicationDelegateFactory factory);
template <class T>
void registerApplicationDelegate(const std::string& className) {
    registerApplicationDelegate(className, [] { return std::make_shared<T>(); });
}

// Runs a launched application until it ends and returns the process status.
class ApplicationHost {
public:
    virtual ~ApplicationHost() = default;
    virtual int run(Application& application) = 0;
};

// The desktop window registers itself here before UIApplicationMain; null
// restores the headless host.
void setApplicationHost(std::shared_ptr<ApplicationHost> host);

class Application {
public:
    // The running application, or null outside UIApplicationMain.
    static Application* shared();

    Window& window() { return *window_; }
    const std::shared_ptr<Window>& windowPointer() const { return window_; }
    ApplicationDelegate& delegate() { return *delegate_; }
    const LaunchOptions& options() const { return options_; }
    // The process arguments as given to UIApplicationMain (a desktop host
    // hands them to its own framework, which may keep references to them).
    int& argc() { return argc_; }
    char** argv() { return argv_; }

    // Lifecycle as the host sees it; each tells the delegate once per change.
    void resignActive();      // applicationWillResignActive
    void enterBackground();   // resigns active first, then applicationDidEnterBackground
    void enterForeground();   // applicationWillEnterForeground
    void becomeActive();      // comes to the foreground first, then applicationDidBecomeActive
    bool isActive() const { return active_; }
    bool isInBackground() const { return background_; }

    // Asks the host to end the run loop; UIApplicationMain then tells the
    // delegate applicationWillTerminate and returns.
    void terminate();
    bool terminationRequested() const { return terminate_; }

    Application(int& argc, char** argv, LaunchOptions options, std::shared_ptr<ApplicationDelegate> delegate,
                std::shared_ptr<Window> window);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

private:
    int& argc_;
    char** argv_;
    LaunchOptions options_;
    std::shared_ptr<ApplicationDelegate> delegate_;
    std::shared_ptr<Window> window_;
    bool active_ = false;
    bool background_ = false;
    bool terminate_ = false;
};

// The headless host: runs the script if one was given (exit status of the
// script), otherwise the main run loop until Application::terminate().
class HeadlessHost : public ApplicationHost {
public:
    int run(Application& application) override;
};

// The process entry of a toolkit application.
int UIApplicationMain(int argc, char** argv, const std::string& delegateClassName);

}  // namespace ui
