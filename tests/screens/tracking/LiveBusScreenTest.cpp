// The live bus screen against a recorded city service: where the rows, the
// vehicles and the panel go, the refresh timer, the failure paths, the
// rebuilds, and the direction switch on its worker thread; the data's age
// and the arrival reminder that sit beside the route.
#include <algorithm>
#include <chrono>
#include <limits>
#include <mutex>
#include <semaphore>
#include <sstream>
#include <tuple>

#include <gtest/gtest.h>

#include "platform/NotificationCenter.h"
#include "platform/Thread.h"
#include "platform/UserNotifications.h"
#include "platform/ui/Accessibility.h"
#include "platform/ui/TextMetrics.h"
#include "support/Cjk.h"
#include "support/Language.h"
#include "transit/LiveRules.h"
#include "screens/tracking/BusAlertsViewController.h"
#include "screens/tracking/BusRealUIView.h"
#include "screens/tracking/BusRealViewController.h"
#include "screens/tracking/TrackingFixture.h"

namespace bus::test {
namespace {

constexpr auto npos = std::string::npos;

// A "realBus" return text: stop number, 0 at the stop or 1 past it, approach.
std::string vehiclesText(const std::vector<std::tuple<long long, long long, std::string>>& all) {
    auto list = json::array();
    for (const auto& [s, k, text] : all) list.push_back({{"stationNo", s}, {"inStation", k}, {"toNextStop", text}});
    return list.dump();
}

// A city service that holds each line and vehicle request until the test
// lets one through; it has no alerts, and says so at once.
struct HeldService {
    HeldService(const std::string& line, const std::string& vehicles) {
        server.server().Post(".*", [=, this](const httplib::Request& request, httplib::Response& reply) {
            if (request.body.find("<ns1:queryAlert>") != npos) {
                reply.set_content(soapReply("queryAlert", "[]"), "text/xml");
                return;
            }
            const bool isLine = request.body.find("<ns1:queryLine>") != npos;
            std::unique_lock lock(mutex);
            bodies.push_back(request.body);
            lock.unlock();
            (void)gate.try_acquire_for(std::chrono::seconds(10));  // never hangs the test
            reply.set_content(soapReply(isLine ? "queryLine" : "realBus", xml::escape(isLine ? line : vehicles)), "text/xml");
        });
        server.start();
        platform::UserDefaults::standard().setObject(server.baseUrl(), "postUrl");
    }
    ~HeldService() { gate.release(100); }
    Texts arrived() {
        std::lock_guard lock(mutex);
        return bodies;
    }

    std::mutex mutex;
    Texts bodies;
    std::counting_semaphore<100> gate{0};
    HttpTestServer server;  // last, so that it stops first, all requests let through
};

class LiveBusScreenTest : public TrackingFixture {
protected:
    enum Kind { Row, Marker, Panel };

