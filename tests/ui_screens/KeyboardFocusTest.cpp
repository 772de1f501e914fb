// The window for a rider who uses the keyboard and for assistive technology:
// the accessible tree (names, roles, what speaks for what), the focus order
// of Tab and the arrows, what Enter and Escape do, how the focus follows
// rebuilt views, alerts and screens, the focus ring, and the notices the
// window's observer hears.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/SearchDisplayController.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"
#include "ui_screens/ScreensTestSupport.h"

namespace bus::test {
namespace {

using Move = ui::Window::FocusMove;

// Thirty rows "行0".. of two labels each; a selected row pushes a page with
// one button "下一页按钮".
class Rows : public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    int numberOfRowsInSection(ui::TableView&, int) override { return 30; }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& t, const ui::IndexPath& ip) override {
        auto cell = t.dequeueReusableCellWithIdentifier("c");
        if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Subtitle, "c");
        cell->textLabel()->setText("行" + std::to_string(ip.row));
        cell->detailTextLabel()->setText("详情");
        return cell;
    }
    void didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& ip) override {
        selected.push_back(ip.row);
        if (!navigation) return;
        auto page = std::make_shared<ui::ViewController>();
        auto button = std::make_shared<ui::Button>(ui::ButtonType::System, ui::Rect{20, 20, 200, 40});
        button->setTitle("下一页按钮");
        button->addTarget(this, [](ui::Control&) {}, ui::ControlEventTouchUpInside);
        page->view()->addSubview(button);
        navigation->pushViewController(page, false);
    }
    std::vector<int> selected;
    ui::NavigationController* navigation = nullptr;
};

class Observer : public ui::AccessibilityObserver {
public:
    void accessibilityNotification(ui::View& v, ui::AccessibilityNotification what) override {
        heard.push_back({ui::accessibility::name(v), what});
    }
    std::vector<std::pair<std::string, ui::AccessibilityNotification>> heard;
};

// A page on a navigation stack: two buttons on one line, a label, a
// disabled and a hidden button, a tappable star, a table below.
class KeyboardFocusTest : public testing::Test {
protected:
    void SetUp() override {
        navigation = std::make_shared<ui::NavigationController>(page);
        window.setRootViewController(navigation);
        rows.navigation = navigation.get();
        right = button({200, 10, 100, 40}, "乙");
        left = button({10, 12, 100, 40}, "甲");
        auto note = std::make_shared<ui::Label>(ui::Rect{10, 60, 300, 20});
        note->setText("说明");
        page->view()->addSubview(note);
        button({10, 90, 100, 40}, "丙")->enabled = false;
        button({200, 90, 100, 40}, "丁")->hidden = true;
        star = std::make_shared<ui::ImageView>(ui::Rect{320, 90, 30, 30}, "");
        star->userInteractionEnabled = true;
        star->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>([this](auto&) { ++starTaps; }));
        star->setAccessibilityLabel("收藏此站");
        page->view()->addSubview(star);
        table = std::make_shared<ui::TableView>(ui::Rect{0, 140, 375, 300});
        table->setDataSource(&rows);
        table->setDelegate(&rows);
        page->view()->addSubview(table);
        platform::RunLoop::main().drain();
    }
    std::shared_ptr<ui::Button> button(ui::Rect frame, const std::string& title) {
        auto b = std::make_shared<ui::Button>(ui::ButtonType::System, frame);
        b->setTitle(title);
        b->addTarget(this, [this, title](ui::Control&) { pressed.push_back(title); }, ui::ControlEventTouchUpInside);
        page->view()->addSubview(b);
        return b;
    }
    std::string focused() {
        ui::View* v = window.focusedView();
        return v ? ui::accessibility::name(*v) : "(none)";
    }
    std::vector<std::string> walk(Move move, int times) {
        std::vector<std::string> names;
        for (int i = 0; i < times; ++i) {
            window.moveFocus(move);
            names.push_back(focused());
        }
        return names;
    }

    ui::Window window;
    std::shared_ptr<ui::ViewController> page = std::make_shared<ui::ViewController>();
    std::shared_ptr<ui::NavigationController> navigation;
    Rows rows;
    std::shared_ptr<ui::Button> left, right;
    std::shared_ptr<ui::ImageView> star;
    std::shared_ptr<ui::TableView> table;
    std::vector<std::string> pressed;
    int starTaps = 0;
};

