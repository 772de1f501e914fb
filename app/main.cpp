// The process entry: the desktop window hosts the toolkit, the layout fills
// the storyboard the toolkit starts from, and the toolkit's main loop runs
// with AppDelegate until the app ends.
#include "app/AppDelegate.h"
#include "app/layout/MainStoryboard.h"
#include "platform/qt/QtHost.h"
#include "platform/ui/Application.h"
#include "platform/ui/Storyboard.h"

int main(int argc, char** argv) {
    platform::qt::installHost();
    bus::layout::loadMainStoryboard(ui::Storyboard::main());
    const std::string delegateClass = bus::AppDelegate::className();
    ui::registerApplicationDelegate<bus::AppDelegate>(delegateClass);
    return ui::UIApplicationMain(argc, argv, delegateClass);
}
