// The application delegate lets the launch go on and keeps nothing itself.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/AppDelegate.h"
#include "platform/ui/Window.h"
#include "support/TestSupport.h"

namespace bus::test {
namespace {

TEST(AppDelegateTest, IsLookedUpUnderItsOwnClassName) { EXPECT_EQ(AppDelegate::className(), "AppDelegate"); }

TEST(AppDelegateTest, LaunchesAndWritesNothingThroughItsLifecycle) {
    AppDelegate delegate;
    delegate.window = std::make_shared<ui::Window>();
    int argc = 1;
    char name[] = "busreal";
    char* argv[] = {name, nullptr};
    ui::Application app(argc, argv, {}, std::shared_ptr<AppDelegate>(&delegate, [](AppDelegate*) {}), delegate.window);

    EXPECT_TRUE(delegate.didFinishLaunchingWithOptions(app, {}));
    app.becomeActive();
    app.enterBackground();
    app.becomeActive();
    app.resignActive();
    delegate.applicationWillTerminate(app);

    EXPECT_EQ(delegate.introductionView, nullptr);
    EXPECT_EQ(delegate.window->rootViewController(), nullptr);
    // Nothing saved on the way to the background or out: the container
    // (preferences and documents) is as empty as it was.
    EXPECT_TRUE(std::filesystem::is_empty(containerRoot()));
}

}  // namespace
}  // namespace bus::test
