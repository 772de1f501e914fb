// The live bus screen against a recorded city service: where the rows, the
// vehicles and the panel go, the refresh timer, the failure paths, and the
// rebuilds that pass through worker threads (a new waiting stop, a refresh by
// hand, a direction switch).
#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "model/Value.h"
#include "platform/AlertView.h"
#include "platform/NotificationCenter.h"
#include "platform/Thread.h"
#include "platform/UserDefaults.h"
#include "screens/tracking/BusRealUIView.h"
#include "screens/tracking/BusRealViewController.h"
#include "screens/tracking/TrackingFixture.h"

namespace bus::test {
namespace {

using nlohmann::json;

constexpr char kLive[] = "Live";

// The outlets as the app's layout makes them.
ui::ScreenLayout liveLayout() {
    return {.build = ui::outlets<BusRealViewController>([](BusRealViewController& screen, ui::View& root,
                                                           const ui::ScreenLayout&) {
        auto add = [&root](auto view) {
            root.addSubview(view);
            return view;
        };
        screen.lineTitle = add(std::make_shared<ui::Label>(ui::Rect{10, 4, 230, 24}));
        screen.smbUILabel = add(std::make_shared<ui::Label>(ui::Rect{10, 28, 230, 20}));
        screen.tabUIImageView = add(std::make_shared<ui::ImageView>(ui::Rect{250, 10, 60, 30}, "切换2.png"));
        screen.refUIImageView = add(std::make_shared<ui::ImageView>(ui::Rect{330, 10, 30, 30}, "刷新.png"));
        screen.realScrollView = add(std::make_shared<ui::ScrollView>(ui::Rect{0, 52, 375, 502}));
    })};
}

// A line whose stop k is named after stop stops + 1 - k: the other
// direction of lineText's line.
std::string reversedLineText(int stops) {
    auto line = json::parse(lineText(stops));
    for (int k = 1; k <= stops; ++k) line["upDown"][k - 1]["stationName"] = stopName(stops + 1 - k);
    return line.dump();
}

class LiveBusScreenTest : public TrackingFixture {
protected:
    void SetUp() override {
        TrackingFixture::SetUp();
        replyWith("queryLine", lineText(6));
        replyWith("realBus", "[]");
        storyboard.screen<BusRealViewController>(kLive, liveLayout());
    }

    void open(const std::string& currentStation = "") {
        window->setRootViewController(nullptr);
        screen = std::dynamic_pointer_cast<BusRealViewController>(storyboard.instantiateViewController(kLive));
        ASSERT_TRUE(screen);
        screen->setValue(12, "lineId");
        screen->setValue(0, "direction");
        screen->setValue(currentStation, "currentStation");
        navigation = std::make_shared<ui::NavigationController>(screen);
        window->setRootViewController(navigation);
        settle();
    }

    ui::ScrollView& scroll() const { return *screen->realScrollView.lock(); }

    // Rows (tag 0), or the live items; of those, markers carry a vehicle.
    std::vector<BusRealUIView*> routeViews(bool live, std::optional<bool> vehicle = std::nullopt) const {
        std::vector<BusRealUIView*> found;
        for (const auto& v : scroll().subviews())
            if (auto* view = dynamic_cast<BusRealUIView*>(v.get()); view && (view->tag == 1) == live &&
                                                                    (!vehicle || *vehicle != isNone(view->busReal().stationNo)))
                found.push_back(view);
        return found;
    }
    std::vector<BusRealUIView*> rows() const { return routeViews(false); }
    std::vector<BusRealUIView*> markers() const { return routeViews(true, true); }
    std::vector<BusRealUIView*> panels() const { return routeViews(true, false); }
    std::vector<ui::Rect> rowFrames() const {
        std::vector<ui::Rect> frames;
        for (auto* r : rows()) frames.push_back(r->frame());
        return frames;
    }
    std::vector<int> rowWaitingStops() const {
        std::vector<int> stops;
        for (auto* r : rows()) stops.push_back(r->orderNo());
        return stops;
    }