    void SetUp() override {
        TrackingFixture::SetUp();
        replyWith("queryLine", lineText(6));
        replyWith("realBus", "[]");
        storyboard.screen<BusRealViewController>("Live", {.build = ui::outlets<BusRealViewController>(
            [](BusRealViewController& screen, ui::View& root, const ui::ScreenLayout&) {
                auto add = [&root](auto view) { root.addSubview(view); return view; };
                screen.lineTitle = add(std::make_shared<ui::Label>(ui::Rect{10, 4, 230, 24}));
                screen.smbUILabel = add(std::make_shared<ui::Label>(ui::Rect{10, 28, 230, 20}));
                screen.tabUIImageView = add(std::make_shared<ui::ImageView>(ui::Rect{250, 10, 60, 30}, "切换2.png"));
                screen.refUIImageView = add(std::make_shared<ui::ImageView>(ui::Rect{330, 10, 30, 30}, "刷新.png"));
                screen.ageLabel = std::make_shared<ui::Label>(ui::Rect{});
                screen.reminderImageView = std::make_shared<ui::ImageView>(ui::Rect{}, "到站提醒.png");
                screen.realScrollView = add(std::make_shared<ui::ScrollView>(ui::Rect{0, 52, 375, 502}));
            })});
    }
    void open(const std::string& currentStation = "") {
        closeScreens();
        screen = std::dynamic_pointer_cast<BusRealViewController>(storyboard.instantiateViewController("Live"));
        screen->setValue(12, "lineId");
        screen->setValue(0, "direction");
        screen->setValue(currentStation, "currentStation");
        navigation = std::make_shared<ui::NavigationController>(screen);
        window->setRootViewController(navigation);
        settleRequests();
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
    // a marker as "text×busNum@frame"; the panel as "frame texts".
    Texts describe(Kind kind) const {
        Texts out;
        for (auto* v : views(kind)) {
            std::ostringstream s;
            const ui::Rect f = v->frame();
            if (kind == Row) s << f.y();
            if (kind == Row && f.height() != 60) s << ':' << static_cast<int>(f.height());
            if (kind == Row) s << '@' << v->orderNo();
            if (kind == Marker) s << textValue(v->busReal().toNextStop) << "×" << decimalText(v->busReal().busNum) << '@';
            if (kind != Row) s << f.x() << ',' << f.y() << ',' << f.width() << ',' << f.height();
            for (const auto& text : v->recArrayStation()) s << ' ' << text;
            out.push_back(s.str());
        }
        return out;
    }
    Texts heading() const {
        return {navigation->topViewController()->title(), screen->lineTitle.lock()->text(),
                screen->smbUILabel.lock()->text(), screen->tabUIImageView.lock()->image()};
    }
    bool indicatorRuns() const { return screen->indicator && screen->indicator->isAnimating(); }
    // A rebuild, or a switch on its worker thread, ends as the indicator stops.
    void waitForRebuild() { ASSERT_TRUE(waitUntil([this] { return !indicatorRuns(); })); }

    std::string age() const { return screen->ageLabel->text(); }
    bool ageWarns() const { return screen->ageLabel->textColor.r > 0.8; }
    // Opens the reminder's sheet with its control and picks `stops`.
    void arm(int stops) {
        tap(*screen->reminderImageView);
        ASSERT_EQ(platform::AlertCenter::shared().frontAlert()->buttonTitles(), (Texts{"取消", "1站", "2站", "3站"}));
        platform::AlertCenter::shared().frontAlert()->dismissWithClickedButtonIndex(stops, false);
    }
    Texts arrivalNotices() const {
        Texts found;
        for (const auto& e : platform::AlertCenter::shared().history())
            if (e.kind == e.Shown && e.title.starts_with(live::kArrivalTitle)) found.push_back(e.title);
        return found;
    }

    std::shared_ptr<BusRealViewController> screen;
};

struct PostedNotices : platform::UserNotifications {
    void post(const std::string& title, const std::string& body) override { titles.push_back(title + "|" + body); }
    Texts titles;
};

// What the screen shows for the replies and the stop named, in the columns a
// row gives. Rows built before a by-name marker (200) resolves still see it.
TEST_F(LiveBusScreenTest, RowsVehiclesAndPanelStandAroundTheWaitingStop) {
    struct Load {
        std::string line = lineText(10), station = "", vehicles = "[]";
        std::optional<double> offset = {};
        std::optional<Texts> rows = {}, markers = {}, panel = {};
        std::optional<std::size_t> vehicleRequests = {};
    };
    const Load cases[] = {
        {.line = lineText(6), .offset = -100, .rows = Texts{"-20@3", "40@3", "100:130@3", "230@3", "290@3", "350@3"}},
        {.line = lineText(4), .station = "站1", .offset = -220, .rows = Texts{"-20@1", "110@1", "170@1", "230@1"}},
        {.line = lineText(4), .station = "无此站", .offset = -220, .rows = Texts{"-20@200", "40@200", "100@200", "160:130@4"}},
        {.line = lineText({"站1", "站2", "站3", "站2", "站5"}), .station = "站2",
         .rows = Texts{"-20@200", "40:130@2", "170@2", "230@2", "290@2"}},
        {.line = lineText(2), .offset = -340, .rows = Texts{"-20@3", "40@3"}},
        {.line = lineText(40), .station = "站5", .offset = 0}, {.line = lineText(40), .station = "站9", .offset = 270},
        {.line = lineText(40), .station = "站20", .offset = 930}, {.line = lineText(40), .station = "站38", .offset = 1940},
        {.line = lineText(5), .offset = -160},
        // Vehicles, highest stop first, and the nearest three at or before the waiting stop.
        {.station = "站5", .vehicles = vehiclesText({{2, 0, "a"}, {3, 1, "b"}, {5, 0, "c"}, {7, 0, "d"}, {8, 1, "e"}}),
         .markers = Texts{"e×1@5,470,50,40", "d×1@5,380,50,40", "c×1@5,190,50,40", "b×1@5,100,50,40", "a×1@5,-12,200,35"},
         .panel = Texts{"80,299,250,50 c b a"}},
        {.station = "站9", .vehicles = vehiclesText({{5, 1, "x"}, {5, 0, "y"}, {5, 1, "z"}, {6, 1, "w"}}),  // ties: reply order
         .markers = Texts{"w×1@5,280,50,40", "x×2@5,220,50,40", "y×1@5,190,50,40", "z×2@5,220,50,40"},
         .panel = Texts{"80,539,250,50 w x y"}},
        {.station = "站5", .vehicles = vehiclesText({{6, 0, "p"}, {8, 1, "q"}}), .panel = Texts{"80,299,250,50"}},
        {.station = "站5", .markers = Texts{}, .panel = Texts{}},  // the waiting row's boxes stay empty
        // Odd replies: a line without stops, or without vehicles.
        {.line = "not json at all", .rows = Texts{}, .vehicleRequests = 0},
        {.line = R"({"lineName":"7路","gprsId":5})", .rows = Texts{}, .vehicleRequests = 1},
        {.line = R"(["a",{"b":1}])", .rows = Texts{}, .vehicleRequests = 0},
        {.line = lineText(6, 0), .vehicles = vehiclesText({{2, 0, "a"}}), .markers = Texts{}, .vehicleRequests = 0},
        {.line = lineText(6), .vehicles = R"({"stationNo":2})", .markers = Texts{}, .vehicleRequests = 1},
        {.line = lineText(6), .vehicles = R"("[{\"stationNo\":2}]")", .markers = Texts{}, .vehicleRequests = 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.station + " on " + c.line.substr(0, 40) + " with " + c.vehicles);
        replyWith("queryLine", c.line);
        replyWith("realBus", c.vehicles);
        const auto before = requestsFor("realBus").size();
        open(c.station);
        if (c.offset) { EXPECT_EQ(scroll().contentOffset().y, *c.offset); }
        if (c.rows) { EXPECT_EQ(describe(Row), *c.rows); }
        if (c.markers) { EXPECT_EQ(describe(Marker), *c.markers); }
        if (c.panel) { EXPECT_EQ(describe(Panel), *c.panel); }
        if (c.vehicleRequests) { EXPECT_EQ(requestsFor("realBus").size() - before, *c.vehicleRequests); }
        EXPECT_TRUE(views(Panel).empty() || scroll().subviews().back().get() == views(Panel)[0]) << "over the markers";
    }
}

TEST_F(LiveBusScreenTest, RefreshTimeSetsTheTimerOnTheVirtualClockUntilTheScreenGoes) {
    const struct {
        std::optional<json> stored;
        double interval;  // 0: no timer
    } cases[] = {{std::nullopt, 10}, {json("10"), 10}, {json(20), 20}, {json("100"), 0},
                 {json("0"), 0},     {json("-5"), 0},  {json("abc"), 0}};
    auto& defaults = platform::UserDefaults::standard();
    const auto requests = [this] { return requestsFor("realBus").size(); };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored->dump() : "nothing stored");
        c.stored ? defaults.setObject(*c.stored, "refreshTime") : defaults.removeObjectForKey("refreshTime");
        open();
        EXPECT_EQ(defaults.objectForKey("refreshTime"), c.stored.value_or("10"));
        const auto before = requests();
        advance(c.interval == 0 ? 300 : c.interval - 0.5);
        EXPECT_EQ(requests(), before);
        if (c.interval == 0) continue;
        advance(0.5);
        EXPECT_EQ(requests(), before + 1);
        advance(c.interval);
        EXPECT_EQ(requests(), before + 2);
        // Another screen over it stops the timer for good.
        navigation->pushViewController(std::make_shared<ui::ViewController>(), false);
        advance(60);
        navigation->popViewControllerAnimated(false);
        advance(60);
        EXPECT_EQ(requests(), before + 2);
    }
}

// The tap's own turn of the loop rebuilds the rows: no thread and no queued
// task stand between the tap and them. The vehicles follow when their reply
// comes, the busy indicator up meanwhile.
TEST_F(LiveBusScreenTest, UpdateOrderNoRebuildsAtOnceWithoutMovingTheView) {
    replyWith("queryLine", lineText(10));
    replyWith("realBus", vehiclesText({{4, 1, "a"}, {1, 1, "b"}}));
    open("站3");
    scroll().setContentOffset({0, 100});
    tapAt(*views(Row).at(5), {200, 30}, false);  // the loop does not run after the tap
    EXPECT_TRUE(indicatorRuns());
    EXPECT_EQ(platform::UserDefaults::standard().objectForKey("orderNo"), json("6"));
    EXPECT_EQ(describe(Row), (Texts{"-20@6", "40@6", "100@6", "160@6", "220@6", "280:130@6", "410@6", "470@6",
                                    "530@6", "590@6"}));
    EXPECT_TRUE(views(Marker).empty());
    EXPECT_EQ(screen->handedOver.currentStation, "站6");
    EXPECT_EQ(scroll().contentOffset().y, 100);
    settleRequests();
    EXPECT_FALSE(indicatorRuns());
    EXPECT_EQ(views(Marker).size(), 2u);
    EXPECT_NE(requestsFor("realBus").back().find("<orderNo>6</orderNo>"), npos);

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

    // An unreachable service on a tick leaves the rows without vehicles.
    const auto rowsBefore = views(Row);
    makeServiceUnreachable();
    advance(10);
    EXPECT_EQ(frontAlertText(), "提醒 无法连接服务器");
    EXPECT_TRUE(describe(Marker).empty() && describe(Panel).empty());
    EXPECT_EQ(views(Row), rowsBefore);
}

// The rebuild the tap asks for drops the row long before its notice closes.
TEST_F(LiveBusScreenTest, UpdateOrderNoAfterTheFavouriteControlShowsTheMarkAndTheNoticeClosesAfterASecond) {
    const struct {
        const char* notice;
        std::vector<json> saved;  // stationName, orderNo, lineName, gprsId, endLine, direction, lineId
        const char* control;
    } cases[] = {{"收藏成功", {"站3", 3, "12路", 1201, "站6", 0, 12}, "收藏成功.png+tap"},
                 {"取消收藏成功", {}, "点击收藏.png+tap"}};
    open();  // the save comes from the rows of the first load, the terminal already known
    for (const auto& c : cases) {
        SCOPED_TRACE(c.notice);
        tap(*views(Row).at(2)->subviews().back());
        EXPECT_EQ(frontAlertText(), c.notice);
        waitForRebuild();
        std::vector<json> saved;
        for (const auto& r : FavouriteStore{}.query(16, 12, 0))
            saved = {r.stationName, r.orderNo, r.lineName, r.gprsId, r.endLine, r.direction, r.lineId};
        EXPECT_EQ(saved, c.saved);
        EXPECT_TRUE(partsOf(*views(Row).at(2)).ends_with(c.control));
        advance(0.999);
        EXPECT_EQ(platform::AlertCenter::shared().visibleAlerts().size(), 1u);
        advance(0.001);
        EXPECT_TRUE(platform::AlertCenter::shared().visibleAlerts().empty());
    }
}

// Both requests of a switch wait on a held service while the main loop runs.
TEST_F(LiveBusScreenTest, DirectionSwitchThreadAsksOffTheMainThreadAndFindsTheSameStop) {
    replyWith("queryLine", lineText(30));
    open("站25");
    EXPECT_NE(requestsFor("realBus").back().find("<gprsId>1201</gprsId><orderNo>25</orderNo><direction>0</direction>"), npos);
    EXPECT_FALSE(indicatorRuns()) << "stopped once the screen appeared";
    const Texts names = stopNames(28);
    HeldService held(lineText(Texts(names.rbegin(), names.rend())), vehiclesText({{3, 0, "r"}}));
    tapAt(*screen->tabUIImageView.lock(), {30, 15}, false);
    ASSERT_TRUE(waitUntil([&] { return held.arrived().size() == 1; }));
    EXPECT_TRUE(indicatorRuns() && scroll().subviews().empty()) << "no rows while the line request waits";
    EXPECT_NE(held.arrived().at(0).find("<direction>1</direction><lineId>12</lineId>"), npos);
    held.gate.release();
    ASSERT_TRUE(waitUntil([&] { return held.arrived().size() == 2; }));
    // "站25" is stop 4 there; its rows stand before the vehicles are asked for.
    EXPECT_EQ(describe(Row).at(3), "160:130@4");
    EXPECT_TRUE(describe(Marker).empty()) << "no vehicles while their request waits";
    EXPECT_NE(held.arrived().at(1).find("<orderNo>4</orderNo><direction>1</direction>"), npos);
    held.gate.release();
    waitForRebuild();
    EXPECT_EQ(scroll().contentOffset().y, 0);
    EXPECT_EQ(heading(), (Texts{"12路", "开往 站1方向", "首末班:06:00-21:30 ￥1", "切换1.png"}));
    EXPECT_EQ(describe(Marker), Texts{"r×1@5,70,50,40"});
}

// An empty line reply leaves the route empty, without live data until a
// refresh by hand brings back the stops held from before.
TEST_F(LiveBusScreenTest, DirectionSwitchWithAnEmptyLineReplyLeavesTheRouteEmpty) {
    open();
    replyWith("queryLine", "");
    tap(*screen->tabUIImageView.lock());
    waitForRebuild();
    EXPECT_TRUE(scroll().subviews().empty());
    EXPECT_EQ(screen->handedOver.direction, 1);
    EXPECT_EQ(heading().at(1), "开往 站6方向");
    const auto vehicleRequests = requestsFor("realBus").size();
    advance(10);
    EXPECT_EQ(requestsFor("realBus").size(), vehicleRequests);
    tap(*screen->refUIImageView.lock());
    waitForRebuild();
    EXPECT_EQ(describe(Row).size(), 6u);
}

// The screen goes while a switch waits on its line request, and the
// vehicles of a rebuild for a new waiting stop before it are still held:
// neither the switch's worker nor the held reply touches it.
TEST_F(LiveBusScreenTest, ADirectionSwitchsThreadOutlivesTheScreen) {
    open();
    HeldService held(lineText(6), "[]");
    std::weak_ptr<BusRealViewController> watch = screen;
    platform::NotificationCenter::defaultCenter().postNotificationName(BusRealUIView::kUpdateOrderNo, views(Row).at(4));
    tapAt(*screen->tabUIImageView.lock(), {30, 15}, false);
    ASSERT_TRUE(waitUntil([&] { return held.arrived().size() == 2; }));
    window->setRootViewController(nullptr);
    navigation.reset();
    screen.reset();
    EXPECT_TRUE(watch.expired());
    held.gate.release(2);
    EXPECT_TRUE(waitUntil([] { return platform::waitForWorkerThreads(0); }));
}

TEST_F(LiveBusScreenTest, DataAgeCountsOnTheVirtualClockUntilStale) {
    EXPECT_EQ(live::dataAgeText(125.9), "2分钟前更新");
    const struct {
        const char* refreshTime;
        double after;
        const char* text;
    } cases[] = {{"100", 0, "刚刚更新"},    {"100", 4.9, "刚刚更新"},     {"100", 5, "5秒前更新"},
                 {"100", 59.9, "59秒前更新"}, {"100", 60, "1分钟前更新"}, {"100", 61, live::kStaleText},
                 {"10", 9, "9秒前更新"},      {"10", 25, "5秒前更新"},     {"90", 89, "1分钟前更新"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.refreshTime) + " after " + std::to_string(c.after));
        platform::UserDefaults::standard().setObject(c.refreshTime, "refreshTime");
        open();
        const auto requests = requestsFor("realBus").size();
        // A second at a time, each tick's reply in before the next: the
        // label changes on its own whole-second ticks.
        for (double left = c.after; left > 0; left -= 1) advance(std::min(left, 1.0));
        EXPECT_EQ(age(), c.text);
        EXPECT_EQ(ageWarns(), c.text == std::string(live::kStaleText));
        if (std::string(c.refreshTime) == "100") { EXPECT_EQ(requestsFor("realBus").size(), requests); }
    }
    replyWith("queryLine", lineText(6, 0));  // no live data: nothing to age
    open();
    EXPECT_EQ(age(), "");
}

TEST_F(LiveBusScreenTest, DataAgeWarnsAfterAFailedRefreshAndItsTapRefreshes) {
    platform::UserDefaults::standard().setObject("100", "refreshTime");
    open();
    const auto requests = requestsFor("realBus").size();
    tap(*screen->ageLabel);
    EXPECT_EQ(requestsFor("realBus").size(), requests) << "a fresh label takes no action";
    makeServiceUnreachable();
    tap(*screen->refUIImageView.lock());
    waitForRebuild();
    EXPECT_EQ(frontAlertText(), "提醒 无法连接服务器");
    EXPECT_TRUE(age() == live::kStaleText && ageWarns());
    advance(1);  // the notice closes; the label stays
    EXPECT_EQ(age(), live::kStaleText);
    service.makeCurrentCity();
    replyWith("realBus", "[]");  // an empty list is an answer, not a failure
    tap(*screen->ageLabel);
    waitForRebuild();
    EXPECT_EQ(requestsFor("realBus").size(), requests + 1);
    EXPECT_TRUE(age() == "刚刚更新" && !ageWarns());
}

// A line watched before, opened again while its service cannot be reached:
// the stops and heading of its last good reply, no vehicles, and the
// reply's age marked offline, to the eye and the screen reader; a tap on
// the label asks again, and the answer takes the mark away.
TEST_F(LiveBusScreenTest, AnUnreachableLineShowsItsLastGoodReplyMarkedOfflineUntilVehiclesAnswer) {
    platform::UserDefaults::standard().setObject("100", "refreshTime");
    replyWith("realBus", vehiclesText({{4, 1, "a"}}));
    open();
    const Texts rows = describe(Row), shownHeading = heading();
    ASSERT_EQ(views(Marker).size(), 1u);
    advance(125);
    makeServiceUnreachable();
    open();
    EXPECT_EQ(describe(Row), rows);
    EXPECT_EQ(heading(), shownHeading);
    EXPECT_TRUE(views(Marker).empty());
    EXPECT_EQ(frontAlertText(), "提醒 无法连接服务器");
    EXPECT_TRUE(age() == "离线 · 2分钟前" && ageWarns());
    EXPECT_EQ(screen->ageLabel->accessibilityLabel(), "离线 · 2分钟前");
    advance(3600);
    EXPECT_EQ(age(), "离线 · 1小时前") << "the age goes on with the clock";
    service.makeCurrentCity();
    tap(*screen->ageLabel);
    EXPECT_TRUE(age() == "刚刚更新" && !ageWarns());
    EXPECT_EQ(views(Marker).size(), 1u);
}

// Whether a view below `view` shows exactly `text`.
bool shows(const ui::View& view, const std::string& text) {
    if (view.text() == text) return true;
    for (const auto& child : view.subviews())
        if (shows(*child, text)) return true;
    return false;
}

// The period an alerts page gives: open ends, one end, both.
TEST(AlertsPage, ThePeriodSaysFromAndUntilInLocalTimeOrThatItHasNoEnd) {
    setenv("TZ", "UTC", 1);
    tzset();
    const auto period = [](std::int64_t start, std::int64_t end) {
        BusAlert a;
        a.start = start, a.end = end;
        return BusAlertsViewController::periodText(a);
    };
    EXPECT_EQ(period(0, 0), "长期");
    EXPECT_EQ(period(1700000000, 0), "2023-11-14 22:13 起");
    EXPECT_EQ(period(0, 1700000000), "2023-11-14 22:13 止");
    EXPECT_EQ(period(1700000000, 1700086400), "2023-11-14 22:13 起，2023-11-15 22:13 止");
}

TEST(AlertsPage, ThePeriodReadsInEnglishToo) {
    setenv("TZ", "UTC", 1);
    tzset();
    const InEnglish english;
    const struct {
        std::int64_t start, end;
        const char* said;
    } cases[] = {{0, 0, "Until further notice"},
                 {1700000000, 0, "From 2023-11-14 22:13"},
                 {0, 1700000000, "Until 2023-11-14 22:13"},
                 {1700000000, 1700086400, "From 2023-11-14 22:13 until 2023-11-15 22:13"}};
    for (const auto& c : cases) {
        BusAlert a;
        a.start = c.start, a.end = c.end;
        EXPECT_EQ(BusAlertsViewController::periodText(a), c.said);
    }
}

// What the screen reader is told, as (name, what).
struct HeardAloud : ui::AccessibilityObserver {
    void accessibilityNotification(ui::View& v, ui::AccessibilityNotification what) override {
        if (what == ui::AccessibilityNotification::Announcement) said.push_back(ui::accessibility::name(v));
    }
    Texts said;
};

// The most severe alert stands over the foot of the route in its level's
// colour, with how many more; the route runs on under it. It is asked on
// each visit and tick, said once to the screen reader, and goes when the
// line has no alert left.
TEST_F(LiveBusScreenTest, TheLinesMostSevereAlertShowsOverTheRouteAndIsSaidOnce) {
    HeardAloud heard;
    window->setAccessibilityObserver(&heard);
    const auto alert = [](const char* id, const char* title, const char* level, json stations = json::array()) {
        return json{{"id", id}, {"title", title}, {"level", level}, {"stations", stations}};
    };
    // Stop 2's row: its button's name and whether it shows the mark.
    const auto stop2 = [&] {
        const BusRealUIView* row = views(Row).at(1);
        std::string name, marks;
        for (const auto& child : row->subviews()) {
            if (dynamic_cast<const ui::Button*>(child.get())) name = ui::accessibility::name(*child);
            if (child->text() == "有提醒") marks += "mark";
        }
        return name + "|" + marks;
    };
    replyWith("queryAlert",
              json::array({alert("a", "改道绕行", "warning"), alert("b", "站点调整", "info", {2})}).dump());
    open();
    EXPECT_EQ(stop2(), "第2站 站2，已过站，有提醒|mark");
    ASSERT_TRUE(screen->alertBanner);
    EXPECT_EQ(screen->alertBanner->text(), "改道绕行  +1");
    EXPECT_EQ(screen->alertBanner->accessibilityLabel(), "提醒：改道绕行，另有1条");
    EXPECT_GT(screen->alertBanner->backgroundColor.r, 0.8);  // amber
    EXPECT_EQ(screen->alertBanner->frame().maxY(), scroll().frame().maxY());
    EXPECT_EQ(scroll().contentSize.height, 60 * 6 + 60 + BusRealViewController::kAlertBannerHeight);
    const auto asked = requestsFor("queryAlert").size();
    ASSERT_EQ(asked, 1u);
    EXPECT_NE(requestsFor("queryAlert")[0].find("<lineId>12</lineId><direction>0</direction><lang>zh</lang>"), npos);
    advance(10);  // a tick asks again; the same alerts are not said again
    EXPECT_EQ(requestsFor("queryAlert").size(), asked + 1);
    replyWith("queryAlert", json::array({alert("c", "停运", "severe")}).dump());
    advance(10);
    EXPECT_EQ(screen->alertBanner->text(), "停运");
    // A tap opens every alert of the line; back, the banner is still there.
    tap(*screen->alertBanner);
    const auto page = std::dynamic_pointer_cast<BusAlertsViewController>(navigation->topViewController());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->alerts().size(), 1u);
    EXPECT_TRUE(shows(*page->view(), "停运") && shows(*page->view(), "长期"));
    navigation->popViewControllerAnimated(false);
    settle();
    EXPECT_EQ(heard.said, (Texts{"提醒：改道绕行，另有1条", "提醒：停运"}));
    replyWith("queryAlert", "[]");
    advance(10);
    EXPECT_FALSE(screen->alertBanner);
    EXPECT_EQ(scroll().contentSize.height, 60 * 6 + 60);
    EXPECT_EQ(stop2(), "第2站 站2，已过站|");
    window->setAccessibilityObserver(nullptr);
    // The rider reading English asks for the alerts' English texts.
    const InEnglish english;
    open();
    EXPECT_NE(requestsFor("queryAlert").back().find("<lang>en</lang>"), npos);
}

// Every text below `view` a rider sees or hears, as "text" or "name: hint",
// each with the view it comes from.
void collectTexts(ui::View& view, std::vector<std::pair<std::string, const ui::View*>>& out) {
    for (const auto& said : {view.text(), view.accessibilityLabel(), view.accessibilityHint()})
        if (!said.empty()) out.emplace_back(said, &view);
    if (const auto* button = dynamic_cast<const ui::Button*>(&view))
        if (!button->currentTitle().empty()) out.emplace_back(button->currentTitle(), &view);
    for (const auto& child : view.subviews()) collectTexts(*child, out);
}

// In English, with a line, vehicles and an alert whose served texts are
// English too, nothing the screen writes itself is left in Chinese, and
// each of its one-line labels fits its frame.
TEST_F(LiveBusScreenTest, InEnglishTheScreenSaysNothingInChinese) {
    const InEnglish english;
    replyWith("queryLine", lineText({"North", "Mill", "Park", "Dock", "Bay", "Quay"}));
    replyWith("realBus", vehiclesText({{1, 1, "2 stops"}, {2, 0, "1 stop"}, {5, 1, "Gone"}}));
    replyWith("queryAlert",
              json::array({{{"id", "a"}, {"title", "Detour"}, {"level", "warning"}, {"stations", {2}}}}).dump());
    open();
    std::vector<std::pair<std::string, const ui::View*>> said;
    collectTexts(*screen->view(), said);
    ASSERT_GT(said.size(), 20u);
    for (const auto& [text, view] : said) {
        EXPECT_FALSE(hasCjk(text)) << text;
        const auto* label = dynamic_cast<const ui::Label*>(view);
        if (label && label->numberOfLines == 1 && text == label->text()) {
            EXPECT_LE(ui::estimatedTextWidth(text, label->font.size), label->frame().width()) << text;
        }
    }
    EXPECT_EQ(screen->smbUILabel.lock()->text(), "Hours 06:00-21:30 ¥1");
    EXPECT_EQ(age(), "Just updated");
    EXPECT_EQ(partsOf(*views(Panel).at(0)), "1 stop#ffffff 2 stops#ffffff No info#ffffff");
    // The caption stands left of the age label, in the same line.
    const BusRealUIView& waiting = *views(Row).at(2);
    ASSERT_NE(partsOf(waiting).find("Next buses:"), npos);
    for (const auto& child : waiting.subviews())
        if (child->text() == "Next buses:") {
            EXPECT_LE(80 + ui::estimatedTextWidth(child->text(), 15), screen->ageLabel->frame().x());
        }

    // The reminder's sheet and its notice.
    tap(*screen->reminderImageView);
    const auto sheet = platform::AlertCenter::shared().frontAlert();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->title() + " | " + sheet->message(), "Arrival reminder | Remind me how many stops before Park?");
    EXPECT_EQ(sheet->buttonTitles(), (Texts{"Cancel", "1 stop", "2 stops", "3 stops"}));
    sheet->dismissWithClickedButtonIndex(2, false);
    EXPECT_EQ(screen->reminderImageView->accessibilityLabel(), "Arrival reminder for 2 stops away, tap to cancel");
    advance(10);
    EXPECT_EQ(frontAlertText(), "Bus arriving: 1 stop away");
    advance(1);
    // The favourite's notice, then the alerts page.
    tap(*views(Row).at(2)->subviews().back());
    EXPECT_EQ(frontAlertText(), "Added to favourites");
    waitForRebuild();
    advance(1);
    tap(*screen->alertBanner);
    const auto page = std::dynamic_pointer_cast<BusAlertsViewController>(navigation->topViewController());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->title(), "Alerts");
    EXPECT_TRUE(shows(*page->view(), "Until further notice"));
}

