// The process entry run headless: options, the delegate looked up by name,
// the window built from the storyboard, the script as the run, lifecycle.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/Container.h"
#include "platform/ui/Application.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/Window.h"
#include "support/TestSupport.h"
#include "ui_screens/ScreensTestSupport.h"

namespace bus::test {
namespace {

struct Seen {
    std::vector<std::string> calls;
    bool windowSetAtLaunch = false;
    bool rootShownAtLaunch = true;
    std::filesystem::path containerAtLaunch;
};
Seen* gSeen = nullptr;

class RecordingDelegate : public ui::ApplicationDelegate {
public:
    bool didFinishLaunchingWithOptions(ui::Application& app, const ui::LaunchOptions&) override {
        gSeen->calls.push_back("didFinishLaunching");
        gSeen->windowSetAtLaunch = window != nullptr && window.get() == &app.window();
        gSeen->rootShownAtLaunch = window && window->rootViewController() != nullptr;
        gSeen->containerAtLaunch = platform::Container::root();
        return true;
    }
    void applicationWillResignActive(ui::Application&) override { gSeen->calls.push_back("willResignActive"); }
    void applicationDidEnterBackground(ui::Application&) override { gSeen->calls.push_back("didEnterBackground"); }
    void applicationWillEnterForeground(ui::Application&) override { gSeen->calls.push_back("willEnterForeground"); }
    void applicationDidBecomeActive(ui::Application&) override { gSeen->calls.push_back("didBecomeActive"); }
    void applicationWillTerminate(ui::Application&) override { gSeen->calls.push_back("willTerminate"); }
};

// A host that does what a desktop window would around the run: goes to the
// background and back, then quits.
class CyclingHost : public ui::ApplicationHost {
public:
    int run(ui::Application& app) override {
        sawTabs = dynamic_cast<ui::TabBarController*>(app.window().rootViewController().get()) != nullptr;
        app.enterBackground();
        app.enterBackground();
        app.becomeActive();
        app.terminate();
        return 7;
    }
    bool sawTabs = false;
};

class ApplicationTest : public testing::Test {
protected:
    void SetUp() override {
        gSeen = &seen;
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
        gSeen = nullptr;
    }
    int launch(std::vector<std::string> args) {
        args.insert(args.begin(), "busreal");
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        return ui::UIApplicationMain(static_cast<int>(args.size()), argv.data(), "TestDelegate");
    }

    Seen seen;
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
    auto host = std::make_shared<CyclingHost>();
    ui::setApplicationHost(host);
    EXPECT_EQ(launch({}), 7);
    EXPECT_TRUE(host->sawTabs);
    EXPECT_EQ(seen.calls, (std::vector<std::string>{"didFinishLaunching", "didBecomeActive", "willResignActive",
                                                    "didEnterBackground", "willEnterForeground", "didBecomeActive",
                                                    "willResignActive", "willTerminate"}));
}

TEST_F(ApplicationTest, UnknownDelegateOrBadOptionsEndTheRunAtOnce) {
    char prog[] = "busreal";
    char* argv[] = {prog, nullptr};
    testing::internal::CaptureStderr();
    EXPECT_EQ(ui::UIApplicationMain(1, argv, "NoSuchDelegate"), 1);
    EXPECT_EQ(launch({"--script"}), 2);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("NoSuchDelegate"), std::string::npos);
    EXPECT_NE(err.find("--script"), std::string::npos);
    EXPECT_TRUE(seen.calls.empty());
}

TEST(LaunchOptionsTest, ReadsItsOwnOptionsAndLeavesTheRest) {
    std::vector<std::string> args{"app", "-platform", "offscreen", "--script=demo.txt", "--container", "/tmp/c"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    const auto options = ui::parseLaunchOptions(static_cast<int>(argv.size()), argv.data());
    ASSERT_TRUE(options);
    EXPECT_EQ(options->scriptFile, std::filesystem::path("demo.txt"));
    EXPECT_EQ(options->container, std::filesystem::path("/tmp/c"));
    EXPECT_EQ(options->otherArguments, (std::vector<std::string>{"-platform", "offscreen"}));

    args = {"app", "--container="};
    argv = {args[0].data(), args[1].data()};
    std::string error;
    EXPECT_FALSE(ui::parseLaunchOptions(2, argv.data(), &error));
    EXPECT_NE(error.find("--container"), std::string::npos);
}

}  // namespace
}  // namespace bus::test
