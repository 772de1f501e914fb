// Screens on a navigation stack: transitions with the hand-over of values,
// the order of appearance events, pop to root, the navigation bar and the
// way unhandled touches reach a screen.
#include <gtest/gtest.h>

#include "platform/Log.h"
#include "platform/RunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Storyboard.h"
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
        note("prepareForSegue " + segue.identifier() + " " + sender);
        seenSource = segue.sourceViewController();
        seenDestination = segue.destinationViewController();
        destinationLoadedAtPrepare = seenDestination->isViewLoaded();
        const json row{{"lineId", 12}, {"direction", 1}, {"currentStation", "火车站"}};
        if (sender == "0")
            for (const auto& [key, value] : row.items()) seenDestination->setValue(value, key);
    }
    ui::ViewController* seenSource = nullptr;
    ui::ViewController* seenDestination = nullptr;
    bool destinationLoadedAtPrepare = true;
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

class NavigationTest : public testing::Test {
protected:
    void SetUp() override {
        for (auto [name, title] : {std::pair{"Search", "查询"}, {"Live", "实时公交"}})
            storyboard.screen(name, [this, name] { return std::make_shared<SourceScreen>(name, log); }, {.title = title});
        storyboard.screen("Stations", [this] { return std::make_shared<ChoosingScreen>("Stations", log); });
        storyboard.transition("Search", "busReal", "Live")
            .transition("Live", "busCollection", "Stations")
            .initialScreen("Search");
        root = storyboard.instantiateInitialViewController();
        nav = dynamic_cast<ui::NavigationController*>(root.get());
        window.setRootViewController(root);
        search = dynamic_cast<SourceScreen*>(nav->topViewController().get());
        log->clear();
    }

    SourceScreen* live() const { return dynamic_cast<SourceScreen*>(nav->topViewController().get()); }

    std::shared_ptr<EventLog> log = std::make_shared<EventLog>();
    ui::Storyboard storyboard;
    ui::Window window;
    Finger finger{window};
    std::shared_ptr<ui::ViewController> root;
    ui::NavigationController* nav = nullptr;
    SourceScreen* search = nullptr;
};

TEST_F(NavigationTest, TransitionHandsTheValuesOverBeforeTheDestinationLoads) {
    search->performSegueWithIdentifier("busReal", "0");
    ASSERT_EQ(nav->viewControllers().size(), 2u);
    SourceScreen* dest = live();
    EXPECT_EQ(search->seenSource, search);
    EXPECT_EQ(search->seenDestination, dest);
    EXPECT_FALSE(search->destinationLoadedAtPrepare);
    // The values are there when the destination builds itself, types intact.
    EXPECT_EQ(dest->seenAtLoad, (json{{"lineId", 12}, {"direction", 1}, {"currentStation", "火车站"}}));
    EXPECT_TRUE(dest->lineId.is_number_integer());
    EXPECT_EQ(dest->navigationController(), nav);
    EXPECT_EQ(*log, (EventLog{"Search.prepareForSegue busReal 0", "Live.viewDidLoad", "Search.willDisappear",
                              "Live.willAppear", "Search.didDisappear", "Live.didAppear"}));
    // Only the top screen is on the window.
    EXPECT_EQ(dest->view()->window(), &window);
    EXPECT_EQ(search->view()->window(), nullptr);

    // Another sender reaches prepareForSegue unchanged; this one hands nothing over.
    log->clear();
    dest->performSegueWithIdentifier("busCollection", "1");
    EXPECT_EQ(log->front(), "Live.prepareForSegue busCollection 1");
    EXPECT_EQ(nav->topViewController()->valueForKey("lineId"), nullptr);
}

TEST_F(NavigationTest, UnknownKeyIsLoggedAndTheScreenCarriesOn) {
    search->performSegueWithIdentifier("busReal", "0");
    SourceScreen* dest = live();
    platform::LogCapture capture;
    dest->setValue("0", "_tag");
    dest->setValue(json(7), "currentStation");  // a number where the screen keeps text
    dest->setValue(json(30), "lineId");
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("_tag"), std::string::npos);
    EXPECT_NE(lines[1].find("currentStation"), std::string::npos);
    EXPECT_EQ(dest->currentStation, "火车站");
    EXPECT_EQ(dest->valueForKey("lineId"), json(30));
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
    EXPECT_TRUE(log->empty());
}

