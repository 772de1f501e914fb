// Which texts are the app's own, whether they have their room, and the label
// that shrinks a long translation to keep its frame.
#include "platform/ui/TextFit.h"

#include <gtest/gtest.h>

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "support/UiTestSupport.h"

namespace {

using namespace ui;

const std::vector<std::string> kOwn = {"开往 {}方向", "{}方向", "还有{}站", "{} stops away", "Back",
                                       "Board at {0}, alight at {1}", "First/last: {}"};

TEST(TextFit, TheOwnPartOfATextLeavesOutTheNamesFilledInButKeepsItsNumbers) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"开往 古城墙方向", "开往 方向"},  // the longest written text that makes it
        {"西客运站方向", "方向"},
        {"还有12站", "还有12站"},
        {"3 stops away", "3 stops away"},
        {"Back", "Back"},
        {"Board at Quay, alight at Market", "Board at , alight at "},
        {"First/last: 05:20-25:45", "First/last: 05:20-25:45"},
        {"古城墙", std::nullopt},        // a stop's name
        {"Backstreet", std::nullopt},   // a written text must make all of it
        {"还有12站了", std::nullopt},    // more than the written text
    };
    for (const auto& [text, own] : cases) EXPECT_EQ(ownPart(text, kOwn), own) << text;
}

TEST(TextFit, TextsOfTheAppsOwnThatNeedMoreRoomThanTheirViewGivesAreFound) {
    Window window;
    EstimatingCanvas measure;  // an ASCII character is 0.55 of the size
    auto add = [&](std::shared_ptr<View> v) {
        window.rootView().addSubview(v);
        return v;
    };
    auto label = [&](Rect frame, std::string text, double size = 10) {
        return std::static_pointer_cast<Label>(add(makeLabel(frame, std::move(text), Font::system(size))));
    };
    label({0, 0, 70, 20}, "12 stops away");                         // 71.5 of 70: too wide
    label({0, 20, 80, 20}, "3 stops away");                         // 66 of 80
    label({0, 40, 30, 20}, "Harbour Station Terminal");             // a served name is cut as designed
    label({0, 60, 60, 20}, "开往 Harbour Station Terminal方向");  // the own part is 4 wide characters and a space
    auto shrinks = label({0, 80, 50, 20}, "12 stops away");
    shrinks->adjustsFontSizeToFitWidth = true;
    shrinks->minimumScaleFactor = 0.7;                             // 50.05 of 50 at 7 points: fits
    auto wraps = label({0, 100, 40, 24}, "Board at Quay, alight at Market");
    wraps->numberOfLines = 0;                                      // its own part needs 3 lines of 12
    label({0, 140, 10, 20}, "Back")->hidden = true;                 // not shown
    auto button = std::make_shared<Button>(ButtonType::Custom, Rect{0, 160, 40, 20});
    button->setTitle("Back");
    button->titleFont = Font::system(20);                           // 44 of 40
    add(button);

    std::vector<std::string> found;
    for (const auto& o : overflowingTexts(window, measure, kOwn)) found.push_back(o.view + " " + o.text);
    EXPECT_EQ(found, (std::vector<std::string>{"Label 12 stops away", "Label Board at Quay, alight at Market",
                                               "Button Back"}));
}

TEST(TextFit, ALabelThatMayShrinkIsDrawnSmallerDownToItsFloor) {
    bus::test::RecordingCanvas canvas;  // 8 points a byte
    Label label({0, 0, 80, 20});
    label.font = Font::system(16);
    label.setText("sixteen-letters!");  // 128 points at its size
    EXPECT_EQ(label.fittedFont(canvas).size, 16);  // may not shrink
    label.adjustsFontSizeToFitWidth = true;
    label.minimumScaleFactor = 0.5;
    EXPECT_DOUBLE_EQ(label.fittedFont(canvas).size, 10);
    label.setText("a text far too long for any label at all");
    EXPECT_DOUBLE_EQ(label.fittedFont(canvas).size, 8);
    label.setText("short");
    EXPECT_EQ(label.fittedFont(canvas).size, 16);
}

}  // namespace