TEST_F(KeyboardFocusTest, TheTreeNamesEachNodeAndARowSpeaksForItsLabels) {
    const struct {
        std::string name;
        ui::AccessibilityRole role;
        bool actionable;
    } cases[] = {
        {"甲", ui::AccessibilityRole::Button, true},     {"说明", ui::AccessibilityRole::Label, false},
        {"丙", ui::AccessibilityRole::Button, false},    {"收藏此站", ui::AccessibilityRole::Button, true},
        {"行0，详情", ui::AccessibilityRole::ListItem, true},
    };
    std::vector<ui::View*> all;
    std::function<void(ui::View&)> gather = [&](ui::View& node) {
        for (ui::View* child : ui::accessibility::children(node)) all.push_back(child), gather(*child);
    };
    gather(window.rootView());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto it = std::find_if(all.begin(), all.end(), [&](ui::View* v) { return ui::accessibility::name(*v) == c.name; });
        ASSERT_NE(it, all.end());
        EXPECT_EQ((*it)->accessibilityRole(), c.role);
        EXPECT_EQ(ui::accessibility::isActionable(**it), c.actionable);
        EXPECT_TRUE(ui::accessibility::children(**it).empty());  // the labels are in the row's name
    }
    EXPECT_EQ(std::count_if(all.begin(), all.end(), [](ui::View* v) { return v->text() == "丁" || v->text() == "详情"; }),
              0);
    // An alert in front is all there is.
    platform::AlertView::create("到站提醒", "几站时提醒", nullptr, "取消", {"1站"})->show();
    window.syncAlerts();
    const auto top = ui::accessibility::children(window.rootView());
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0]->accessibilityRole(), ui::AccessibilityRole::Alert);
    EXPECT_EQ(ui::accessibility::name(*top[0]), "到站提醒");
}

TEST_F(KeyboardFocusTest, TabVisitsWhatCanBeUsedInReadingOrderAndComesRound) {
    const auto forward = walk(Move::Next, 5);
    EXPECT_EQ(forward, (std::vector<std::string>{"甲", "乙", "收藏此站", "行0，详情", "行1，详情"}));
    window.focusView(left.get());
    EXPECT_EQ(walk(Move::Previous, 1), std::vector<std::string>{"行6，详情"});  // the last row that shows
    EXPECT_EQ(walk(Move::Next, 1), std::vector<std::string>{"甲"});
}

TEST_F(KeyboardFocusTest, TabReachesWhatAFingerCanAndGoesOnInReadingOrderFromWhatItSkips) {
    // A tall row with a tappable label over its middle, as the live route's
    // waiting stop has its data age: the finger still reaches the row.
    table->hidden = true;
    auto row = button({0, 450, 375, 130}, "戊");
    auto age = std::make_shared<ui::Label>(ui::Rect{100, 505, 175, 20});
    age->setText("刚刚更新");
    age->userInteractionEnabled = true;
    age->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>([](auto&) {}));
    page->view()->addSubview(age);
    // 乙 wholly under a view that takes touches and does nothing.
    auto cover = std::make_shared<ui::View>(right->frame());
    cover->userInteractionEnabled = true;
    page->view()->addSubview(cover);
    window.focusView(left.get());
    EXPECT_EQ(walk(Move::Previous, 3), (std::vector<std::string>{"刚刚更新", "戊", "收藏此站"}));
    // Where the focus was put on 乙, Tab goes on to the next it visits.
    window.focusView(right.get());
    EXPECT_EQ(walk(Move::Next, 1), std::vector<std::string>{"收藏此站"});
    window.focusView(right.get());
    EXPECT_EQ(walk(Move::Previous, 1), std::vector<std::string>{"甲"});
}

TEST_F(KeyboardFocusTest, ArrowsWalkAListPastWhatShowsAndStopAtItsEnds) {
    window.focusView(table->cellForRowAtIndexPath({0, 0}).get());
    EXPECT_FALSE(window.moveFocus(Move::Up));
    for (int i = 0; i < 29; ++i) ASSERT_TRUE(window.moveFocus(Move::Down)) << i;
    EXPECT_EQ(focused(), "行29，详情");
    EXPECT_GT(table->contentOffset().y, 0);
    EXPECT_FALSE(window.visibleFrameOf(*window.focusedView()).isEmpty());
    EXPECT_FALSE(window.moveFocus(Move::Down));
}

TEST_F(KeyboardFocusTest, EnterDoesWhatATapDoesAndFocusFollowsThePushedAndPoppedScreen) {
    window.focusView(left.get());
    EXPECT_TRUE(window.activateFocusedView());
    window.focusView(star.get());
    EXPECT_TRUE(window.activateFocusedView());
    EXPECT_EQ(pressed, std::vector<std::string>{"甲"});
    EXPECT_EQ(starTaps, 1);
    window.focusView(table->cellForRowAtIndexPath({0, 2}).get());
    EXPECT_TRUE(window.activateFocusedView());
    EXPECT_EQ(rows.selected, std::vector<int>{2});
    EXPECT_EQ(focused(), "下一页按钮");
    EXPECT_TRUE(window.escapeKey());  // back
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_EQ(focused(), "甲");
    EXPECT_FALSE(window.escapeKey());  // nowhere further back
}

