// The live bus screen against a recorded city service: where the rows, the
// vehicles and the panel go, the refresh timer, the failure paths, and the
// rebuilds that pass through worker threads.
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <sstream>

#include <gtest/gtest.h>

#include "model/Value.h"
#include "platform/NotificationCenter.h"
#include "platform/Thread.h"
#include "platform/UserDefaults.h"
#include "screens/tracking/BusRealUIView.h"
#include "screens/tracking/BusRealViewController.h"
#include "screens/tracking/TrackingFixture.h"
#include "service/XmlText.h"

namespace bus::test {
namespace {

using nlohmann::json;
using Texts = std::vector<std::string>;
constexpr auto npos = std::string::npos;

// The outlets as the app's layout makes them.
ui::ScreenLayout liveLayout() {
    return {.build = ui::outlets<BusRealViewController>([](BusRealViewController& screen, ui::View& root,
                                                           const ui::ScreenLayout&) {
        auto add = [&root](auto view) { root.addSubview(view); return view; };
        screen.lineTitle = add(std::make_shared<ui::Label>(ui::Rect{10, 4, 230, 24}));
        screen.smbUILabel = add(std::make_shared<ui::Label>(ui::Rect{10, 28, 230, 20}));
        screen.tabUIImageView = add(std::make_shared<ui::ImageView>(ui::Rect{250, 10, 60, 30}, "切换2.png"));
        screen.refUIImageView = add(std::make_shared<ui::ImageView>(ui::Rect{330, 10, 30, 30}, "刷新.png"));
        screen.realScrollView = add(std::make_shared<ui::ScrollView>(ui::Rect{0, 52, 375, 502}));
    })};
}

// A city service that holds each request until the test releases it. The
// test runs the main loop meanwhile, so no request may wait on the main thread.
struct HeldService {
    HeldService(const std::string& line, const std::string& vehicles) {
        server.server().Post(".*", [=, this](const httplib::Request& request, httplib::Response& reply) {
            const bool isLine = request.body.find("<ns1:queryLine>") != npos;
            std::unique_lock lock(mutex);
            bodies.push_back(request.body);
            released.wait(lock, [&, mine = bodies.size()] { return releasedCount >= mine; });
            reply.set_content(soapReply(isLine ? "queryLine" : "realBus", xml::escape(isLine ? line : vehicles)), "text/xml");
        });
        server.start();
        platform::UserDefaults::standard().setObject(server.baseUrl(), "postUrl");
    }
    ~HeldService() { release(1000); }
    Texts arrived() { std::lock_guard lock(mutex); return bodies; }
    void release(std::size_t count = 1) {
        std::lock_guard lock(mutex);
        releasedCount += count;
        released.notify_all();
    }

    std::mutex mutex;
    std::condition_variable released;
    Texts bodies;
    std::size_t releasedCount = 0;
    HttpTestServer server;  // last, so that it stops first, all requests released
};

class LiveBusScreenTest : public TrackingFixture {
protected:
    enum Kind { Row, Marker, Panel };

