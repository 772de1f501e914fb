// The process entry: the desktop window hosts the toolkit, the layout fills
// the storyboard the toolkit starts from, and the toolkit's main loop runs
// with AppDelegate until the app ends.
#include <iostream>

#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/layout/MainStoryboard.h"
#include "model/MySingleton.h"
#include "platform/Installation.h"
#include "platform/Translation.h"
#include "platform/qt/QtHost.h"
#include "platform/ui/Application.h"
#include "platform/ui/Storyboard.h"

int main(int argc, char** argv) {
    // Before any text is made: the storyboard's titles are read in the rider's language.
    platform::setInvokedProgramPath(argc > 0 ? argv[0] : nullptr);
    platform::useLanguageOfEnvironment(platform::catalogFolder());
    // A toolkit option without its value is UIApplicationMain's to report.
    if (const auto launch = ui::parseLaunchOptions(argc, argv)) {
        std::string error;
        const auto options = bus::readAppOptions(launch->otherArguments, &error);
        if (!options) {
            std::cerr << (argc > 0 && argv[0] ? argv[0] : "busreal") << ": " << error << "\n";
            return 2;
        }
        if (options->directoryUrl) bus::MySingleton::sharedSingleton().directoryUrl = *options->directoryUrl;
    }
    platform::qt::installHost();
    bus::layout::loadMainStoryboard(ui::Storyboard::main());
    const std::string delegateClass = bus::AppDelegate::className();
    ui::registerApplicationDelegate<bus::AppDelegate>(delegateClass);
    return ui::UIApplicationMain(argc, argv, delegateClass);
}
