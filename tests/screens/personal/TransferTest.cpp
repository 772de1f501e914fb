// The transfer form, its stop picker and the plans, driven through the
// toolkit against a recorded city service: what the form shows and hands
// on, a stop picked into its field, and plans worked out on a worker thread.
#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "model/MySingleton.h"
#include "model/Value.h"
#include "platform/Thread.h"
#include "platform/UserDefaults.h"
#include "platform/ui/Button.h"
#include "screens/personal/BusTransferQueryViewController.h"
#include "screens/personal/BusTransferResultViewController.h"
#include "screens/personal/BusTransferViewController.h"
#include "screens/tracking/TrackingFixture.h"

namespace bus::test {
namespace {

using nlohmann::json;
using Texts = std::vector<std::string>;
using Result = BusTransferResultViewController;

json stopHit(const std::string& name, int lineId, int direction) {
    return {{"stationName", name}, {"attribute", 1}, {"lineId", lineId}, {"lineName", std::to_string(lineId) + "路"},
            {"direction", direction}};
}

void setShared(const json& start, const json& end) {
    MySingleton::sharedSingleton().startStation = start;
    MySingleton::sharedSingleton().endStation = end;
}

class TransferTest : public TrackingFixture {
protected:
    void SetUp() override {
        TrackingFixture::SetUp();
        setShared(nullptr, nullptr);
        storyboard.screen<BusTransferViewController>(
            "Form", {.build = ui::outlets<BusTransferViewController>([](auto& screen, ui::View& root, const auto&) {
                         auto start = std::make_shared<ui::TextField>(ui::Rect{20, 30, 335, 40});
                         auto end = std::make_shared<ui::TextField>(ui::Rect{20, 86, 335, 40});
                         auto query = std::make_shared<ui::Button>(ui::ButtonType::Custom, ui::Rect{20, 150, 335, 44});
                         for (const ui::ViewPtr& view : {ui::ViewPtr(start), ui::ViewPtr(end), ui::ViewPtr(query)})
                             root.addSubview(view);
                         screen.startText = start;
                         screen.endText = end;
                         screen.queryButton = query;
                     })});
        storyboard.screen<BusTransferQueryViewController>("Picker", tableLayout<BusTransferQueryViewController>());
        storyboard.screen<Result>("Result", resultLayout());
        storyboard.screen<ui::ViewController>("City");
        storyboard.transition("Form", "busTransferQuery", "Picker")
            .transition("Form", "busTransferResult", "Result")
            .transition("Form", "busCity", "City");
    }
    void TearDown() override {
        TrackingFixture::TearDown();
        setShared(nullptr, nullptr);
    }
    static ui::ScreenLayout resultLayout() {
        auto layout = tableLayout<Result>({0, 46, 375, 508});
        layout.build = [table = layout.build](ui::ViewController& screen, ui::View& root, const ui::ScreenLayout& l) {
            table(screen, root, l);
            auto& result = dynamic_cast<Result&>(screen);
            auto message = std::make_shared<ui::Label>(ui::Rect{20, 120, 335, 60});
            auto busy = std::make_shared<ui::ActivityIndicatorView>();
            root.addSubview(message);
            root.addSubview(busy);
            result.messageLabel = message;
            result.indicator = busy;
        };
        return layout;
    }
    void open() { form = std::dynamic_pointer_cast<BusTransferViewController>(show("Form")); }
    // Takes the form off screen and back, as a return from another screen.
    void reappear() {
        navigation->pushViewController(std::make_shared<ui::ViewController>(), false);
        navigation->popViewControllerAnimated(false);
        settle();
    }
    template <class T>
    std::shared_ptr<T> top() const {
        return std::dynamic_pointer_cast<T>(navigation->topViewController());
    }
    // The result screen on top once its worker is done: its rows as
    // "text | detail", or its message.
    Texts shownPlans() {
        auto result = top<Result>();
        if (!result) return {"no result screen"};
        EXPECT_TRUE(waitUntil([&] { return !result->indicator.lock()->isAnimating(); }));
        if (auto message = result->messageLabel.lock(); !message->hidden) return {message->text()};
        Texts rows;
        auto table = result->queryUITableView.lock();
        for (int r = 0; r < table->numberOfRowsInSection(0); ++r) {
            auto cell = table->cellForRowAtIndexPath(ui::IndexPath::forRow(r));
            rows.push_back(cell->textLabel()->text() + " | " + cell->detailTextLabel()->text());
        }
        return rows;
    }

