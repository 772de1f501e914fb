// The desktop host running a script against a window, as a headless demo
// does: steps act on the window, screenshots are real PNG pictures.
#include <QImage>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "PixelProbe.h"
#include "platform/qt/QtHost.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Window.h"
#include "support/TestSupport.h"

namespace {

using bus::test::qt::countInside;
using bus::test::qt::countOutside;
using bus::test::qt::isRed;
using bus::test::qt::toPixels;

struct ScriptedApp {
    std::filesystem::path script = bus::test::containerRoot() / "demo.txt";
    std::shared_ptr<ui::Window> window = std::make_shared<ui::Window>();
    std::shared_ptr<ui::Label> greeting = ui::make<ui::Label>(ui::Rect{40, 200, 200, 40});
    int argc = 1;
    char name[4] = "app";
    char* argv[2] = {name, nullptr};

    ScriptedApp() {
        greeting->setText("你好");
        greeting->textColor = ui::Color::red();
        greeting->font = ui::Font::boldSystem(24);
        window->rootView().addSubview(greeting);
        auto button = ui::make<ui::Button>(ui::ButtonType::System, ui::Rect{40, 300, 200, 44});
        button->setTitle("换一句");
        button->addTarget(this, [this](ui::Control&) { greeting->setText("再见"); }, ui::ControlEventTouchUpInside);
        window->rootView().addSubview(button);
    }

    int run(const std::string& steps) {
        std::ofstream(script) << steps;
        ui::LaunchOptions options;
        options.scriptFile = script;
        ui::Application app(argc, argv, options, std::make_shared<ui::ApplicationDelegate>(), window);
        return platform::qt::QtHost().run(app);
    }
};

TEST(QtHost, ScriptActsOnTheWindowAndSavesPngScreenshots) {
    ScriptedApp app;
    const auto dir = bus::test::containerRoot();
    const auto before = dir / "before.png";
    const auto after = dir / "after.png";
    const auto tree = dir / "tree.json";
    const int status = app.run("expect_text 你好\n"
                               "screenshot " + before.string() + "\n"
                               "tap_text 换一句\n"
                               "wait 0.5\n"
                               "expect_text 再见\n"
                               "expect_no_text 你好\n"
                               "screenshot " + after.string() + "\n"
                               "dump " + tree.string() + "\n");
    ASSERT_EQ(status, 0);

    for (const auto& file : {before, after}) {
        QImage shot(QString::fromStdString(file.string()));
        ASSERT_EQ(shot.size(), QSize(750, 1334)) << file;
        const QRect label = toPixels(app.greeting->frame());
        EXPECT_GT(countInside(shot, label, isRed), 200) << file;
        EXPECT_EQ(countOutside(shot, label, 1, isRed), 0) << file;
    }
    // The two pictures show different words.
    EXPECT_NE(QImage(QString::fromStdString(before.string())), QImage(QString::fromStdString(after.string())));

    std::ifstream in(tree);
    std::stringstream json;
    json << in.rdbuf();
    EXPECT_NE(json.str().find("再见"), std::string::npos);
}

TEST(QtHost, FailedStepEndsWithStatusOne) {
    ScriptedApp app;
    testing::internal::CaptureStderr();
    const int status = app.run("expect_text 你好\nexpect_text 不在这里\nscreenshot never.png\n");
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_NE(errors.find(":2:"), std::string::npos) << errors;
    EXPECT_FALSE(std::filesystem::exists("never.png"));
}

TEST(QtHost, InstallingMakesItTheApplicationsHost) {
    // UIApplicationMain hands the application to the registered host; with
    // the Qt host installed a scripted run gets screenshots, which the
    // headless host cannot take.
    platform::qt::installHost();
    const auto script = bus::test::containerRoot() / "launch.txt";
    const auto shot = bus::test::containerRoot() / "launch.png";
    std::ofstream(script) << "screenshot " << shot.string() << "\n";
    ui::registerApplicationDelegate<ui::ApplicationDelegate>("QtHostTestDelegate");
    std::string scriptArg = script.string(), containerArg = bus::test::containerRoot().string();
    char program[] = "app";
    char scriptFlag[] = "--script";
    char containerFlag[] = "--container";
    char* argv[] = {program, scriptFlag, scriptArg.data(), containerFlag, containerArg.data(), nullptr};
    const int status = ui::UIApplicationMain(5, argv, "QtHostTestDelegate");
    ui::setApplicationHost(nullptr);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(QImage(QString::fromStdString(shot.string())).size(), QSize(750, 1334));
}

}  // namespace