TEST_F(NavigationTest, PopToRootTellsOnlyTheTopAndTheRootAndReleasesAfterTheEvent) {
    EXPECT_EQ(nav->popViewControllerAnimated(true), nullptr);  // nothing to pop at the root
    EXPECT_TRUE(nav->popToRootViewControllerAnimated(true).empty());
    EXPECT_TRUE(log->empty());
    search->performSegueWithIdentifier("busReal", "0");
    live()->performSegueWithIdentifier("busCollection", "0");
    ASSERT_EQ(nav->viewControllers().size(), 3u);
    std::weak_ptr<ui::ViewController> liveWeak = nav->viewControllers()[1];
    std::weak_ptr<ui::ViewController> stationsWeak = nav->viewControllers()[2];
    auto* stations = dynamic_cast<ChoosingScreen*>(nav->topViewController().get());
    ASSERT_NE(stations, nullptr);
    log->clear();
    stations->choose();
    EXPECT_EQ(*log, (EventLog{"Stations.willDisappear", "Search.willAppear", "Stations.didDisappear",
                              "Search.didAppear", "Stations.chose 大同"}));
    ASSERT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_EQ(nav->topViewController().get(), search);
    EXPECT_EQ(search->view()->window(), &window);
    EXPECT_EQ(stations->navigationController(), nullptr);
    // Still alive until the current event is over, gone after.
    EXPECT_FALSE(stationsWeak.expired());
    platform::RunLoop::main().drain();
    EXPECT_TRUE(stationsWeak.expired());
    EXPECT_TRUE(liveWeak.expired());
}

TEST_F(NavigationTest, BarShowsTheTopScreensItemsAndFollowsTheirChanges) {
    int cityTaps = 0, editTaps = 0;
    auto city = std::make_shared<ui::Button>(ui::ButtonType::Custom, ui::Rect{0, 0, 110, 40});
    city->setTitle("大同");
    city->addTarget(this, [&](ui::Control&) { ++cityTaps; }, ui::ControlEventTouchUpInside);
    search->navigationItem().setRightBarButtonItems({ui::BarButtonItem::withCustomView(city)});
    search->navigationItem().setLeftBarButtonItem(
        ui::BarButtonItem::withTitle("编辑", [&](ui::BarButtonItem&) { ++editTaps; }));

    // At the right edge of the bar, centred in its 44 points below the status bar.
    const ui::Rect f = city->frameInWindow();
    EXPECT_DOUBLE_EQ(f.maxX(), ui::Window::kWidth - 8);
    EXPECT_DOUBLE_EQ(f.midY(), ui::Window::kStatusBarHeight + 22);
    ASSERT_TRUE(finger.tapText("大同"));
    ASSERT_TRUE(finger.tapText("编辑"));
    EXPECT_EQ(cityTaps, 1);
    EXPECT_EQ(editTaps, 1);

    search->setTitle("线路查询");
    EXPECT_NE(window.findViewShowingText("线路查询"), nullptr);

    // A pushed screen brings its own items and a back button; back at the
    // root the city button returns and the back button goes.
    EXPECT_EQ(window.findViewShowingText(ui::NavigationController::kBackTitle), nullptr);
    search->performSegueWithIdentifier("busReal", "0");
    EXPECT_NE(window.findViewShowingText("实时公交"), nullptr);
    EXPECT_EQ(window.findViewShowingText("大同"), nullptr);
    ASSERT_TRUE(finger.tapText(ui::NavigationController::kBackTitle));
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_NE(window.findViewShowingText("大同"), nullptr);
    EXPECT_EQ(window.findViewShowingText(ui::NavigationController::kBackTitle), nullptr);
}

TEST_F(NavigationTest, UnhandledTouchesReachTheScreenButAControlKeepsItsOwn) {
    auto button = std::make_shared<ui::Button>(ui::ButtonType::System, ui::Rect{20, 20, 100, 40});
    button->setTitle("查询");
    search->view()->addSubview(button);
    const ui::Point content = search->view()->convertToWindow({0, 0});

    finger.tap({content.x + 30, content.y + 30});  // on the button
    finger.tap({content.x + 200, content.y + 200});
    EXPECT_EQ(*log, (EventLog{"Search.touchesBegan", "Search.touchesEnded"}));
}

TEST_F(NavigationTest, ScreenViewIsBuiltOnceFromItsLayoutBeforeViewDidLoad) {
    struct Outlets : RecordingScreen {
        using RecordingScreen::RecordingScreen;
        void viewDidLoad() override {
            RecordingScreen::viewDidLoad();
            tableAtLoad = table;
        }
        ui::Label* table = nullptr;
        ui::Label* tableAtLoad = nullptr;
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
         })});
    auto more = storyboard.instantiateViewController("More");
    auto* outlets = dynamic_cast<Outlets*>(more.get());
    EXPECT_EQ(more->title(), "更多");
    EXPECT_FALSE(more->isViewLoaded());
    const auto first = more->view();
    EXPECT_EQ(first, more->view());
    EXPECT_EQ(std::count(log->begin(), log->end(), "More.viewDidLoad"), 1);
    ASSERT_NE(outlets->tableAtLoad, nullptr);
    EXPECT_EQ(outlets->tableAtLoad->text(), "rows of 44");
    EXPECT_EQ(first->frame().size, (ui::Size{375, 554}));
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