// A service of the designed five operations is asked once for alerts and
// shows neither a banner nor a notice.
TEST_F(LiveBusScreenTest, AServiceWithoutAlertsIsAskedOnceAndShowsNothing) {
    open();  // queryAlert is not answered: status 500
    advance(10);
    advance(10);
    EXPECT_EQ(requestsFor("queryAlert").size(), 1u);
    EXPECT_FALSE(screen->alertBanner);
    EXPECT_EQ(frontAlertText(), "");
}

// A line never answered has no copy: the screen stays empty, as designed.
TEST_F(LiveBusScreenTest, AnUnreachableLineNeverAnsweredShowsNothing) {
    makeServiceUnreachable();
    open();
    EXPECT_TRUE(describe(Row).empty());
    EXPECT_EQ(age(), "");
}

// Waiting at stop 5 for a vehicle 2 stops away; each step is one refresh.
TEST_F(LiveBusScreenTest, ReminderFiresOnceWhenAVehicleComesWithinTheChosenStops) {
    auto posted = std::make_shared<PostedNotices>();
    platform::UserNotifications::install(posted);
    const struct {
        const char* refreshTime;
        double tick;
    } modes[] = {{"10", 10}, {"100", live::kReminderRefreshSeconds}};
    for (const auto& mode : modes) {
        SCOPED_TRACE(mode.refreshTime);
        platform::AlertCenter::shared().clear();
        posted->titles.clear();
        platform::UserDefaults::standard().setObject(mode.refreshTime, "refreshTime");
        replyWith("queryLine", lineText(10));
        replyWith("realBus", "[]");
        open("站5");
        arm(2);
        EXPECT_EQ(platform::UserDefaults::standard().objectForKey(live::kReminderStopsKey), json(2));
        EXPECT_EQ(screen->reminderImageView->image(), "到站提醒开.png");
        const struct {
            std::string vehicles;
            std::size_t notices;
        } steps[] = {{vehiclesText({{1, 1, "a"}, {6, 1, "p"}}), 0},  // 4 away; one past the stop
                     {vehiclesText({{6, 0, "p"}, {2, 1, "a"}}), 0},  // 3 away
                     {vehiclesText({{7, 1, "p"}, {3, 0, "a"}}), 1},  // 2 away: the notice
                     {vehiclesText({{5, 1, "a"}}), 1}};               // at the stop: disarmed already
        for (const auto& step : steps) {
            replyWith("realBus", step.vehicles);
            const auto requests = requestsFor("realBus").size();
            // By hand, the screen refreshes on its own only while armed.
            const bool refreshes = std::string(mode.refreshTime) == "10" || screen->reminderStops > 0;
            advance(mode.tick - 0.01);
            EXPECT_EQ(requestsFor("realBus").size(), requests);
            advance(0.01);
            EXPECT_EQ(arrivalNotices().size(), step.notices) << step.vehicles;
            EXPECT_EQ(requestsFor("realBus").size(), requests + (refreshes ? 1 : 0));
        }
        EXPECT_EQ(arrivalNotices(), Texts{"车辆即将到站：还有2站"});
        EXPECT_EQ(posted->titles, Texts{"车辆即将到站：还有2站|12路 站5"});
        EXPECT_EQ(screen->reminderStops, 0);
        EXPECT_EQ(screen->reminderImageView->image(), "到站提醒.png");
    }
    // Only vehicles past the stop: nothing, however far the reminder reaches.
    replyWith("realBus", vehiclesText({{6, 0, "p"}, {9, 1, "q"}}));
    arm(3);
    advance(15);
    EXPECT_EQ(arrivalNotices().size(), 1u);
    replyWith("realBus", vehiclesText({{5, 0, "a"}, {5, 1, "b"}}));  // the one standing at the stop speaks
    advance(15);
    EXPECT_EQ(arrivalNotices().back(), "车辆即将到站：已到本站");
    advance(0.999);  // it closes as every transient notice does
    EXPECT_FALSE(platform::AlertCenter::shared().visibleAlerts().empty());
    advance(0.001);
    EXPECT_TRUE(platform::AlertCenter::shared().visibleAlerts().empty());
    arm(1);
    tap(*screen->reminderImageView);
    EXPECT_EQ(screen->reminderStops, 0) << "its control disarms it again";
    platform::UserNotifications::install(nullptr);
}