TEST_F(KeyboardFocusTest, FocusFollowsARebuiltViewByItsIdentifierElseTheNearestOne) {
    const struct {
        const char* identifier;
        ui::Rect rebuiltAt;
        const char* expected;
    } cases[] = {
        {"stop.5", {10, 400, 100, 40}, "新乙"},  // far away, but the same stop
        {"", {200, 14, 100, 40}, "新乙"},        // no identifier: the one where it was
        {"", {200, 300, 100, 40}, "收藏此站"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        right->setAccessibilityIdentifier(c.identifier);
        window.focusView(right.get());
        right->removeFromSuperview();
        auto rebuilt = button(c.rebuiltAt, "新乙");
        rebuilt->setAccessibilityIdentifier(c.identifier);
        EXPECT_EQ(focused(), c.expected);
        rebuilt->removeFromSuperview();
        page->view()->addSubview(right);
    }
}

TEST_F(KeyboardFocusTest, AnAlertTakesTheFocusAndEscapeCancelsItAndGivesItBack) {
    struct Answer : platform::AlertViewDelegate {
        void alertViewClickedButtonAtIndex(platform::AlertView&, int i) override { index = i; }
        int index = -1;
    } answer;
    window.focusView(right.get());
    platform::AlertView::create("到站提醒", "", &answer, "取消", {"1站", "2站"})->show();
    EXPECT_EQ(focused(), "取消");
    EXPECT_EQ(walk(Move::Next, 3), (std::vector<std::string>{"1站", "2站", "取消"}));  // round within it
    EXPECT_TRUE(window.escapeKey());
    EXPECT_EQ(answer.index, 0);
    EXPECT_EQ(focused(), "乙");
    // A notice without buttons holds the focus nowhere until it goes.
    auto notice = platform::AlertView::create("收藏成功", "");
    notice->show();
    EXPECT_EQ(focused(), "(none)");
    EXPECT_FALSE(window.escapeKey());
    notice->dismissWithClickedButtonIndex(0, false);
    EXPECT_EQ(focused(), "乙");
}

TEST_F(KeyboardFocusTest, EscapeCancelsASearchUnderWay) {
    auto bar = std::make_shared<ui::SearchBar>(ui::Rect{0, 0, 375, 44});
    bar->placeholder = "输入线路或者站点";
    table->setTableHeaderView(bar);
    ui::SearchDisplayController display(bar, page->view());
    display.setSearchResultsDataSource(&rows);
    display.setSearchResultsDelegate(&rows);
    window.focusView(bar.get());
    EXPECT_TRUE(window.insertText("1"));
    EXPECT_TRUE(display.isShowingResults());
    window.moveFocus(Move::Next);  // into the results
    EXPECT_EQ(focused(), "取消");
    window.moveFocus(Move::Next);
    EXPECT_EQ(focused(), "行0，详情");
    EXPECT_TRUE(window.escapeKey());
    EXPECT_FALSE(display.isActive());
    EXPECT_EQ(bar->text(), "");
}

TEST_F(KeyboardFocusTest, TheRingShowsOnlyWhileTheKeyboardIsInUse) {
    const auto rings = [&] {
        RecordingCanvas canvas;
        window.draw(canvas);
        std::vector<ui::Rect> found;
        for (const auto& op : canvas.find("strokeRect"))
            if (op.color == ui::Window::focusRingColor()) found.push_back(op.rect);
        return found;
    };
    EXPECT_TRUE(rings().empty());
    window.moveFocus(Move::Next);
    EXPECT_EQ(rings(), std::vector<ui::Rect>{left->frameInWindow()});
    Finger{window}.tap({5, 600});
    EXPECT_TRUE(rings().empty());
}

TEST_F(KeyboardFocusTest, TheObserverHearsChangesOnlyWhileSet) {
    auto label = std::make_shared<ui::Label>(ui::Rect{10, 60, 300, 20});
    page->view()->addSubview(label);
    Observer observer;
    EXPECT_FALSE(ui::accessibility::listening());
    window.setAccessibilityObserver(&observer);
    EXPECT_TRUE(ui::accessibility::listening());
    label->setText("刚刚更新");
    label->setText("刚刚更新");  // unchanged: nothing to tell
    window.moveFocus(Move::Next);
    platform::AlertView::create("收藏成功", "")->show();
    window.syncAlerts();
    using N = ui::AccessibilityNotification;
    const std::vector<std::pair<std::string, N>> expected{
        {"刚刚更新", N::NameChanged}, {"甲", N::FocusChanged}, {"", N::LayoutChanged}, {"收藏成功", N::Announcement}};
    EXPECT_EQ(observer.heard, expected);
    window.setAccessibilityObserver(nullptr);
    EXPECT_FALSE(ui::accessibility::listening());
    label->setText("5秒前更新");
    EXPECT_EQ(observer.heard.size(), expected.size());
}

}  // namespace
}  // namespace bus::test