    std::shared_ptr<BusTransferViewController> form;
};

// A shared name replaces its field's text only when it has text; the city
// button follows "cityName" at each appearance.
TEST_F(TransferTest, AppearingShowsTheSharedNamesThatHaveTextAndTheCity) {
    const struct {
        json start, end;
        Texts fields;
        const char* city;
    } cases[] = {{nullptr, nullptr, {"旧起", "旧终"}, "大同"},
                 {"甲", "", {"甲", "旧终"}, "太原"},
                 {"", "乙", {"旧起", "乙"}, "朔州"},
                 {"甲", "乙", {"甲", "乙"}, "大同"}};
    open();
    for (const auto& c : cases) {
        form->startText.lock()->setText("旧起");
        form->endText.lock()->setText("旧终");
        setShared(c.start, c.end);
        platform::UserDefaults::standard().setObject(c.city, "cityName");
        reappear();
        EXPECT_EQ((Texts{form->startText.lock()->text(), form->endText.lock()->text()}), c.fields) << c.start.dump();
        EXPECT_EQ(form->navigationItem().rightBarButtonItems().at(0)->customView()->text(), c.city);
    }
}

// Each field opens the picker on the touch-down itself, telling it which
// field it serves, and never takes the keyboard; the query button hands on
// the field texts even when empty, and the result screen then asks nothing.
TEST_F(TransferTest, TouchesOpenTheirScreensWithWhatTheyHandOn) {
    const auto field = [this](bool start) { return (start ? form->startText : form->endText).lock(); };
    const struct {
        std::function<ui::View&()> touched;
        bool lift;
        std::string shown;
    } cases[] = {
        {[&]() -> ui::View& { return *field(true); }, false, "Picker 0"},
        {[&]() -> ui::View& { return *field(false); }, false, "Picker 1"},
        {[&]() -> ui::View& { return *form->queryButton.lock(); }, true, "Result \"\" \"\" " + std::string(Result::kNoNames)},
        {[&]() -> ui::View& { return *form->navigationItem().rightBarButtonItems().at(0)->customView(); }, true, "City"},
    };
    for (const auto& c : cases) {
        open();
        int editing = 0;
        for (bool start : {true, false})
            field(start)->addTarget(this, [&editing](ui::Control&) { ++editing; }, ui::ControlEventEditingDidBegin);
        const ui::View& touched = c.touched();
        window->touch(ui::TouchPhase::Began, touched.convertToWindow({10, 10}));
        if (c.lift) window->touch(ui::TouchPhase::Ended, touched.convertToWindow({10, 10}));
        settle();
        std::string shown = navigation->topViewController()->storyboardIdentifier();
        if (auto picker = top<BusTransferQueryViewController>()) shown += " " + textValue(picker->_tag);
        if (auto result = top<Result>())
            shown += " " + result->startStation.dump() + " " + result->endStation.dump() + " " + shownPlans().at(0);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(editing, 0);
        closeScreens();
    }
    EXPECT_TRUE(service.bodies().empty());
}

// The picker lists each stop name of the hits once and no line; the chosen
// one goes into the field that opened the picker, and back on the form it
// shows there. An emptied search field empties the list without asking.
TEST_F(TransferTest, APickedStopFillsTheFieldThatOpenedThePicker) {
    replyWith("queryKeyword", json::array({{{"stationName", "站1→站5"}, {"attribute", 0}, {"lineId", 12}},
                                           stopHit("站2", 12, 0), stopHit("站2", 12, 1), stopHit("站3", 30, 0)})
                                  .dump());
    open();
    for (bool start : {true, false}) {
        tap(*(start ? form->startText : form->endText).lock());
        auto picker = top<BusTransferQueryViewController>();
        ASSERT_TRUE(picker);
        ASSERT_TRUE(window->insertText("站"));  // the search field has the keyboard at once
        settle();
        auto table = picker->queryUITableView.lock();
        EXPECT_EQ(rowTexts(*table), (Texts{"站2", "站3"}));
        tapRow(*table, start ? 1 : 0);
        EXPECT_EQ(top<BusTransferViewController>(), form);
    }
    EXPECT_EQ((Texts{form->startText.lock()->text(), form->endText.lock()->text()}), (Texts{"站3", "站2"}));
    EXPECT_EQ(MySingleton::sharedSingleton().startStation, "站3");
    ASSERT_EQ(requestsFor("queryKeyword").size(), 2u);
    EXPECT_NE(requestsFor("queryKeyword")[0].find("<keyword>站</keyword>"), std::string::npos);

    tap(*form->startText.lock());
    window->insertText("站");
    window->deleteBackward();
    settle();
    EXPECT_EQ(top<BusTransferQueryViewController>()->queryUITableView.lock()->numberOfRowsInSection(0), 0);
    EXPECT_EQ(requestsFor("queryKeyword").size(), 3u);
}

// Plans from the recorded service for the names the form hands on: stops in
// travel order on one line go direct, the other way round finds none;
// missing or equal names give their message and ask nothing.
TEST_F(TransferTest, TheResultShowsPlansOrWhyThereAreNone) {
    replyWith("queryKeyword", json::array({stopHit("站2", 12, 0), stopHit("站4", 12, 0)}).dump());
    replyWith("queryLine", lineText(5));
    const struct {
        const char *start, *end;
        Texts shown;
        std::size_t requests;
    } cases[] = {{"站2", "站4", {"12路 | 无需换乘 · 乘车2站"}, 3},
                 {"站4", "站2", {Result::kNoPlan}, 3},
                 {"", "站4", {Result::kNoNames}, 0},
                 {"站2", "站2", {Result::kSameNames}, 0}};
    std::size_t before = 0;
    for (const auto& c : cases) {
        open();
        form->startText.lock()->setText(c.start);
        form->endText.lock()->setText(c.end);
        tap(*form->queryButton.lock());
        EXPECT_EQ(shownPlans(), c.shown) << c.start << "→" << c.end;
        EXPECT_EQ(service.bodies().size() - before, c.requests);
        before = service.bodies().size();
        closeScreens();
    }
}

// The busy indicator turns while a worker works the plans out; its result
// reaches the screen if it is still there, and nothing if it has gone.
TEST_F(TransferTest, PlansAreWorkedOutOffTheMainThreadWhileTheIndicatorTurns) {
    for (bool leaveFirst : {false, true}) {
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        std::atomic<bool> onMain{true};
        storyboard.screen("Result", [&] {
            auto screen = std::make_shared<Result>();
            screen->source.queryKeyword = [&, released](const std::string&) {
                onMain = platform::isMainThread();
                released.wait();
                return std::vector<BusQuery>{};
            };
            return screen;
        }, resultLayout());
        setShared("甲", "乙");
        open();
        tap(*form->queryButton.lock());
        std::weak_ptr<Result> result = top<Result>();
        ASSERT_TRUE(result.lock());
        EXPECT_TRUE(result.lock()->indicator.lock()->isAnimating());
        if (leaveFirst) {
            closeScreens();
            form.reset();
            navigation.reset();
            settle();
        }
        release.set_value();
        ASSERT_TRUE(waitUntil([] { return platform::waitForWorkerThreads(0); }));
        settle();
        EXPECT_FALSE(onMain);
        EXPECT_EQ(result.expired(), leaveFirst);
        if (!leaveFirst) {
            EXPECT_EQ(shownPlans(), Texts{Result::kNoPlan});
        }
        closeScreens();
    }
}

}  // namespace
}  // namespace bus::test
