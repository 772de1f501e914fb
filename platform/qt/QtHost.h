#pragma once
// The desktop host of a toolkit application: Qt's event loop on the main
// thread runs the toolkit's run loop, and a PhoneWindow shows the window.
// With --script FILE it runs the scripted driver instead of waiting for a
// person (screenshots are painted like the window, also on Qt's offscreen
// platform) and ends with the script's status.
#include <memory>

#include "platform/ui/Application.h"

namespace platform::qt {

class QtHost : public ui::ApplicationHost {
public:
    int run(ui::Application& application) override;
};

// Makes the Qt window the host of UIApplicationMain; the application's main
// calls it first.
void installHost();

// Qt settings of the process that the window relies on, made before the
// QApplication exists (QtHost does it; programs that make their own
// QApplication for the window call it first).
void prepareQtPlatform();

}  // namespace platform::qt