    bool indicatorRuns() const { return screen->indicator && screen->indicator->isAnimating(); }
    // A rebuild that passes through a worker thread ends when the indicator
    // stops; the main run loop runs until then.
    void waitForRebuild() { ASSERT_TRUE(waitUntil([this] { return !indicatorRuns(); })); }
    // Runs the main loop until `done` holds, checking every millisecond for
    // at most ten seconds: for what other threads finish without queueing
    // anything on the main thread.
    bool pollUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 10000; ++i) {
            settle();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    void waitForWorkers() {
        ASSERT_TRUE(pollUntil([] { return platform::waitForWorkerThreads(0); }));
    }
    // Presses and releases without letting the run loop run.
    void pressAndRelease(const ui::View& view, ui::Point local) {
        const ui::Point at = view.convertToWindow(local);
        window->touch(ui::TouchPhase::Began, at);
        window->touch(ui::TouchPhase::Ended, at);
    }

    std::string lastRequest(const std::string& operation) const {
        const auto all = requestsFor(operation);
        return all.empty() ? std::string() : all.back();
    }
    std::shared_ptr<BusRealViewController> screen;
};

ui::Rect rowAt(double y, double height = 60) { return {0, y, 375, height}; }

// ---- Load ----

TEST_F(LiveBusScreenTest, LoadShowsTheLineWithItsTitlesAndControls) {
    open("站4");
    EXPECT_EQ(navigation->topViewController()->title(), "12路");
    EXPECT_EQ(screen->lineTitle.lock()->text(), "开往 站6方向");
    EXPECT_EQ(screen->smbUILabel.lock()->text(), "首末班:06:00-21:30 ￥1");
    EXPECT_EQ(screen->_busLine->endStation, "站6");
    EXPECT_EQ(screen->_busLine->uid, 12);
    const auto tab = screen->tabUIImageView.lock(), ref = screen->refUIImageView.lock();
    EXPECT_EQ(tab->image(), "切换2.png");
    EXPECT_EQ(tab->restorationIdentifier, "up");
    EXPECT_EQ(ref->restorationIdentifier, "upRef");
    EXPECT_TRUE(tab->userInteractionEnabled && ref->userInteractionEnabled);
    EXPECT_EQ(scroll().contentSize, (ui::Size{0, 420}));
    EXPECT_EQ(screen->indicator->color(), ui::Color::red());
    EXPECT_EQ(screen->indicator->style(), ui::ActivityIndicatorViewStyle::WhiteLarge);
    EXPECT_FALSE(indicatorRuns()) << "stopped once the screen appeared";
    EXPECT_NE(lastRequest("queryLine").find("<direction>0</direction><lineId>12</lineId>"), std::string::npos);
    EXPECT_NE(lastRequest("realBus").find("<gprsId>1201</gprsId><orderNo>4</orderNo><direction>0</direction>"),
              std::string::npos);
}

TEST_F(LiveBusScreenTest, FirstScrollPositionFollowsTheWaitingStop) {
    const struct {
        int stops;
        std::string station;
        double offset;
    } cases[] = {{40, "站5", 0}, {40, "站20", 930}, {40, "站38", 1940}, {5, "", -160}, {40, "站9", 270}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.stops) + " stops, " + c.station);
        replyWith("queryLine", lineText(c.stops));
        open(c.station);
        EXPECT_EQ(scroll().contentSize.height, 60.0 * c.stops + 60);
        EXPECT_EQ(scroll().contentOffset(), (ui::Point{0, c.offset}));
    }
}

// Rows built before the stop that resolves a by-name marker still see the
// marker (200) as their waiting stop.
struct RowsCase {
    const char* name;
    std::string line;
    std::string station;
    std::vector<int> waiting;  // as each row was told
    std::string resolvedStation;
    std::vector<ui::Rect> frames;
};

