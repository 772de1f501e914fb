// The scripted driver on a small arrangement: a page with a button that
// opens a second page holding a text field mirrored into a label.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/RunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScriptDriver.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "support/TestSupport.h"
#include "ui_screens/ScreensTestSupport.h"

namespace bus::test {
namespace {

// A page with a button that opens a second page, whose text field is
// mirrored into a label, on a navigation stack.
class ScriptDriverTest : public testing::Test {
protected:
    void SetUp() override {
        auto first = std::make_shared<ui::ViewController>(), second = std::make_shared<ui::ViewController>();
        first->setTitle("首页");
        second->setTitle("第二页");
        auto open = std::make_shared<ui::Button>(ui::ButtonType::System, ui::Rect{20, 20, 120, 44});
        open->setTitle("打开");
        open->addTarget(this, [this, second](ui::Control&) { nav->pushViewController(second, true); },
                        ui::ControlEventTouchUpInside);
        open->addSubview(std::make_shared<ui::ImageView>(ui::Rect{0, 0, 20, 20}, "打开.png"));
        first->view()->addSubview(open);
        first->view()->addSubview(list);
        auto field = std::make_shared<ui::TextField>(ui::Rect{20, 20, 300, 40});
        auto echo = std::make_shared<ui::Label>(ui::Rect{20, 80, 300, 30});
        field->addTarget(this, [f = field.get(), e = echo.get()](ui::Control&) { e->setText("输入:" + f->text()); },
                         ui::ControlEventEditingChanged);
        second->view()->addSubview(field);
        second->view()->addSubview(echo);
        nav = std::make_shared<ui::NavigationController>(first);
        window.setRootViewController(nav);
    }
    ui::ScriptDriver::Result run(const std::string& script) { return driver.runText(script); }

    std::shared_ptr<PanRecorder> list = std::make_shared<PanRecorder>(ui::Rect{0, 100, 375, 400});
    std::shared_ptr<ui::NavigationController> nav;
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
    // Work queued before the script is done before its first step looks.
    platform::RunLoop::main().post([this] {
        auto rows = std::make_shared<ui::Label>(ui::Rect{0, 60, 200, 30});
        rows->setText("第一行");
        nav->topViewController()->view()->addSubview(rows);
    });
    // A text that shows at 27 s and goes at 28 s, for the steps that wait on it.
    auto later = std::make_shared<ui::Label>(ui::Rect{0, 60, 200, 30});
    later->setText("稍后出现");
    platform::RunLoop::main().performAfterDelay(27, [&] { nav->topViewController()->view()->addSubview(later); });
    platform::RunLoop::main().performAfterDelay(28, [&] { later->hidden = true; });
    const auto tree = containerRoot() / "tree.json";
    const auto r = run(R"(# pan the list, then open the second page and type into its field
expect_text 第一行
drag 100 500 100 300 0.5
wheel 100 300 -40
wait 25
wait_until_text 稍后出现 5
wait_until_no_text "稍后出现" 5
screenshot shots/first.png
tap_image 打开.png
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
    EXPECT_EQ(r.stepsRun, 20);
    EXPECT_EQ(list->pans.front(), "began");
    EXPECT_EQ(list->pans.back(), "ended");
    EXPECT_EQ(list->lastTranslation, (ui::Point{0, -200}));
    EXPECT_NEAR(list->velocity.y, -400, 1e-6);  // an even drag of 200 points in half a second
    EXPECT_EQ(list->scrolled, (ui::Point{0, -40}));
    EXPECT_NEAR(platform::RunLoop::main().now(), 28, 0.06);
    EXPECT_EQ(fired, 2);
    EXPECT_EQ(shots, (std::vector<std::filesystem::path>{"shots/first.png"}));
    const auto dumped = nlohmann::json::parse(std::ifstream(tree));
    EXPECT_EQ(dumped["class"], "Window");
    EXPECT_NE(dumped.dump().find("第二页"), std::string::npos);
    EXPECT_EQ(dumped.dump().find("首页"), std::string::npos);
    EXPECT_EQ(run("screenshot x.png\n").message, "could not save x.png: disk full");
}

TEST_F(ScriptDriverTest, AFailingStepEndsTheRunAndNamesItsFileLineAndReason) {
    ui::registerApplicationDelegate<ui::ApplicationDelegate>("PlainDelegate");
    const struct {
        const char* script;  // null: no file at all
        bool viaApp;         // the app's --script rather than the driver's run
        int status;
        std::string said;
    } cases[] = {
        {"expect_text 首页\n\n# a comment\ntap_text 不存在\ntap_text 打开\n", false, 1,
         "steps.txt:4: tap_text 不存在: nothing visible shows \"不存在\""},
        {"tap 10", false, 1, "steps.txt:1: tap 10: needs 2 numbers"},
        {"tap ten 20", false, 1, ": \"ten\" is not a number"},
        {"drag 1 2 3", false, 1, ": needs 4 to 5 numbers"},
        {"wait -1", false, 1, ": cannot take a negative time"},
        {"wait_until_text 不在 2", false, 1, ": \"不在\" did not show within 2 s"},
        {"wait_until_no_text 首页 1", false, 1, ": \"首页\" still shows within 1 s"},
        {"wait_until_text", false, 1, ": needs a text"},
        {"backspace 1.5", false, 1, ": needs a whole count"},
        {"jump 1 2", false, 1, ": unknown step \"jump\"; the steps are tap, tap_text,"},
        {"tap_text", false, 1, "steps.txt:1: tap_text: needs a text"},
        {"tap_image 关闭.png", false, 1, ": nothing visible shows the image \"关闭.png\""},
        {"dump", false, 1, ": needs a file name"},
        {"type 公交", false, 1, ": no view has the keyboard"},
        {"screenshot shot.png", false, 1, ": screenshots need a host"},
        {"expect_text 首页\nexpect_no_text 首页\n", false, 1, "steps.txt:2: expect_no_text 首页: \"首页\" is visible"},
        {nullptr, false, 2, "steps.txt: cannot read the script"},
        {"wait 0\nexpect_text 不在\n", true, 1, "steps.txt:2: expect_text 不在: nothing visible shows"},
        {"expect_text 首页\n", false, 0, ""},
    };
    const auto path = containerRoot() / "steps.txt";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script ? c.script : "no file");
        std::filesystem::remove(path);
        if (c.script) std::ofstream(path) << c.script;
        std::ostringstream out;
        int status = 0;
        if (!c.viaApp) {
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
        EXPECT_TRUE(window.findViewShowingText("首页"));  // nothing ran past a failing step
    }
}

}  // namespace
}  // namespace bus::test