    void SetUp() override {
        TrackingFixture::SetUp();
        replyWith("queryLine", lineText(6));
        replyWith("realBus", "[]");
        storyboard.screen<BusRealViewController>("Live", liveLayout());
    }
    void open(const std::string& currentStation = "") {
        closeScreens();
        screen = std::dynamic_pointer_cast<BusRealViewController>(storyboard.instantiateViewController("Live"));
        screen->setValue(12, "lineId");
        screen->setValue(0, "direction");
        screen->setValue(currentStation, "currentStation");
        navigation = std::make_shared<ui::NavigationController>(screen);
        window->setRootViewController(navigation);
        settle();
    }
    ui::ScrollView& scroll() const { return *screen->realScrollView.lock(); }
    std::vector<BusRealUIView*> views(Kind kind) const {
        std::vector<BusRealUIView*> found;
        for (const auto& child : scroll().subviews()) {
            auto* v = dynamic_cast<BusRealUIView*>(child.get());
            if (v && kind == (!isNone(v->busStation().stationName) ? Row : isNone(v->busReal().stationNo) ? Panel : Marker))
                found.push_back(v);
        }
        return found;
    }
    // A row as "top@waiting stop", a waiting row's top followed by ":height";
    // a marker as "toNextStop×busNum@frame"; the panel as its frame and texts.
    Texts describe(Kind kind) const {
        Texts out;
        for (auto* v : views(kind)) {
            std::ostringstream s;
            if (kind == Row) s << v->frame().y();
            if (kind == Row && v->frame().height() != 60) s << ':' << v->frame().height();
            if (kind == Row) s << '@' << v->orderNo();
            if (kind == Marker)
                s << textValue(v->busReal().toNextStop) << "×" << decimalText(v->busReal().busNum) << '@' << frameText(v->frame());
            if (kind == Panel) s << frameText(v->frame());
            for (const auto& text : v->recArrayStation()) s << ' ' << text;
            out.push_back(s.str());
        }
        return out;
    }
    bool indicatorRuns() const { return screen->indicator && screen->indicator->isAnimating(); }
    // A rebuild through a worker thread ends as the indicator stops.
    void waitForRebuild() { ASSERT_TRUE(waitUntil([this] { return !indicatorRuns(); })); }
    // Presses and releases without letting the run loop run.
    void pressAndRelease(const ui::View& view, ui::Point local) {
        window->touch(ui::TouchPhase::Began, view.convertToWindow(local));
        window->touch(ui::TouchPhase::Ended, view.convertToWindow(local));
    }
    std::string lastRequest(const std::string& operation) const { return requestsFor(operation).back(); }

