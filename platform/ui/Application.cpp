#include "platform/ui/Application.h"

#include <cstdlib>
#include <iostream>
#include <map>
#include <mutex>

#include "platform/Container.h"
#include "platform/Installation.h"
#include "platform/Log.h"
#include "platform/RunLoop.h"
#include "platform/Thread.h"
#include "platform/ui/ScriptDriver.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/Window.h"

namespace ui {

namespace {

// A dropped request ends within about a second (libcurl's progress calls).
constexpr double kExitWaitSeconds = 5;

std::mutex gMutex;
std::map<std::string, ApplicationDelegateFactory>& delegateRegistry() {
    static std::map<std::string, ApplicationDelegateFactory> registry;
    return registry;
}
std::shared_ptr<ApplicationHost> gHost;
Application* gApplication = nullptr;

}  // namespace

bool ApplicationDelegate::didFinishLaunchingWithOptions(Application&, const LaunchOptions&) { return true; }

void registerApplicationDelegate(const std::string& className, ApplicationDelegateFactory factory) {
    std::lock_guard lock(gMutex);
    delegateRegistry()[className] = std::move(factory);
}

void setApplicationHost(std::shared_ptr<ApplicationHost> host) {
    std::lock_guard lock(gMutex);
    gHost = std::move(host);
}

std::optional<LaunchOptions> parseLaunchOptions(int argc, char** argv, std::string* error) {
    LaunchOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] ? argv[i] : "";
        auto valueOf = [&](const std::string& name, std::optional<std::filesystem::path>& slot) -> int {
            if (arg == name) {
                if (i + 1 >= argc || !argv[i + 1] || !*argv[i + 1]) {
                    if (error) *error = name + " needs a value";
                    return -1;
                }
                slot = argv[++i];
                return 1;
            }
            if (arg.rfind(name + "=", 0) == 0) {
                if (arg.size() == name.size() + 1) {
                    if (error) *error = name + " needs a value";
                    return -1;
                }
                slot = arg.substr(name.size() + 1);
                return 1;
            }
            return 0;
        };
        int took = valueOf("--script", options.scriptFile);
        if (took == 0) took = valueOf("--container", options.container);
        if (took < 0) return std::nullopt;
        if (took == 0) options.otherArguments.push_back(arg);
    }
    return options;
}

Application* Application::shared() { return gApplication; }

Application::Application(int& argc, char** argv, LaunchOptions options, std::shared_ptr<ApplicationDelegate> delegate,
                         std::shared_ptr<Window> window)
    : argc_(argc), argv_(argv), options_(std::move(options)), delegate_(std::move(delegate)),
      window_(std::move(window)) {}

Application::~Application() = default;

void Application::resignActive() {
    if (!active_) return;
    active_ = false;
    delegate_->applicationWillResignActive(*this);
}

void Application::enterBackground() {
    if (background_) return;
    resignActive();
    background_ = true;
    delegate_->applicationDidEnterBackground(*this);
}

void Application::enterForeground() {
    if (!background_) return;
    background_ = false;
    delegate_->applicationWillEnterForeground(*this);
}

void Application::becomeActive() {
    if (active_) return;
    enterForeground();
    active_ = true;
    delegate_->applicationDidBecomeActive(*this);
}

void Application::terminate() {
    terminate_ = true;
    platform::RunLoop::main().stop();
    platform::RunLoop::main().post([] {});  // wakes a loop waiting for work
}

int HeadlessHost::run(Application& application) {
    auto& loop = platform::RunLoop::main();
    if (application.options().scriptFile) {
        ScriptDriver driver(application.window());
        return driver.run(*application.options().scriptFile, std::cerr);
    }
    if (loop.isVirtualClock()) {
        // Nothing moves a virtual clock here: run what is queued and end.
        loop.drain();
        return 0;
    }
    while (!application.terminationRequested()) loop.runOnce(0.5);
    return 0;
}

int UIApplicationMain(int argc, char** argv, const std::string& delegateClassName) {
    platform::setInvokedProgramPath(argc > 0 ? argv[0] : nullptr);
    std::string error;
    auto options = parseLaunchOptions(argc, argv, &error);
    if (!options) {
        std::cerr << (argc > 0 && argv[0] ? argv[0] : "app") << ": " << error << "\n";
        return 2;
    }
    if (options->container) platform::Container::setRoot(*options->container);
    // Before anything reads or writes the container.
    if (!platform::Container::claimForThisProcess(&error)) {
        std::cerr << (argc > 0 && argv[0] ? argv[0] : "app") << ": " << error << "\n";
        return 1;
    }

    auto& loop = platform::RunLoop::main();
    loop.bindToCurrentThread();

    ApplicationDelegateFactory factory;
    std::shared_ptr<ApplicationHost> host;
    {
        std::lock_guard lock(gMutex);
        auto it = delegateRegistry().find(delegateClassName);
        if (it != delegateRegistry().end()) factory = it->second;
        host = gHost;
    }
    std::shared_ptr<ApplicationDelegate> delegate = factory ? factory() : nullptr;
    if (!delegate) {
        std::cerr << "UIApplicationMain: no application delegate class named \"" << delegateClassName << "\"\n";
        return 1;
    }
    if (!host) host = std::make_shared<HeadlessHost>();

    auto window = std::make_shared<Window>();
    delegate->window = window;
    auto initial = Storyboard::main().instantiateInitialViewController();

    int status = 0;
    {
        Application application(argc, argv, *options, delegate, window);
        gApplication = &application;
        delegate->didFinishLaunchingWithOptions(application, application.options());
        if (initial) window->setRootViewController(initial);
        application.becomeActive();
        status = host->run(application);
        application.resignActive();
        delegate->applicationWillTerminate(application);
        // The screens leave the window (and stop their timers) before the
        // process goes.
        window->setRootViewController(nullptr);
        loop.drain();
        gApplication = nullptr;
    }
    // A worker still under way (a journey being planned, a direction switch)
    // would go on using what the process is about to destroy: its request is
    // dropped and the process waits for it to end.
    if (!platform::shutDownWorkers(kExitWaitSeconds)) {
        platform::NSLog("workers still running at exit; leaving without tearing down");
        std::cout.flush();
        std::cerr.flush();
        std::_Exit(status);
    }
    return status;
}

}  // namespace ui