// The reminder belongs to the waiting stop: a star on it or a tap on it
// again keeps it armed. Shown again after leaving, the screen has no timer
// left, so an armed reminder refreshes on its own there too.
TEST_F(LiveBusScreenTest, ReminderDisarmsOnANewWaitingStopADirectionSwitchOrLeavingOnly) {
    const struct {
        const char* trigger;
        bool disarms;
    } cases[] = {{"another stop", true}, {"direction", true}, {"leave", true},
                 {"star", false},        {"same stop", false}, {"shown again", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trigger);
        const std::string trigger = c.trigger;
        platform::UserDefaults::standard().setObject(trigger == "shown again" ? "10" : "100", "refreshTime");
        open();  // waiting at stop 3 of 6
        if (trigger == "shown again") {
            navigation->pushViewController(std::make_shared<ui::ViewController>(), false);
            navigation->popViewControllerAnimated(false);
        }
        arm(1);
        if (trigger == "another stop") tapAt(*views(Row).at(4), {20, 10});
        if (trigger == "same stop") tapAt(*views(Row).at(2), {20, 10});
        if (trigger == "star") tap(*views(Row).at(2)->subviews().back());
        if (trigger == "direction") tap(*screen->tabUIImageView.lock());
        if (trigger == "leave") navigation->pushViewController(std::make_shared<ui::ViewController>(), false);
        waitForRebuild();
        EXPECT_EQ(screen->reminderStops, c.disarms ? 0 : 1);
        const auto requests = requestsFor("realBus").size();
        advance(live::kReminderRefreshSeconds);
        EXPECT_EQ(requestsFor("realBus").size(), requests + (c.disarms ? 0 : 1)) << "its own refreshes";
    }
    open();
    tap(*screen->reminderImageView);  // the sheet names the last choice
    EXPECT_NE(frontAlertText().find("（上次1站）"), npos);
}

