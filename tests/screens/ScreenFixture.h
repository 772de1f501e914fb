#pragma once
// A screen from a storyboard of the test's own, at the root of a navigation
// stack on a headless window, with taps that go through the window as a
// finger's would.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "city/CityService.h"
#include "platform/RunLoop.h"
#include "platform/Thread.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"

namespace bus::test {

class ScreenFixture : public testing::Test {
protected:
    // Each test's first failed request tells the rider, whatever an earlier
    // test left failing.
    void SetUp() override {
        city::forgetOutages();
        city::forgetServicesWithoutAlerts();  // a port may come round again
    }
    void TearDown() override {
        window->setRootViewController(nullptr);
        settle();
    }

    // A layout whose build makes a table at `frame` (row height 44) and hands
    // it to the screen's `queryUITableView`.
    template <class T>
    static ui::ScreenLayout tableLayout(ui::Rect frame = {0, 0, 375, 554}) {
        return {.title = "screen",
                .build = ui::outlets<T>([frame](T& screen, ui::View& root, const ui::ScreenLayout&) {
                    auto table = std::make_shared<ui::TableView>(frame);
                    root.addSubview(table);
                    screen.queryUITableView = table;
                })};
    }

    // Puts the named screen of `storyboard` at the root of a navigation stack
    // on the window and lets the run loop settle.
    std::shared_ptr<ui::ViewController> show(const std::string& name);
    // Presses and releases at the middle of the row, on the window.
    void tapRow(ui::TableView& table, int row);
    void settle() { platform::RunLoop::main().drain(); }
    // Lets the requests under way (those started since `mark`) come back
    // and be shown, as the scripted driver does after a tap; fails the test
    // when they take over 10 s.
    void settleRequests(platform::WorkerMark mark = 0) {
        EXPECT_TRUE(platform::RunLoop::main().runUntil([mark] { return !platform::workersRunningSince(mark); }));
        settle();
    }

    ui::Storyboard storyboard;
    std::shared_ptr<ui::Window> window = std::make_shared<ui::Window>();
    std::shared_ptr<ui::NavigationController> navigation;
};

// The texts of the rows on screen, in row order.
std::vector<std::string> rowTexts(ui::TableView& table);
// The check marks ("选中.png" image views) in a cell, anywhere below it.
std::vector<const ui::View*> checkMarks(const ui::View& cell);
// The rows whose cells carry at least one check mark.
std::vector<int> rowsWithCheckMark(ui::TableView& table);

}  // namespace bus::test
