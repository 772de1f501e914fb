#pragma once
// The application's delegate. The toolkit builds the window and the first
// screens from the layout; the delegate only lets the launch go on. Nothing is
// saved or restored around the lifecycle: preferences and database rows are
// written when they change.
#include <memory>
#include <string>

#include "app/KvIntroductionViewController.h"
#include "platform/ui/Application.h"

namespace bus {

class AppDelegate : public ui::ApplicationDelegate {
public:
    // The name UIApplicationMain looks the delegate up by: the class's own.
    static std::string className();

    bool didFinishLaunchingWithOptions(ui::Application& application, const ui::LaunchOptions& options) override;
    void applicationWillResignActive(ui::Application& application) override;
    void applicationDidEnterBackground(ui::Application& application) override;
    void applicationWillEnterForeground(ui::Application& application) override;
    void applicationDidBecomeActive(ui::Application& application) override;
    void applicationWillTerminate(ui::Application& application) override;

    // `window` comes from ui::ApplicationDelegate, set by the toolkit.
    // Nothing assigns this: no first-run introduction is shown.
    std::shared_ptr<KvIntroductionViewController> introductionView;
};

}  // namespace bus