// The switch owns the route until its vehicles are placed: a second switch,
// a refresh, a tick, a stop or a star in between change nothing.
TEST_F(LiveBusScreenTest, DirectionSwitchTakesNoOtherTapUntilItsVehiclesArePlaced) {
    open("站2");
    HeldService held(lineText({"东1", "站2", "东3", "东4"}), vehiclesText({{1, 1, "v"}}));
    tapAt(*screen->tabUIImageView.lock(), {30, 15}, false);
    ASSERT_TRUE(waitUntil([&] { return held.arrived().size() == 1; }));
    tap(*screen->tabUIImageView.lock());
    tap(*screen->refUIImageView.lock());
    advance(10);
    held.gate.release();
    ASSERT_TRUE(waitUntil([&] { return held.arrived().size() == 2; }));
    ASSERT_EQ(describe(Row).size(), 4u);
    tapAt(*views(Row).at(3), {20, 10});
    tap(*views(Row).at(1)->subviews().back());  // the waiting stop's star
    tap(*screen->tabUIImageView.lock());
    EXPECT_EQ(held.arrived().size(), 2u);
    held.gate.release();
    waitForRebuild();
    EXPECT_EQ(held.arrived().size(), 2u);
    EXPECT_EQ(screen->handedOver.direction, 1);
    EXPECT_EQ(heading().at(1), "开往 东4方向");
    EXPECT_EQ(describe(Row), (Texts{"-20@200", "40:130@2", "170@2", "230@2"}));
    EXPECT_EQ(describe(Marker), Texts{"v×1@5,-20,50,40"});
    EXPECT_TRUE(FavouriteStore{}.query(16, 12, 1).empty() && FavouriteStore{}.query(16, 12, 0).empty());
    held.gate.release();
    tapAt(*views(Row).at(3), {20, 10});  // the switch is over: taps count again
    waitForRebuild();
    EXPECT_EQ(describe(Row).at(3), "160:130@4");
}