    std::shared_ptr<BusRealViewController> screen;
};

TEST_F(LiveBusScreenTest, LoadShowsTheLineAndAsksForItsVehicles) {
    open("站4");
    EXPECT_EQ(navigation->topViewController()->title(), "12路");
    EXPECT_EQ(screen->lineTitle.lock()->text(), "开往 站6方向");
    EXPECT_EQ(screen->smbUILabel.lock()->text(), "首末班:06:00-21:30 ￥1");
    EXPECT_EQ(screen->tabUIImageView.lock()->image(), "切换2.png");
    EXPECT_FALSE(indicatorRuns()) << "stopped once the screen appeared";
    EXPECT_NE(lastRequest("queryLine").find("<direction>0</direction><lineId>12</lineId>"), npos);
    EXPECT_NE(lastRequest("realBus").find("<gprsId>1201</gprsId><orderNo>4</orderNo><direction>0</direction>"), npos);
}

// Rows built before the stop that resolves a by-name marker (200) still see
// the marker as their waiting stop.
TEST_F(LiveBusScreenTest, RowsAndTheFirstScrollPositionFollowTheWaitingStop) {
    auto twins = stopNames(5);
    twins[3] = "站2";
    const struct {
        std::string line, station;
        double offset;
        Texts rows;  // not looked at when empty
        std::string resolved;
    } cases[] = {
        {lineText(6), "", -100, {"-20@3", "40@3", "100:130@3", "230@3", "290@3", "350@3"}, "站3"},
        {lineText(4), "站1", -220, {"-20@1", "110@1", "170@1", "230@1"}, "站1"},
        {lineText(4), "无此站", -220, {"-20@200", "40@200", "100@200", "160:130@4"}, "无此站"},
        {lineText(twins), "站2", -160, {"-20@200", "40:130@2", "170@2", "230@2", "290@2"}, "站2"},
        {lineText(2), "", -340, {"-20@3", "40@3"}, ""},
        {lineText(40), "站5", 0, {}, ""},
        {lineText(40), "站9", 270, {}, ""},
        {lineText(40), "站20", 930, {}, ""},
        {lineText(40), "站38", 1940, {}, ""},
        {lineText(5), "", -160, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.station + " of " + std::to_string(json::parse(c.line)["upDown"].size()));
        replyWith("queryLine", c.line);
        open(c.station);
        EXPECT_EQ(scroll().contentOffset().y, c.offset);
        if (c.rows.empty()) continue;
        EXPECT_EQ(describe(Row), c.rows);
        EXPECT_EQ(screen->currentStation, c.resolved);
    }
}

TEST_F(LiveBusScreenTest, VehiclesStandAtOrBetweenStopsAndThePanelNamesTheNearestThree) {
    const struct {
        int waiting;
        std::vector<VehicleAt> vehicles;
        Texts markers, panel;
    } cases[] = {
        {5, {{2, 0, "a"}, {3, 1, "b"}, {5, 0, "c"}, {7, 0, "d"}, {8, 1, "e"}},
         {"e×1@5,470,50,40", "d×1@5,380,50,40", "c×1@5,190,50,40", "b×1@5,100,50,40", "a×1@5,-12,200,35"},
         {"80,299,250,50 c b a"}},
        {9, {{5, 1, "x"}, {5, 0, "y"}, {5, 1, "z"}, {6, 1, "w"}},  // groups
         {"w×1@5,280,50,40", "x×2@5,220,50,40", "y×1@5,190,50,40", "z×2@5,220,50,40"}, {"80,539,250,50 w x y"}},
        {5, {{1, 0, "f"}, {9, 0, "a"}, {4, 0, "c"}, {5, 1, "b"}, {4, 1, "d"}, {2, 0, "e"}},  // ties keep the reply's order
         {"a×1@5,500,50,40", "b×1@5,220,50,40", "c×1@5,130,50,40", "d×1@5,160,50,40", "e×1@5,-12,200,35",
          "f×1@5,-50,50,40"},
         {"80,299,250,50 b c d"}},
        {5, {{6, 0, "p"}, {8, 1, "q"}}, {"q×1@5,470,50,40", "p×1@5,320,50,40"}, {"80,299,250,50"}},
        {5, {}, {}, {}},  // none: the waiting row's boxes stay empty
    };
    replyWith("queryLine", lineText(10));
    for (const auto& c : cases) {
        SCOPED_TRACE(vehiclesText(c.vehicles));
        replyWith("realBus", vehiclesText(c.vehicles));
        open(stopNames(c.waiting).back());
        EXPECT_EQ(describe(Marker), c.markers);
        EXPECT_EQ(describe(Panel), c.panel);
        for (auto* m : views(Marker)) EXPECT_EQ(m->orderNo(), c.waiting);
        if (!c.panel.empty()) {
            EXPECT_EQ(scroll().subviews().back().get(), views(Panel).at(0)) << "over the markers";
        }
    }
}

TEST_F(LiveBusScreenTest, RefreshTimeSetsTheTimerOnTheVirtualClockUntilTheScreenGoes) {
    const struct {
        std::optional<json> stored;
        double interval;  // 0: no timer
    } cases[] = {{std::nullopt, 10}, {json("10"), 10}, {json(20), 20}, {json("100"), 0},
                 {json("0"), 0},     {json("-5"), 0},  {json("abc"), 0}};
    auto& loop = platform::RunLoop::main();
    auto& defaults = platform::UserDefaults::standard();
    const auto requests = [this] { return requestsFor("realBus").size(); };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored->dump() : "nothing stored");
        c.stored ? defaults.setObject(*c.stored, "refreshTime") : defaults.removeObjectForKey("refreshTime");
        open();
        EXPECT_EQ(defaults.objectForKey("refreshTime"), c.stored.value_or("10"));
        const auto before = requests();
        loop.advance(c.interval == 0 ? 300 : c.interval - 0.5);
        EXPECT_EQ(requests(), before);
        if (c.interval == 0) continue;
        loop.advance(0.5);
        EXPECT_EQ(requests(), before + 1);
        loop.advance(c.interval);
        EXPECT_EQ(requests(), before + 2);
        // Another screen over it stops the timer for good.
        navigation->pushViewController(std::make_shared<ui::ViewController>(), false);
        settle();
        loop.advance(60);
        navigation->popViewControllerAnimated(false);
        settle();
        loop.advance(60);
        EXPECT_EQ(requests(), before + 2);
    }
}