TEST_F(LiveBusScreenTest, RowsStandAroundTheWaitingStop) {
    auto twins = json::parse(lineText(5));
    twins["upDown"][3]["stationName"] = stopName(2);
    const RowsCase cases[] = {
        {"by default stop 3", lineText(6), "", std::vector<int>(6, 3), "站3",
         {rowAt(-20), rowAt(40), rowAt(100, 130), rowAt(230), rowAt(290), rowAt(350)}},
        {"first stop", lineText(4), "站1", {1, 1, 1, 1}, "站1", {rowAt(-20), rowAt(110), rowAt(170), rowAt(230)}},
        {"unknown name: the last", lineText(4), "无此站", {200, 200, 200, 4}, "无此站",
         {rowAt(-20), rowAt(40), rowAt(100), rowAt(160, 130)}},
        {"two stops named alike: the first", twins.dump(), "站2", {200, 2, 2, 2, 2}, "站2",
         {rowAt(-20), rowAt(40, 130), rowAt(170), rowAt(230), rowAt(290)}},
        {"fewer stops than 3", lineText(2), "", {3, 3}, "", {rowAt(-20), rowAt(40)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        replyWith("queryLine", c.line);
        open(c.station);
        EXPECT_EQ(rowFrames(), c.frames);
        EXPECT_EQ(rowWaitingStops(), c.waiting);
        EXPECT_EQ(screen->currentStation, c.resolvedStation);
    }
}

// ---- Vehicles ----

TEST_F(LiveBusScreenTest, VehiclesArePlacedAtOrBetweenStops) {
    replyWith("queryLine", lineText(10));
    replyWith("realBus", vehiclesText({{2, 0, "a"}, {3, 1, "b"}, {5, 0, "c"}, {7, 0, "d"}, {8, 1, "e"}}));
    open("站5");
    const std::vector<std::pair<int, ui::Rect>> expected{
        {8, {5, 470, 50, 40}}, {7, {5, 380, 50, 40}}, {5, {5, 190, 50, 40}}, {3, {5, 100, 50, 40}}, {2, {5, -12, 200, 35}}};
    const auto placed = markers();
    ASSERT_EQ(placed.size(), expected.size());
    for (std::size_t i = 0; i < placed.size(); ++i) {
        EXPECT_EQ(placed[i]->busReal().stationNo, expected[i].first);
        EXPECT_EQ(placed[i]->frame(), expected[i].second) << "vehicle at " << expected[i].first;
        EXPECT_EQ(placed[i]->orderNo(), 5);
    }
}

TEST_F(LiveBusScreenTest, VehiclesStandingTogetherAreCountedAsOneGroup) {
    replyWith("queryLine", lineText(10));
    replyWith("realBus", vehiclesText({{5, 1, "x"}, {5, 0, "y"}, {5, 1, "z"}, {6, 1, "w"}}));
    open("站9");
    std::vector<std::pair<std::string, json>> counted;
    for (auto* m : markers()) counted.emplace_back(textValue(m->busReal().toNextStop), m->busReal().busNum);
    EXPECT_EQ(counted, (std::vector<std::pair<std::string, json>>{{"w", 1}, {"x", 2}, {"y", 1}, {"z", 2}}));
    EXPECT_EQ(markers()[1]->frame(), markers()[3]->frame());
    EXPECT_NE(markers()[1]->frame(), markers()[2]->frame());
}

TEST_F(LiveBusScreenTest, PanelShowsTheNearestThreeAtOrBeforeTheWaitingStop) {
    const struct {
        const char* name;
        std::vector<VehicleAt> vehicles;
        std::vector<std::string> nearest;  // {"none"} for no panel
    } cases[] = {
        {"ties keep the reply's order",
         {{1, 0, "f"}, {9, 0, "a"}, {4, 0, "c"}, {5, 1, "b"}, {4, 1, "d"}, {2, 0, "e"}},
         {"b", "c", "d"}},
        {"only past the waiting stop", {{6, 0, "p"}, {8, 1, "q"}}, {}},
        {"fewer than three", {{3, 0, "m"}}, {"m"}},
        {"no vehicles", {}, {"none"}},
    };
    replyWith("queryLine", lineText(10));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        replyWith("realBus", vehiclesText(c.vehicles));
        open("站5");
        if (c.nearest == std::vector<std::string>{"none"}) {
            EXPECT_TRUE(routeViews(true).empty());
            continue;
        }
        ASSERT_EQ(panels().size(), 1u);
        EXPECT_EQ(panels()[0]->recArrayStation(), c.nearest);
        EXPECT_EQ(panels()[0]->frame(), (ui::Rect{80, 299, 250, 50}));
        EXPECT_EQ(routeViews(true).back(), panels()[0]) << "the panel lies over the markers";
    }
}

// ---- The refresh timer ----

TEST_F(LiveBusScreenTest, TimerIntervalComesFromRefreshTime) {
    const struct {
        std::optional<json> stored;
        double interval;  // 0: no timer
    } cases[] = {{std::nullopt, 10}, {json("10"), 10}, {json("30"), 30}, {json(20), 20},
                 {json("100"), 0},   {json("0"), 0},   {json("-5"), 0},  {json("abc"), 0}};
    auto& loop = platform::RunLoop::main();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored->dump() : "nothing stored");
        if (c.stored)
            platform::UserDefaults::standard().setObject(*c.stored, "refreshTime");
        else
            platform::UserDefaults::standard().removeObjectForKey("refreshTime");
        open();
        if (!c.stored) {
            EXPECT_EQ(platform::UserDefaults::standard().objectForKey("refreshTime"), json("10"));
        }
        const auto before = requestsFor("realBus").size();
        if (c.interval == 0) {
            loop.advance(300);
            EXPECT_EQ(requestsFor("realBus").size(), before);
            continue;
        }
        loop.advance(c.interval - 0.01);
        EXPECT_EQ(requestsFor("realBus").size(), before);
        loop.advance(0.01);
        EXPECT_EQ(requestsFor("realBus").size(), before + 1);
        loop.advance(c.interval);
        EXPECT_EQ(requestsFor("realBus").size(), before + 2);
    }
}

