// The scripted driver on a small arrangement: a page with a button that
// opens a second page holding a text field mirrored into a label.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/RunLoop.h"
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
    std::filesystem::path file(const std::string& name) { return containerRoot() / name; }

    ui::Storyboard storyboard;
    ui::Window window;
    ui::ScriptDriver driver{window};
};

TEST_F(ScriptDriverTest, TapTypeAndExpectAlongTheArrangement) {
    const auto r = run(R"(# open the second page and type into its field
tap_text 打开
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
    EXPECT_EQ(r.stepsRun, 12);
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

TEST_F(ScriptDriverTest, FailingStepStopsTheScriptAndNamesItsLine) {
    const auto r = run("expect_text 首页\n\n# a comment\ntap_text 不存在\nexpect_text 首页\n");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 4);
    EXPECT_EQ(r.step, "tap_text 不存在");
    EXPECT_EQ(r.stepsRun, 1);
    EXPECT_NE(r.message.find("不存在"), std::string::npos);
}

TEST_F(ScriptDriverTest, RunReturnsNonZeroAndReportsTheFailingLine) {
    std::ofstream(file("demo.txt")) << "expect_text 首页\nexpect_no_text 首页\n";
    std::ostringstream errors;
    EXPECT_EQ(driver.run(file("demo.txt"), errors), 1);
    EXPECT_NE(errors.str().find("demo.txt:2: expect_no_text 首页:"), std::string::npos) << errors.str();

    std::ostringstream fine;
    std::ofstream(file("ok.txt")) << "expect_text 首页\n";
    EXPECT_EQ(driver.run(file("ok.txt"), fine), 0);
    EXPECT_EQ(fine.str(), "");

    std::ostringstream missing;
    EXPECT_EQ(driver.run(file("absent.txt"), missing), 2);
    EXPECT_NE(missing.str().find("absent.txt"), std::string::npos);
}

TEST_F(ScriptDriverTest, MalformedStepsFailClearly) {
    for (const char* bad : {"tap 10", "tap ten 20", "wait -1", "drag 1 2 3", "jump 1 2", "tap_text", "backspace x",
                            "type 公交"}) {
        const auto r = run(bad);
        EXPECT_FALSE(r.ok) << bad;
        EXPECT_EQ(r.line, 1) << bad;
        EXPECT_FALSE(r.message.empty()) << bad;
    }
    EXPECT_NE(run("type 公交").message.find("keyboard"), std::string::npos);
}

TEST_F(ScriptDriverTest, WaitRunsTheClockAndItsTimers) {
    int fired = 0;
    platform::RunLoop::main().scheduleTimer(10, true, [&](platform::Timer&) { ++fired; });
    const auto r = run("wait 25\n");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(fired, 2);
    EXPECT_DOUBLE_EQ(platform::RunLoop::main().now(), 25);
}

TEST_F(ScriptDriverTest, DragPansOverItsDurationAndWheelScrolls) {
    const auto r = run("drag 100 500 100 300 0.5\nwheel 100 300 -40\n");
    ASSERT_TRUE(r.ok) << r.describe("script");
    auto& list = *first()->list;
    EXPECT_EQ(list.pans.front(), "began");
    EXPECT_EQ(list.pans.back(), "ended");
    EXPECT_EQ(list.lastTranslation, (ui::Point{0, -200}));
    // An even drag of 200 points in half a second.
    EXPECT_NEAR(list.velocity.y, -400, 1e-6);
    EXPECT_DOUBLE_EQ(platform::RunLoop::main().now(), 0.5);
    EXPECT_EQ(list.scrolled, (ui::Point{0, -40}));
}

TEST_F(ScriptDriverTest, ScreenshotsGoToTheHostOrFailWithout) {
    auto r = run("screenshot shot.png\n");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("host"), std::string::npos);

    std::vector<std::filesystem::path> saved;
    driver.screenshot = [&](const std::filesystem::path& f, std::string&) {
        saved.push_back(f);
        return true;
    };
    r = run("screenshot shots/first.png\n");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(saved, (std::vector<std::filesystem::path>{"shots/first.png"}));

    driver.screenshot = [](const std::filesystem::path&, std::string& why) {
        why = "disk full";
        return false;
    };
    r = run("screenshot x.png\n");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("disk full"), std::string::npos);
}

TEST_F(ScriptDriverTest, DumpWritesTheWindowTree) {
    const auto out = file("tree.json");
    const auto r = run("tap_text 打开\ndump " + out.string() + "\n");
    ASSERT_TRUE(r.ok) << r.describe("script");
    std::ifstream in(out);
    const auto tree = nlohmann::json::parse(in);
    EXPECT_EQ(tree["class"], "Window");
    EXPECT_NE(tree.dump().find("第二页"), std::string::npos);
    EXPECT_EQ(tree.dump().find("首页"), std::string::npos);
}

}  // namespace
}  // namespace bus::test