TEST_F(LiveBusScreenTest, ATickReplacesOnlyTheVehiclesAndAFailedOneLeavesTheRowsBare) {
    replyWith("queryLine", lineText(20));
    replyWith("realBus", vehiclesText({{3, 0, "old"}}));
    open("站12");
    const auto rowsBefore = views(Row);
    scroll().setContentOffset({0, 123});
    replyWith("realBus", vehiclesText({{4, 1, "new"}, {2, 1, "new2"}}));
    platform::RunLoop::main().advance(10);
    EXPECT_EQ(views(Row), rowsBefore);
    EXPECT_EQ(scroll().contentOffset().y, 123);
    EXPECT_EQ(describe(Marker), (Texts{"new×1@5,160,50,40", "new2×1@5,40,50,40"}));
    EXPECT_EQ(describe(Panel), Texts{"80,719,250,50 new new2"});

    makeServiceUnreachable();
    platform::RunLoop::main().advance(10);
    EXPECT_EQ(frontAlertText(), "提醒 无法连接服务器");
    EXPECT_TRUE(describe(Marker).empty() && describe(Panel).empty());
    EXPECT_EQ(views(Row), rowsBefore);
}

TEST_F(LiveBusScreenTest, OddRepliesShowALineWithoutStopsOrWithoutVehicles) {
    const struct {
        std::string line, vehicles;
        std::size_t rows, vehicleRequests;
    } cases[] = {
        {"not json at all", "[]", 0, 0},
        {R"({"lineName":"7路","gprsId":5})", "[]", 0, 1},
        {R"(["a",{"b":1}])", "[]", 0, 0},
        {lineText(6, 0), vehiclesText({{2, 0, "a"}}), 6, 0},  // no live data: gprsId 0
        {lineText(6), R"({"stationNo":2})", 6, 1},
        {lineText(6), R"("[{\"stationNo\":2}]")", 6, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line + " / " + c.vehicles);
        replyWith("queryLine", c.line);
        replyWith("realBus", c.vehicles);
        const auto before = requestsFor("realBus").size();
        open();
        EXPECT_EQ(views(Row).size(), c.rows);
        EXPECT_EQ(scroll().contentSize.height, 60.0 * static_cast<double>(c.rows) + 60);
        EXPECT_EQ(requestsFor("realBus").size() - before, c.vehicleRequests);
        EXPECT_TRUE(views(Marker).empty());
    }
}

TEST_F(LiveBusScreenTest, UpdateOrderNoRebuildsThroughAWorkerThreadWithoutMovingTheView) {
    replyWith("queryLine", lineText(10));
    replyWith("realBus", vehiclesText({{4, 1, "a"}, {1, 1, "b"}}));
    open("站3");
    scroll().setContentOffset({0, 100});
    pressAndRelease(*views(Row).at(5), {200, 30});
    EXPECT_TRUE(indicatorRuns());
    EXPECT_EQ(storedOrderNo(), json("6"));
    waitForRebuild();
    EXPECT_EQ(describe(Row), (Texts{"-20@6", "40@6", "100@6", "160@6", "220@6", "280:130@6", "410@6", "470@6",
                                    "530@6", "590@6"}));
    EXPECT_EQ(screen->currentStation, "站6");
    EXPECT_EQ(scroll().contentOffset().y, 100);
    EXPECT_EQ(requestsFor("queryLine").size(), 1u);
    EXPECT_NE(lastRequest("realBus").find("<orderNo>6</orderNo>"), npos);
    EXPECT_EQ(describe(Panel), Texts{"80,359,250,50 a b"});

    // The vehicle at stop 1 makes 0 the waiting stop: every row after the
    // first moves down, every vehicle is past.
    scroll().setContentOffset({0, 0});
    tapAt(*views(Marker).back(), {25, 35});
    waitForRebuild();
    EXPECT_EQ(describe(Row), (Texts{"-20@0", "110@0", "170@0", "230@0", "290@0", "350@0", "410@0", "470@0",
                                    "530@0", "590@0"}));
    EXPECT_EQ(describe(Marker), (Texts{"a×1@5,230,50,40", "b×1@5,50,50,40"}));
    for (auto* m : views(Marker)) EXPECT_EQ(partsOf(*m), "过站巴士.png");
    EXPECT_EQ(describe(Panel), Texts{"80,-1,250,50"});
}

TEST_F(LiveBusScreenTest, DirectionSwitchAsksOffTheMainThreadAndFindsTheSameStop) {
    replyWith("queryLine", lineText(30));
    open("站25");
    auto reversed = stopNames(28);
    std::reverse(reversed.begin(), reversed.end());
    HeldService held(lineText(reversed), vehiclesText({{3, 0, "r"}}));
    pressAndRelease(*screen->tabUIImageView.lock(), {30, 15});
    ASSERT_TRUE(waitUntil([&] { return held.arrived().size() == 1; }));
    EXPECT_TRUE(indicatorRuns());
    EXPECT_TRUE(scroll().subviews().empty());
    EXPECT_NE(held.arrived().at(0).find("<direction>1</direction><lineId>12</lineId>"), npos);
    held.release();
    ASSERT_TRUE(waitUntil([&] { return held.arrived().size() == 2; }));
    // "站25" is stop 4 of the other direction; its rows stand before the
    // vehicles are asked for.
    EXPECT_EQ(describe(Row).at(3), "160:130@4");
    EXPECT_NE(held.arrived().at(1).find("<orderNo>4</orderNo><direction>1</direction>"), npos);
    held.release();
    waitForRebuild();
    EXPECT_EQ(describe(Row).at(2), "100@200");
    EXPECT_EQ(scroll().contentOffset().y, 0);
    EXPECT_EQ(screen->tabUIImageView.lock()->image(), "切换1.png");
    EXPECT_EQ(screen->lineTitle.lock()->text(), "开往 站1方向");
    EXPECT_EQ(describe(Marker), Texts{"r×1@5,70,50,40"});
}

// A refresh by hand after it brings back the stops held from before.
TEST_F(LiveBusScreenTest, DirectionSwitchWithAnEmptyLineReplyLeavesTheRouteEmpty) {
    replyWith("realBus", vehiclesText({{2, 0, "a"}}));
    open();
    replyWith("queryLine", "");
    tap(*screen->tabUIImageView.lock());
    waitForRebuild();
    EXPECT_TRUE(scroll().subviews().empty());
    EXPECT_EQ(screen->direction, 1);
    EXPECT_EQ(screen->lineTitle.lock()->text(), "开往 站6方向");
    platform::RunLoop::main().advance(10);
    EXPECT_EQ(requestsFor("realBus").size(), 1u) << "no live data until a line reply comes";
    tap(*screen->refUIImageView.lock());
    waitForRebuild();
    EXPECT_EQ(describe(Row).size(), 6u);
    EXPECT_EQ(requestsFor("queryLine").size(), 2u);
}

// The screen goes while a switch waits on its line request and a rebuild for
// a new waiting stop is queued: neither touches it.
TEST_F(LiveBusScreenTest, DirectionSwitchAndUpdateOrderNoThreadsOutliveTheScreen) {
    open();
    HeldService held(lineText(6), "[]");
    std::weak_ptr<BusRealViewController> watch = screen;
    tap(*screen->tabUIImageView.lock());
    ASSERT_TRUE(waitUntil([&] { return held.arrived().size() == 1; }));
    platform::NotificationCenter::defaultCenter().postNotificationName(BusRealUIView::kUpdateOrderNo);
    window->setRootViewController(nullptr);
    navigation.reset();
    screen.reset();
    EXPECT_TRUE(watch.expired());
    held.release();
    EXPECT_TRUE(waitUntil([] { return platform::waitForWorkerThreads(0); }));
}

}  // namespace
}  // namespace bus::test