TEST_F(LiveBusScreenTest, ATimerTickReplacesOnlyTheVehiclesAndKeepsTheScrollPosition) {
    replyWith("queryLine", lineText(20));
    replyWith("realBus", vehiclesText({{3, 0, "old"}}));
    open("站12");
    const auto rowsBefore = rows();
    scroll().setContentOffset({0, 123});
    replyWith("realBus", vehiclesText({{4, 1, "new"}, {2, 1, "new2"}}));
    platform::RunLoop::main().advance(10);
    EXPECT_EQ(rows(), rowsBefore);
    EXPECT_EQ(scroll().contentOffset(), (ui::Point{0, 123}));
    ASSERT_EQ(markers().size(), 2u);
    EXPECT_EQ(panels().at(0)->recArrayStation(), (std::vector<std::string>{"new", "new2"}));
}

TEST_F(LiveBusScreenTest, TheTimerStopsForGoodWhenTheScreenDisappears) {
    open();
    const auto before = requestsFor("realBus").size();
    navigation->pushViewController(std::make_shared<ui::ViewController>(), false);
    settle();
    platform::RunLoop::main().advance(60);
    navigation->popViewControllerAnimated(false);
    settle();
    platform::RunLoop::main().advance(60);
    EXPECT_EQ(requestsFor("realBus").size(), before);
}

// ---- Failures ----

TEST_F(LiveBusScreenTest, AnUnreachableServiceOnATickLeavesTheRowsWithoutVehicles) {
    replyWith("realBus", vehiclesText({{2, 1, "a"}}));
    open();
    ASSERT_EQ(markers().size(), 1u);
    const auto rowsBefore = rows();
    makeServiceUnreachable();
    platform::RunLoop::main().advance(10);
    ASSERT_EQ(platform::AlertCenter::shared().visibleAlerts().size(), 1u);
    EXPECT_EQ(platform::AlertCenter::shared().frontAlert()->message(), "无法连接服务器");
    EXPECT_TRUE(routeViews(true).empty());
    EXPECT_EQ(rows(), rowsBefore);
}

TEST_F(LiveBusScreenTest, AnEmptyVehicleReplyLeavesTheThreeBoxesEmpty) {
    open();
    EXPECT_TRUE(routeViews(true).empty());
    EXPECT_EQ(viewsWithImage(scroll(), "最近三辆车底色.png").size(), 3u);
    EXPECT_TRUE(viewsWithText(scroll(), "暂无信息").empty());
}

