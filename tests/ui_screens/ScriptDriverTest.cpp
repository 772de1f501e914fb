// The scripted driver on a small arrangement: a page with a button that
// opens a second page holding a text field mirrored into a label.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/RunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScriptDriver.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "support/TestSupport.h"
#include "ui_screens/ScreensTestSupport.h"

namespace bus::test {
namespace {

class FirstPage : public ui::ViewController {
public:
    void viewDidLoad() override {
        auto open = std::make_shared<ui::Button>(ui::ButtonType::System, ui::Rect{20, 20, 120, 44});
        open->setTitle("打开");
        open->addTarget(this, [this](ui::Control&) { performSegueWithIdentifier("next", "0"); },
                        ui::ControlEventTouchUpInside);
        view()->addSubview(open);
        list = std::make_shared<PanRecorder>(ui::Rect{0, 100, 375, 400});
        view()->addSubview(list);
    }
    std::shared_ptr<PanRecorder> list;
};

class SecondPage : public ui::ViewController {
public:
    void viewDidLoad() override {
        field = std::make_shared<ui::TextField>(ui::Rect{20, 20, 300, 40});
        echo = std::make_shared<ui::Label>(ui::Rect{20, 80, 300, 30});
        field->addTarget(this, [this](ui::Control&) { echo->setText("输入:" + field->text()); },
                         ui::ControlEventEditingChanged);
        view()->addSubview(field);
        view()->addSubview(echo);
    }
    std::shared_ptr<ui::TextField> field;
    std::shared_ptr<ui::Label> echo;
};

class ScriptDriverTest : public testing::Test {
protected:
    void SetUp() override {
        storyboard.screen<FirstPage>("First", {.title = "首页"})
            .screen<SecondPage>("Second", {.title = "第二页"})
            .transition("First", "next", "Second")
            .initialScreen("First");
        window.setRootViewController(storyboard.instantiateInitialViewController());
    }
    ui::ScriptDriver::Result run(const std::string& script) { return driver.runText(script); }
    FirstPage* first() {
        auto* nav = dynamic_cast<ui::NavigationController*>(window.rootViewController().get());
        return dynamic_cast<FirstPage*>(nav->viewControllers().front().get());
    }