// Every live screen hears "updateOrderNo"; only the one whose row posted it
// moves, though the preference is written all the same.
TEST_F(LiveBusScreenTest, AStopTapMovesOnlyTheScreenWhoseRowPostedIt) {
    open("站2");
    auto other = std::dynamic_pointer_cast<BusRealViewController>(storyboard.instantiateViewController("Live"));
    other->setValue(12, "lineId");
    other->setValue(0, "direction");
    other->setValue("站5", "currentStation");
    ASSERT_NE(other->view(), nullptr);
    settleRequests();
    const auto requests = requestsFor("realBus").size();
    tapAt(*views(Row).at(3), {20, 10});
    waitForRebuild();
    EXPECT_EQ(platform::UserDefaults::standard().objectForKey("orderNo"), json("4"));
    EXPECT_EQ(integerValue(screen->_orderNo), 4);
    EXPECT_EQ(integerValue(other->_orderNo), 5);
    EXPECT_EQ(requestsFor("realBus").size(), requests + 1);
}

// Stop numbers and directions at the edges of 64 bits: the screen places,
// taps and switches without overflowing (the sanitizer build checks).
TEST_F(LiveBusScreenTest, NumbersAtTheEdgesOf64BitsNeverOverflow) {
    constexpr long long kMax = std::numeric_limits<long long>::max(), kMin = std::numeric_limits<long long>::min();
    const struct {
        std::vector<long long> orderNos;
        const char* station;
        std::string vehicles;
    } cases[] = {
        {{kMin, 2, kMax}, "站1", vehiclesText({{kMax, kMin, "a"}, {kMin, kMax, "b"}})},
        {{1, kMax, 3}, "站2", vehiclesText({{kMin, 0, "c"}, {kMax - 1, 1, "d"}})},
        {{kMax, kMin}, "", vehiclesText({{kMin + 1, kMin, "e"}, {0, kMax, "f"}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.station);
        replyWith("queryLine", lineText(stopNames(static_cast<int>(c.orderNos.size())), 1201, c.orderNos));
        replyWith("realBus", c.vehicles);
        open(c.station);
        screen->armReminder(3);
        advance(10);
        advance(1);  // the arrival notice, if any, closes
        for (std::size_t i = 0; i < views(Marker).size(); ++i) {
            tap(*views(Marker)[i]->subviews().back());
            waitForRebuild();
        }
        EXPECT_FALSE(describe(Row).empty());
        for (const long long edge : {kMin, kMax}) {
            screen->handedOver.direction = edge;
            tap(*screen->tabUIImageView.lock());
            waitForRebuild();
        }
    }
}

}  // namespace
}  // namespace bus::test