TEST_F(LiveBusScreenTest, ALineWithoutLiveDataIsNeverAskedForVehicles) {
    replyWith("queryLine", lineText(6, 0));
    open();
    platform::RunLoop::main().advance(30);
    tap(*screen->refUIImageView.lock());
    waitForRebuild();
    EXPECT_EQ(rows().size(), 6u);
    EXPECT_TRUE(requestsFor("realBus").empty());
}

TEST_F(LiveBusScreenTest, OddRepliesShowALineWithoutStopsOrWithoutVehicles) {
    const struct {
        const char* line;
        const char* vehicles;
        std::size_t rows, live;
    } cases[] = {{"not json at all", "[]", 0, 0},
                 {R"({"lineName":"7路","gprsId":5})", "[]", 0, 0},
                 {R"(["a",{"b":1}])", "[]", 0, 0},
                 {nullptr, R"({"stationNo":2})", 6, 0},
                 {nullptr, R"("[{\"stationNo\":2}]")", 6, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line ? c.line : c.vehicles);
        replyWith("queryLine", c.line ? c.line : lineText(6));
        replyWith("realBus", c.vehicles);
        open();
        EXPECT_EQ(rows().size(), c.rows);
        EXPECT_EQ(routeViews(true).size(), c.live);
        EXPECT_EQ(scroll().contentSize.height, 60.0 * static_cast<double>(c.rows) + 60);
    }
}

// ---- Rebuilds through worker threads ----

TEST_F(LiveBusScreenTest, UpdateOrderNoRebuildsThroughAWorkerThreadWithoutMovingTheView) {
    replyWith("queryLine", lineText(10));
    replyWith("realBus", vehiclesText({{4, 1, "a"}}));
    open("站3");
    scroll().setContentOffset({0, 100});
    BusRealUIView* sixth = rows().at(5);
    pressAndRelease(*sixth, {200, 30});
    EXPECT_TRUE(indicatorRuns());
    EXPECT_EQ(platform::UserDefaults::standard().objectForKey("orderNo"), json("6"));
    waitForRebuild();
    EXPECT_EQ(rowWaitingStops(), std::vector<int>(10, 6));
    EXPECT_EQ(rows().at(5)->frame(), rowAt(280, 130));
    EXPECT_EQ(screen->currentStation, "站6");
    EXPECT_EQ(scroll().contentOffset(), (ui::Point{0, 100}));
    EXPECT_EQ(requestsFor("queryLine").size(), 1u);
    EXPECT_NE(lastRequest("realBus").find("<orderNo>6</orderNo>"), std::string::npos);
    EXPECT_EQ(panels().at(0)->recArrayStation(), std::vector<std::string>{"a"});
}

// A vehicle tapped at stop 1 leaves no stop waiting: every row after the
// first moves down, every vehicle is past, and the panel stands at -1.
TEST_F(LiveBusScreenTest, UpdateOrderNoToZeroMakesNoRowTheWaitingRow) {
    replyWith("realBus", vehiclesText({{1, 1, "a"}, {3, 0, "b"}}));
    open();
    tap(*markers().back());
    waitForRebuild();
    EXPECT_EQ(rowFrames(), (std::vector<ui::Rect>{rowAt(-20), rowAt(110), rowAt(170), rowAt(230), rowAt(290),
                                                  rowAt(350)}));
    for (auto* m : markers()) EXPECT_EQ(m->subviews().front()->imageName(), "过站巴士.png");
    EXPECT_EQ(panels().at(0)->frame(), (ui::Rect{80, -1, 250, 50}));
    EXPECT_TRUE(panels().at(0)->recArrayStation().empty());
}

TEST_F(LiveBusScreenTest, ManualRefreshThreadRebuildsFromTheStopsHeld) {
    replyWith("realBus", vehiclesText({{2, 0, "a"}}));
    open();
    replyWith("queryLine", lineText(9));
    replyWith("realBus", vehiclesText({{3, 1, "b"}}));
    tap(*screen->refUIImageView.lock());
    waitForRebuild();
    EXPECT_EQ(platform::UserDefaults::standard().objectForKey("orderNo"), json("3"));
    EXPECT_EQ(rows().size(), 6u);
    EXPECT_EQ(requestsFor("queryLine").size(), 1u);
    EXPECT_EQ(panels().at(0)->recArrayStation(), std::vector<std::string>{"b"});
}

TEST_F(LiveBusScreenTest, DirectionSwitchFindsTheSameStopInTheOtherDirection) {
    replyWith("queryLine", lineText(30));
    open("站25");
    scroll().setContentOffset({0, 40});
    replyWith("queryLine", reversedLineText(28));
    replyWith("realBus", vehiclesText({{3, 0, "r"}}));
    pressAndRelease(*screen->tabUIImageView.lock(), {30, 15});
    EXPECT_TRUE(indicatorRuns());
    waitForRebuild();
    EXPECT_EQ(screen->direction, 1);
    EXPECT_NE(lastRequest("queryLine").find("<direction>1</direction>"), std::string::npos);
    // "站25" is stop 4 of the other direction, which the first-position rule puts at the top.
    std::vector<int> waiting(28, 4);
    waiting[0] = waiting[1] = waiting[2] = BusRealViewController::kByNameMarker;
    EXPECT_EQ(rowWaitingStops(), waiting);
    EXPECT_EQ(scroll().contentOffset(), (ui::Point{0, 0}));
    EXPECT_EQ(screen->tabUIImageView.lock()->image(), "切换1.png");
    EXPECT_EQ(screen->lineTitle.lock()->text(), "开往 站1方向");
    EXPECT_NE(lastRequest("realBus").find("<orderNo>4</orderNo><direction>1</direction>"), std::string::npos);
    EXPECT_EQ(markers().size(), 1u);
    EXPECT_EQ(screen->tag, 0);
}

TEST_F(LiveBusScreenTest, DirectionSwitchWithAnEmptyLineReplyLeavesTheRouteEmpty) {
    replyWith("realBus", vehiclesText({{2, 0, "a"}}));
    open();
    replyWith("queryLine", "");
    tap(*screen->tabUIImageView.lock());
    waitForRebuild();
    EXPECT_TRUE(scroll().subviews().empty());
    EXPECT_EQ(screen->direction, 1);
    EXPECT_EQ(screen->tabUIImageView.lock()->image(), "切换2.png");
    EXPECT_EQ(screen->lineTitle.lock()->text(), "开往 站6方向");
    EXPECT_EQ(requestsFor("realBus").size(), 1u);
    platform::RunLoop::main().advance(10);
    EXPECT_EQ(requestsFor("realBus").size(), 1u) << "no live data until a line reply comes";
    // The stops held from before come back on a refresh by hand.
    tap(*screen->refUIImageView.lock());
    waitForRebuild();
    EXPECT_EQ(rows().size(), 6u);
}

// The screen goes while the switch's line request is under way: the worker
// finds it gone and touches nothing.
TEST_F(LiveBusScreenTest, DirectionSwitchOutlivedByItsWorkerThread) {
    open();
    HttpTestServer slow;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> arrived{false};
    slow.server().Post(".*", [&](const httplib::Request&, httplib::Response& res) {
        arrived = true;
        released.wait();
        res.set_content(soapReply("queryLine", xmlEscaped(lineText(6))), "text/xml");
    });
    slow.start();
    platform::UserDefaults::standard().setObject(slow.baseUrl(), "postUrl");
    std::weak_ptr<BusRealViewController> watch = screen;
    tap(*screen->tabUIImageView.lock());
    ASSERT_TRUE(pollUntil([&] { return arrived.load(); }));
    window->setRootViewController(nullptr);
    navigation.reset();
    screen.reset();
    settle();
    EXPECT_TRUE(watch.expired());
    release.set_value();
    waitForWorkers();
}

TEST_F(LiveBusScreenTest, UpdateOrderNoOutlivedByItsWorkerThread) {
    open();
    std::weak_ptr<BusRealViewController> watch = screen;
    platform::NotificationCenter::defaultCenter().postNotificationName(BusRealUIView::kUpdateOrderNo);
    window->setRootViewController(nullptr);
    navigation.reset();
    screen.reset();
    EXPECT_TRUE(watch.expired());
    waitForWorkers();
}

}  // namespace
}  // namespace bus::test