    ui::Storyboard storyboard;
    ui::Window window;
    ui::ScriptDriver driver{window};
};

TEST_F(ScriptDriverTest, EveryStepActsOnTheWindowTheClockOrTheHost) {
    int fired = 0;
    platform::RunLoop::main().scheduleTimer(10, true, [&](platform::Timer&) { ++fired; });
    std::vector<std::filesystem::path> shots;
    driver.screenshot = [&](const std::filesystem::path& f, std::string& why) {
        shots.push_back(f);
        why = "disk full";
        return shots.size() == 1;
    };
    const auto tree = containerRoot() / "tree.json";
    const auto r = run(R"(# pan the list, then open the second page and type into its field
drag 100 500 100 300 0.5
wheel 100 300 -40
wait 25
screenshot shots/first.png
tap_text 打开
dump )" + tree.string() + R"(
expect_text 第二页
expect_no_text 首页
tap 100 100
type 公交
type 12
backspace
expect_text 输入:公交1
backspace 2
expect_text "输入:公"
tap_text 返回
expect_text 首页
)");
    EXPECT_TRUE(r.ok) << r.describe("script");
    EXPECT_EQ(r.stepsRun, 17);
    auto& list = *first()->list;
    EXPECT_EQ(list.pans.front(), "began");
    EXPECT_EQ(list.pans.back(), "ended");
    EXPECT_EQ(list.lastTranslation, (ui::Point{0, -200}));
    EXPECT_NEAR(list.velocity.y, -400, 1e-6);  // an even drag of 200 points in half a second
    EXPECT_EQ(list.scrolled, (ui::Point{0, -40}));
    EXPECT_DOUBLE_EQ(platform::RunLoop::main().now(), 25.5);
    EXPECT_EQ(fired, 2);
    EXPECT_EQ(shots, (std::vector<std::filesystem::path>{"shots/first.png"}));
    const auto dumped = nlohmann::json::parse(std::ifstream(tree));
    EXPECT_EQ(dumped["class"], "Window");
    EXPECT_NE(dumped.dump().find("第二页"), std::string::npos);
    EXPECT_EQ(dumped.dump().find("首页"), std::string::npos);
    EXPECT_EQ(run("screenshot x.png\n").message, "could not save x.png: disk full");
}

TEST_F(ScriptDriverTest, WorkQueuedBeforeTheScriptIsDoneBeforeItsFirstStep) {
    auto page = first()->view();
    platform::RunLoop::main().post([page] {
        auto rows = std::make_shared<ui::Label>(ui::Rect{0, 60, 200, 30});
        rows->setText("第一行");
        page->addSubview(rows);
    });
    const auto r = run("expect_text 第一行\n");
    EXPECT_TRUE(r.ok) << r.describe("script");
}

TEST_F(ScriptDriverTest, AFailingStepEndsTheRunAndNamesItsFileLineAndReason) {
    ui::registerApplicationDelegate<ui::ApplicationDelegate>("PlainDelegate");
    enum Via { Text, File, App };  // runText, run on a file, the app's --script
    const struct {
        const char* script;  // null: no file at all
        Via via;
        int status, stepsRun;
        std::string said;
    } cases[] = {
        {"expect_text 首页\n\n# a comment\ntap_text 不存在\ntap_text 打开\n", Text, 1, 1,
         "steps.txt:4: tap_text 不存在: nothing visible shows \"不存在\""},
        {"tap 10", Text, 1, 0, "steps.txt:1: tap 10: needs 2 numbers"},
        {"tap ten 20", Text, 1, 0, ": \"ten\" is not a number"},
        {"drag 1 2 3", Text, 1, 0, ": needs 4 to 5 numbers"},
        {"wait -1", Text, 1, 0, ": cannot take a negative time"},
        {"backspace 1.5", Text, 1, 0, ": needs a whole count"},
        {"jump 1 2", Text, 1, 0, ": unknown step \"jump\"; the steps are tap, tap_text,"},
        {"tap_text", Text, 1, 0, "steps.txt:1: tap_text: needs a text"},
        {"dump", Text, 1, 0, ": needs a file name"},
        {"type 公交", Text, 1, 0, ": no view has the keyboard"},
        {"screenshot shot.png", Text, 1, 0, ": screenshots need a host"},
        {"expect_text 首页\nexpect_no_text 首页\n", File, 1, -1, "steps.txt:2: expect_no_text 首页: \"首页\" is visible"},
        {nullptr, File, 2, -1, "steps.txt: cannot read the script"},
        {"wait 0\nexpect_text 不在\n", App, 1, -1, "steps.txt:2: expect_text 不在: nothing visible shows"},
        {"expect_text 首页\n", File, 0, -1, ""},
    };
    const auto path = containerRoot() / "steps.txt";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script ? c.script : "no file");
        std::filesystem::remove(path);
        if (c.script) std::ofstream(path) << c.script;
        std::ostringstream out;
        int status = 0;
        if (c.via == Text) {
            const auto r = run(c.script);
            status = r.ok ? 0 : 1;
            out << r.describe(path.string());
            EXPECT_EQ(r.stepsRun, c.stepsRun);
        } else if (c.via == File) {
            status = driver.run(path, out);
        } else {
            std::string arg0 = "busreal", arg1 = "--script", arg2 = path.string();
            char* argv[] = {arg0.data(), arg1.data(), arg2.data(), nullptr};
            testing::internal::CaptureStderr();
            status = ui::UIApplicationMain(3, argv, "PlainDelegate");
            out << testing::internal::GetCapturedStderr();
        }
        EXPECT_EQ(status, c.status);
        EXPECT_TRUE(!c.said.empty() || out.str().empty()) << out.str();
        EXPECT_NE(out.str().find(c.said), std::string::npos) << out.str();
    }
}

}  // namespace
}  // namespace bus::test
