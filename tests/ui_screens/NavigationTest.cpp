// Screens in containers. On a navigation stack: transitions with the
// hand-over of values, the order of appearance events, pop to root, the
// navigation bar and the way unhandled touches reach a screen. In tabs (the
// start arrangement, each tab the root of a stack): which screens load and
// appear, and when.
#include <gtest/gtest.h>

#include "platform/Log.h"
#include "platform/RunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/Window.h"
#include "ui_screens/ScreensTestSupport.h"

namespace bus::test {
namespace {

using nlohmann::json;

// The search screen's part in a transition: it hands its row on when the
// sender is "0" and writes down what it saw of the segue.
class SourceScreen : public RecordingScreen {
public:
    using RecordingScreen::RecordingScreen;
    void prepareForSegue(ui::StoryboardSegue& segue, const std::string& sender) override {
        auto* to = segue.destinationViewController();
        note("prepareForSegue " + segue.identifier() + " " + sender +
             (segue.sourceViewController() != this ? " (not from here)" : "") +
             (to->isViewLoaded() ? " (destination loaded)" : ""));
        const json row{{"lineId", 12}, {"direction", 1}, {"currentStation", "火车站"}};
        if (sender == "0")
            for (const auto& [key, value] : row.items()) to->setValue(value, key);
    }
};

// A screen that leaves by pop to root from inside its own method, and goes
// on using its members afterwards (the city selection screen does so).
class ChoosingScreen : public RecordingScreen {
public:
    using RecordingScreen::RecordingScreen;
    void choose() {
        navigationController()->popToRootViewControllerAnimated(true);
        chosen = "大同";
        note("chose " + chosen);
    }
    std::string chosen;
};

// A window showing a storyboard's initial screens, which log what happens to them.
struct Containers : testing::Test {
    template <class Screen = RecordingScreen>
    void add(const char* name, const char* title = "") {
        storyboard.screen(name, [this, name] { return std::make_shared<Screen>(name, log); }, {.title = title});
    }
    void start() {
        root = storyboard.instantiateInitialViewController();
        window.setRootViewController(root);
    }
    std::shared_ptr<EventLog> log = std::make_shared<EventLog>();
    ui::Storyboard storyboard;
    ui::Window window;
    Finger finger{window};
    std::shared_ptr<ui::ViewController> root;
};

// The colour the stack's bars are given.
const ui::Color kBlue = ui::Color::rgba(0.1, 0.4, 0.9);

// The colour of the first text drawn with that content, painting the window.
std::optional<ui::Color> textColour(ui::Window& window, const std::string& text) {
    RecordingCanvas canvas;
    window.draw(canvas);
    const auto ops = canvas.find("text", text);
    return ops.empty() ? std::nullopt : std::optional(ops.front().color);
}

struct NavigationTest : Containers {
    void SetUp() override {
        add<SourceScreen>("Search", "查询");
        add<SourceScreen>("Live", "实时公交");
        add<ChoosingScreen>("Stations");
        storyboard.transition("Search", "busReal", "Live").transition("Live", "busCollection", "Stations");
        storyboard.initialScreen("Search").navigationBarAppearance(
            {.background = kBlue, .title = ui::Color::white(), .tint = ui::Color::white()});
        start();
        nav = dynamic_cast<ui::NavigationController*>(root.get());
        search = dynamic_cast<SourceScreen*>(nav->topViewController().get());
        log->clear();
    }
    RecordingScreen* top() const { return dynamic_cast<RecordingScreen*>(nav->topViewController().get()); }
    ui::NavigationController* nav = nullptr;
    SourceScreen* search = nullptr;
};

TEST_F(NavigationTest, TransitionHandsTheValuesOverBeforeTheDestinationLoads) {
    search->performSegueWithIdentifier("busReal", "0");
    ASSERT_EQ(nav->viewControllers().size(), 2u);
    RecordingScreen* live = top();
    EXPECT_EQ(*log, (EventLog{"Search.prepareForSegue busReal 0", "Live.viewDidLoad", "Search.willDisappear",
                              "Live.willAppear", "Search.didDisappear", "Live.didAppear"}));
    // The values are there when the destination builds itself, types intact.
    EXPECT_EQ(live->seenAtLoad, (json{{"lineId", 12}, {"direction", 1}, {"currentStation", "火车站"}}));
    EXPECT_TRUE(live->lineId.is_number_integer());
    EXPECT_EQ(live->navigationController(), nav);
    // Only the top screen is on the window.
    EXPECT_EQ(live->view()->window(), &window);
    EXPECT_EQ(search->view()->window(), nullptr);

    // An unknown key or a value of the wrong type is logged and changes nothing.
    platform::LogCapture capture;
    live->setValue("0", "_tag");
    live->setValue(json(7), "currentStation");
    live->setValue(json(30), "lineId");
    ASSERT_EQ(capture.lines().size(), 2u);
    EXPECT_NE(capture.lines()[0].find("_tag"), std::string::npos);
    EXPECT_NE(capture.lines()[1].find("currentStation"), std::string::npos);
    EXPECT_EQ(live->valueForKey("currentStation"), "火车站");
    EXPECT_EQ(live->valueForKey("lineId"), json(30));

    // Another sender reaches prepareForSegue unchanged; this one hands nothing over.
    log->clear();
    live->performSegueWithIdentifier("busCollection", "1");
    EXPECT_EQ(log->front(), "Live.prepareForSegue busCollection 1");
    EXPECT_EQ(top()->valueForKey("lineId"), nullptr);
}

TEST_F(NavigationTest, TransitionWithoutABindingOrAStackOpensNothingAndIsLogged) {
    auto loose = storyboard.instantiateViewController("Search");
    using From = std::pair<ui::ViewController*, const char*>;
    for (auto [from, identifier] : {From{search, "busNowhere"}, From{loose.get(), "busReal"}}) {
        platform::LogCapture capture;
        from->performSegueWithIdentifier(identifier, "0");
        EXPECT_EQ(nav->viewControllers().size(), 1u);
        ASSERT_EQ(capture.lines().size(), 1u);
        EXPECT_NE(capture.lines()[0].find(identifier), std::string::npos);
    }
}

TEST_F(NavigationTest, PopToRootTellsOnlyTheTopAndTheRootAndReleasesAfterTheEvent) {
    EXPECT_EQ(nav->popViewControllerAnimated(true), nullptr);  // nothing to pop at the root
    EXPECT_TRUE(nav->popToRootViewControllerAnimated(true).empty());
    search->performSegueWithIdentifier("busReal", "0");
    top()->performSegueWithIdentifier("busCollection", "0");
    ASSERT_EQ(nav->viewControllers().size(), 3u);
    std::weak_ptr<ui::ViewController> live = nav->viewControllers()[1], stations = nav->viewControllers()[2];
    log->clear();
    dynamic_cast<ChoosingScreen&>(*top()).choose();
    EXPECT_EQ(*log, (EventLog{"Stations.willDisappear", "Search.willAppear", "Stations.didDisappear",
                              "Search.didAppear", "Stations.chose 大同"}));
    EXPECT_EQ(nav->viewControllers(), (std::vector<std::shared_ptr<ui::ViewController>>{search->shared_from_this()}));
    EXPECT_EQ(search->view()->window(), &window);
    // Still alive until the current event is over, gone after.
    ASSERT_FALSE(stations.expired());
    EXPECT_EQ(stations.lock()->navigationController(), nullptr);
    platform::RunLoop::main().drain();
    EXPECT_TRUE(stations.expired() && live.expired());
}

TEST_F(NavigationTest, BarShowsTheTopScreensItemsAndFollowsTheirChanges) {
    std::vector<std::string> taps;
    auto city = std::make_shared<ui::Button>(ui::ButtonType::Custom, ui::Rect{0, 0, 110, 40});
    city->setTitle("大同");
    city->addTarget(this, [&](ui::Control&) { taps.push_back("city"); }, ui::ControlEventTouchUpInside);
    search->navigationItem().setRightBarButtonItems({ui::BarButtonItem::withCustomView(city)});
    search->navigationItem().setLeftBarButtonItem(
        ui::BarButtonItem::withTitle("编辑", [&](ui::BarButtonItem&) { taps.push_back("edit"); }));
    // At the right edge of the bar, centred in its 44 points below the status bar.
    EXPECT_DOUBLE_EQ(city->frameInWindow().maxX(), ui::Window::kWidth - 8);
    EXPECT_DOUBLE_EQ(city->frameInWindow().midY(), ui::Window::kStatusBarHeight + 22);
    ASSERT_TRUE(finger.tapText("大同") && finger.tapText("编辑"));
    EXPECT_EQ(taps, (std::vector<std::string>{"city", "edit"}));
    search->setTitle("线路查询");
    EXPECT_NE(window.findViewShowingText("线路查询"), nullptr);
    // The storyboard's colours: a blue bar with a white title, also after a rebuild.
    EXPECT_EQ(textColour(window, "线路查询"), ui::Color::white());

    // A pushed screen brings its own items and a back button; back at the
    // root the city button returns and the back button goes.
    EXPECT_EQ(window.findViewShowingText(ui::NavigationController::kBackTitle), nullptr);
    search->performSegueWithIdentifier("busReal", "0");
    EXPECT_TRUE(window.findViewShowingText("实时公交") && !window.findViewShowingText("大同"));
    EXPECT_EQ(textColour(window, ui::NavigationController::kBackTitle), ui::Color::white());
    EXPECT_EQ(nav->navigationBar().backgroundColor, kBlue);
    ASSERT_TRUE(finger.tapText(ui::NavigationController::kBackTitle));
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_TRUE(window.findViewShowingText("大同"));
    EXPECT_FALSE(window.findViewShowingText(ui::NavigationController::kBackTitle));
}

TEST_F(NavigationTest, UnhandledTouchesReachTheScreenButAControlKeepsItsOwn) {
    search->view()->addSubview(std::make_shared<ui::Button>(ui::ButtonType::System, ui::Rect{20, 20, 100, 40}));
    const ui::Point content = search->view()->convertToWindow({0, 0});
    finger.tap({content.x + 30, content.y + 30});  // on the button
    finger.tap({content.x + 200, content.y + 200});
    EXPECT_EQ(*log, (EventLog{"Search.touchesBegan", "Search.touchesEnded"}));
}

TEST_F(NavigationTest, ScreenViewIsBuiltOnceFromItsLayoutBeforeViewDidLoad) {
    struct Outlets : RecordingScreen {
        using RecordingScreen::RecordingScreen;
        void viewDidLoad() override { textAtLoad = table ? table->text() : "no outlet"; }
        ui::Label* table = nullptr;
        std::string textAtLoad;
        int builds = 0;
    };
    storyboard.screen(
        "More", [this] { return std::make_shared<Outlets>("More", log); },
        {.title = "更多",
         .frames = {{"queryUITableView", {0, 0, 375, 300}}},
         .metrics = {{"rowHeight", 44}},
         .build = ui::outlets<Outlets>([](Outlets& screen, ui::View& root, const ui::ScreenLayout& layout) {
             auto label = std::make_shared<ui::Label>(layout.frame("queryUITableView"));
             label->setText("rows of " + std::to_string(static_cast<int>(layout.metric("rowHeight"))));
             root.addSubview(label);
             screen.table = label.get();
             ++screen.builds;
         })});
    auto more = storyboard.instantiateViewController("More");
    EXPECT_EQ(more->title(), "更多");
    EXPECT_FALSE(more->isViewLoaded());
    EXPECT_EQ(more->view(), more->view());
    EXPECT_EQ(more->view()->frame().size, (ui::Size{375, 554}));
    EXPECT_EQ(dynamic_cast<Outlets&>(*more).builds, 1);
    EXPECT_EQ(dynamic_cast<Outlets&>(*more).textAtLoad, "rows of 44");
}

struct TabBarTest : Containers {
    void SetUp() override {
        for (const char* name : {"Search", "Favourites", "More", "Time"}) add(name);
        storyboard.transition("More", "busTime", "Time").transition("Favourites", "busTime", "Time");
        storyboard.initialTabs({{"Search", "查询", "tab_search.png", "tab_search_on.png"},
                                {"Favourites", "收藏", "tab_fav.png", "tab_fav_on.png"},
                                {"More", "更多", "tab_more.png", "tab_more_on.png"}});
        start();
        tabs = dynamic_cast<ui::TabBarController*>(root.get());
        ASSERT_NE(tabs, nullptr);
    }
    ui::NavigationController* stack(int i) const {
        return dynamic_cast<ui::NavigationController*>(tabs->viewControllers()[static_cast<std::size_t>(i)].get());
    }
    ui::TabBarController* tabs = nullptr;
};

TEST_F(TabBarTest, OnlyTheFirstTabLoadsAndAppearsAtStartAboveTheTabBar) {
    EXPECT_EQ(*log, (EventLog{"Search.viewDidLoad", "Search.willAppear", "Search.didAppear"}));
    EXPECT_EQ(tabs->selectedIndex(), 0);
    ASSERT_EQ(tabs->viewControllers().size(), 3u);
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(stack(i), nullptr);
        EXPECT_EQ(stack(i)->topViewController()->tabBarController(), tabs);
        EXPECT_EQ(stack(i)->topViewController()->navigationController(), stack(i));
    }
    EXPECT_FALSE(stack(1)->topViewController()->isViewLoaded());
    // The third of three tabs at the bottom; the screen's view fills what the bars leave.
    ui::View* more = window.findViewShowingText("更多");
    ASSERT_NE(more, nullptr);
    EXPECT_EQ(more->frameInWindow(), (ui::Rect{250, ui::Window::kHeight - 49, 125, 49}));
    EXPECT_EQ(more->imageName(), "tab_more.png");
    EXPECT_EQ(window.findViewShowingText("查询")->imageName(), "tab_search_on.png");
    EXPECT_EQ(stack(0)->topViewController()->view()->frameInWindow(), (ui::Rect{0, 64, 375, 554}));
}

TEST_F(TabBarTest, ScreensPushedInAHiddenTabLoadAndAppearOnlyWhenItsTabIsTapped) {
    log->clear();
    stack(1)->topViewController()->performSegueWithIdentifier("busTime", "0");
    EXPECT_EQ(stack(1)->viewControllers().size(), 2u);
    EXPECT_TRUE(log->empty());
    ASSERT_TRUE(finger.tapText("收藏"));
    EXPECT_EQ(*log, (EventLog{"Time.viewDidLoad", "Search.willDisappear", "Time.willAppear", "Search.didDisappear",
                              "Time.didAppear"}));
    EXPECT_EQ(tabs->selectedIndex(), 1);
    EXPECT_EQ(window.findViewShowingText("收藏")->imageName(), "tab_fav_on.png");
    EXPECT_EQ(stack(0)->topViewController()->view()->window(), nullptr);
    EXPECT_FALSE(stack(1)->viewControllers().front()->isViewLoaded());  // not needed yet
}

TEST_F(TabBarTest, TappingTheShownTabAgainReturnsToItsRootAndLeavingTheWindowHidesIt) {
    tabs->setSelectedIndex(2);
    stack(2)->topViewController()->performSegueWithIdentifier("busTime", "0");
    log->clear();
    ASSERT_TRUE(finger.tapText("更多"));
    EXPECT_EQ(stack(2)->viewControllers().size(), 1u);
    EXPECT_EQ(*log, (EventLog{"Time.willDisappear", "More.willAppear", "Time.didDisappear", "More.didAppear"}));
    platform::RunLoop::main().drain();
    EXPECT_EQ(log->back(), "Time.destroyed");
    log->clear();
    window.setRootViewController(nullptr);
    EXPECT_EQ(*log, (EventLog{"More.willDisappear", "More.didDisappear"}));
    EXPECT_EQ(window.findViewShowingText("更多"), nullptr);
}

TEST(StoryboardTest, ValidateNamesWhatIsMissing) {
    ui::Storyboard sb;
    sb.screen<ui::ViewController>("Search").transition("Search", "busReal", "Live");
    sb.transition("Search", "busReal", "Search");
    sb.initialTabs({{"Search", "查询", "", ""}, {"Favourites", "收藏", "", ""}});
    const auto problems = sb.validate();
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_NE(problems[0].find("\"Live\""), std::string::npos);
    EXPECT_NE(problems[1].find("bound twice"), std::string::npos);
    EXPECT_NE(problems[2].find("\"Favourites\""), std::string::npos);
    sb.screen<ui::ViewController>("Live").screen<ui::ViewController>("Favourites");
    EXPECT_EQ(sb.validate().size(), 1u);  // the double binding stays
}

}  // namespace
}  // namespace bus::test
