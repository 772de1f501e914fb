// The process entry run headless: options, the delegate looked up by name,
// the window built from the storyboard, the script as the run, lifecycle.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/Container.h"
#include "platform/ui/Application.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/Window.h"
#include "support/TestSupport.h"

namespace bus::test {
namespace {

// What the delegate saw; UIApplicationMain makes the delegate itself.
struct Seen {
    std::vector<std::string> calls;
    bool windowSetAtLaunch = false, rootShownAtLaunch = true;
    std::filesystem::path containerAtLaunch;
} gSeen;

class RecordingDelegate : public ui::ApplicationDelegate {
public:
    bool didFinishLaunchingWithOptions(ui::Application& app, const ui::LaunchOptions&) override {
        gSeen.windowSetAtLaunch = window != nullptr && window.get() == &app.window();
        gSeen.rootShownAtLaunch = window && window->rootViewController() != nullptr;
        gSeen.containerAtLaunch = platform::Container::root();
        return note("didFinishLaunching");
    }
    void applicationWillResignActive(ui::Application&) override { note("willResignActive"); }
    void applicationDidEnterBackground(ui::Application&) override { note("didEnterBackground"); }
    void applicationWillEnterForeground(ui::Application&) override { note("willEnterForeground"); }
    void applicationDidBecomeActive(ui::Application&) override { note("didBecomeActive"); }
    void applicationWillTerminate(ui::Application&) override { note("willTerminate"); }
    static bool note(const char* call) { return gSeen.calls.push_back(call), true; }
};

// A host that does what a desktop window would around the run: goes to the
// background and back, then quits.
class CyclingHost : public ui::ApplicationHost {
public:
    int run(ui::Application& app) override {
        app.enterBackground(), app.enterBackground(), app.becomeActive(), app.terminate();
        return 7;
    }
};

class ApplicationTest : public testing::Test {
protected:
    void SetUp() override {
        gSeen = {};
        ui::registerApplicationDelegate<RecordingDelegate>("TestDelegate");
        auto& sb = ui::Storyboard::main();
        sb.clear();
        sb.screen<ui::ViewController>("Search", {.title = "查询"})
            .screen<ui::ViewController>("More", {.title = "更多功能"})
            .initialTabs({{"Search", "查询", "", ""}, {"More", "更多", "", ""}});
    }
    void TearDown() override {
        ui::Storyboard::main().clear();
        ui::setApplicationHost(nullptr);
    }
    int launch(std::vector<std::string> args, const char* delegate = "TestDelegate") {
        args.insert(args.begin(), "busreal");
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        return ui::UIApplicationMain(static_cast<int>(args.size()), argv.data(), delegate);
    }
    const Seen& seen = gSeen;
};

TEST_F(ApplicationTest, HeadlessRunPlaysTheScriptInTheBuiltWindow) {
    const auto dir = containerRoot() / "app-container";
    const auto steps = containerRoot() / "steps.txt";
    std::ofstream(steps) << "expect_text 查询\ntap_text 更多\nexpect_text 更多功能\n";
    EXPECT_EQ(launch({"--container", dir.string(), "--script", steps.string()}), 0);
    EXPECT_TRUE(seen.windowSetAtLaunch);
    EXPECT_FALSE(seen.rootShownAtLaunch);  // the screens go on the window after launch
    EXPECT_EQ(seen.containerAtLaunch, dir);
    EXPECT_EQ(seen.calls,
              (std::vector<std::string>{"didFinishLaunching", "didBecomeActive", "willResignActive", "willTerminate"}));
    EXPECT_EQ(ui::Application::shared(), nullptr);
}

TEST_F(ApplicationTest, RegisteredHostRunsTheAppAndItsStatusIsReturned) {
    ui::setApplicationHost(std::make_shared<CyclingHost>());
    EXPECT_EQ(launch({}), 7);
    EXPECT_EQ(seen.calls, (std::vector<std::string>{"didFinishLaunching", "didBecomeActive", "willResignActive",
                                                    "didEnterBackground", "willEnterForeground", "didBecomeActive",
                                                    "willResignActive", "willTerminate"}));
}

TEST_F(ApplicationTest, UnknownDelegateOrBadOptionsEndTheRunAtOnce) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(launch({}, "NoSuchDelegate"), 1);
    EXPECT_EQ(launch({"--script"}), 2);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("NoSuchDelegate"), std::string::npos);
    EXPECT_NE(err.find("--script"), std::string::npos);
    EXPECT_TRUE(seen.calls.empty());
}

TEST(LaunchOptionsTest, ReadsItsOwnOptionsAndLeavesTheRest) {
    auto parse = [](std::vector<std::string> args, std::string* error = nullptr) {
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        return ui::parseLaunchOptions(static_cast<int>(argv.size()), argv.data(), error);
    };
    const auto options = parse({"app", "-platform", "offscreen", "--script=demo.txt", "--container", "/tmp/c"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->scriptFile, std::filesystem::path("demo.txt"));
    EXPECT_EQ(options->container, std::filesystem::path("/tmp/c"));
    EXPECT_EQ(options->otherArguments, (std::vector<std::string>{"-platform", "offscreen"}));
    std::string error;
    EXPECT_FALSE(parse({"app", "--container="}, &error));
    EXPECT_NE(error.find("--container"), std::string::npos);
}

}  // namespace
}  // namespace bus::test
