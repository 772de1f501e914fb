#include "platform/qt/QtHost.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWindow>

#include <cstdlib>
#include <iostream>
#include <string_view>

#include "platform/RunLoop.h"
#include "platform/qt/DBusNotifications.h"
#include "platform/qt/PhoneWindow.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/RunLoopBridge.h"
#include "platform/ui/ScriptDriver.h"
#include "platform/ui/Window.h"

namespace platform::qt {

namespace {

bool envSet(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

// Whether Qt will find somewhere to show a window: a platform chosen on the
// command line or in the environment, or an X or Wayland display.
bool platformAvailable(int argc, char** argv) {
    if (envSet("QT_QPA_PLATFORM") || envSet("DISPLAY") || envSet("WAYLAND_DISPLAY")) return true;
    for (int i = 1; i < argc; ++i)
        if (argv[i] && std::string_view(argv[i]) == "-platform") return true;
    return false;
}

}  // namespace

int QtHost::run(ui::Application& application) {
    const bool scripted = application.options().scriptFile.has_value();
    std::unique_ptr<QApplication> ownApp;
    if (!QCoreApplication::instance()) {
        if (!platformAvailable(application.argc(), application.argv())) {
            if (!scripted) {
                std::cerr << "There is no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                             "Start it from a desktop session or under a virtual X server, for example:\n"
                             "  xvfb-run -a "
                          << (application.argc() > 0 ? application.argv()[0] : "app")
                          << "\n"
                             "or run a scripted demo headless, which saves screenshots:\n"
                             "  QT_QPA_PLATFORM=offscreen "
                          << (application.argc() > 0 ? application.argv()[0] : "app") << " --script FILE\n";
                return 1;
            }
            // A script needs no screen: paint offscreen.
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        prepareQtPlatform();
        ownApp = std::make_unique<QApplication>(application.argc(), application.argv());
    }
    installDesktopNotifications();

    auto& loop = platform::RunLoop::main();
    loop.bindToCurrentThread();

    PhoneWindow window(application.windowPointer());
    auto quitIfAsked = [&application] {
        if (application.terminationRequested()) QCoreApplication::exit(0);
    };
    RunLoopBridge bridge([&] {
        window.refresh();
        quitIfAsked();
    });
    window.afterInput = quitIfAsked;

    if (scripted) {
        ui::ScriptDriver driver(application.window());
        // expect_fit measures as the window paints: the same fonts, the same device.
        struct Measure {
            QImage device{1, 1, QImage::Format_ARGB32_Premultiplied};
            QPainter painter{&device};
            QtCanvas canvas{painter};
        };
        auto measure = std::make_shared<Measure>();
        driver.measure = std::shared_ptr<ui::Canvas>(measure, &measure->canvas);
        driver.screenshot = [&](const std::filesystem::path& file, std::string& error) {
            return window.saveScreenshot(file, error);
        };
        // On the real clock a wait lets Qt run: timers fire, the window
        // paints. A virtual clock (tests) keeps the driver's own advance.
        if (!loop.isVirtualClock()) driver.wait = [&](double seconds) { bridge.runFor(seconds); };
        driver.afterStep = [&] {
            window.refresh();
            QCoreApplication::processEvents();
        };
        window.show();
        QCoreApplication::processEvents();
        return driver.run(*application.options().scriptFile, std::cerr);
    }

    window.show();
    // Minimising is the desktop's way of leaving the app: the delegate hears
    // it went to the background, and that it is active again on return.
    if (QWindow* handle = window.windowHandle())
        QObject::connect(handle, &QWindow::windowStateChanged, &window, [&application](Qt::WindowState state) {
            if (state == Qt::WindowMinimized)
                application.enterBackground();
            else
                application.becomeActive();
        });
    if (application.terminationRequested()) return 0;
    return QCoreApplication::exec();
}

void installHost() { ui::setApplicationHost(std::make_shared<QtHost>()); }

void prepareQtPlatform() {
    // Everything is painted with QPainter into the raster backing store: the
    // X platform need not load OpenGL at start-up, which costs time before
    // the first frame and memory for as long as the window lives.
    if (!envSet("QT_XCB_GL_INTEGRATION")) qputenv("QT_XCB_GL_INTEGRATION", "none");
}

}  // namespace platform::qt
