// Text fields: the transfer form reacts to a touch on a field; typed text
// goes to the field that has the keyboard.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"

namespace {

using namespace ui;
using bus::test::Finger;

TEST(TextFields, TouchDownActionFiresAndTheFieldTakesTheKeyboard) {
    Window window;
    Finger finger{window};
    auto start = make<TextField>(Rect{20, 100, 335, 30});
    auto end = make<TextField>(Rect{20, 150, 335, 30});
    start->setBorderStyle(3);
    start->placeholder = "起点";
    window.rootView().addSubview(start);
    window.rootView().addSubview(end);
    std::vector<std::string> touched;
    start->addTarget(&touched, [&](Control&) { touched.push_back("start"); }, ControlEventTouchDown);
    end->addTarget(&touched, [&](Control&) { touched.push_back("end"); }, ControlEventTouchDown);

    finger.down({100, 115});
    EXPECT_EQ(touched, (std::vector<std::string>{"start"}));  // on touch-down, before lifting
    finger.up({100, 115});
    EXPECT_EQ(window.firstResponder(), start.get());
    EXPECT_TRUE(start->isEditing());

    window.insertText("火车站");
    window.insertText("东");
    window.deleteBackward();  // a whole character, not a byte of it
    EXPECT_EQ(start->text(), "火车站");

    finger.tap({100, 165});
    EXPECT_EQ(touched, (std::vector<std::string>{"start", "end"}));
    EXPECT_FALSE(start->isEditing());
    window.insertText("南站");
    EXPECT_EQ(end->text(), "南站");
    EXPECT_EQ(start->text(), "火车站");
}

TEST(TextFields, ReadOnlyFieldStillReportsTheTouchButTakesNoText) {
    Window window;
    Finger finger{window};
    auto field = make<TextField>(Rect{20, 100, 335, 30});
    field->editable = false;
    window.rootView().addSubview(field);
    int touches = 0;
    field->addTarget(&touches, [&](Control&) { ++touches; }, ControlEventTouchDown);
    finger.tap({100, 115});
    EXPECT_EQ(touches, 1);
    EXPECT_FALSE(window.insertText("x"));
    EXPECT_EQ(field->text(), "");
}

TEST(TextFields, EraseLastCharacterKeepsUtf8Whole) {
    std::string s = "2路";
    eraseLastCharacter(s);
    EXPECT_EQ(s, "2");
    eraseLastCharacter(s);
    EXPECT_EQ(s, "");
    eraseLastCharacter(s);
    EXPECT_EQ(s, "");
}

}  // namespace
