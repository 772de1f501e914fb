// Controls and target/action: what the city button, the row buttons, the
// clear-history button, the transfer form's fields and the pager's page
// control depend on.
#include <gtest/gtest.h>

#include "platform/ui/Button.h"
#include "platform/ui/Image.h"
#include "platform/ui/PageControl.h"
#include "platform/ui/TextField.h"
#include "support/UiTestSupport.h"

namespace {

using namespace ui;

struct Controls : ::testing::Test {
    Window window;
    bus::test::Finger finger{window};
    std::vector<std::string> events;
    std::shared_ptr<Button> button = make<Button>(ButtonType::System, Rect{50, 100, 100, 40});
    // Puts the control on the window; the event writes down the name.
    template <class C>
    std::shared_ptr<C> watch(std::shared_ptr<C> c, std::uint32_t event, std::string name) {
        if (!c->window()) window.rootView().addSubview(c);
        c->addTarget(this, [this, name](Control&) { events.push_back(name); }, event);
        return c;
    }
};

// A system button (the clear-history button) fades its title while highlighted.
TEST_F(Controls, TouchUpInsideOnlyWhenReleasedInsideAndHighlightedWhileOver) {
    for (auto [event, name] : {std::pair{ControlEventTouchDown, "down"}, {ControlEventTouchUpInside, "inside"},
                               {ControlEventTouchUpOutside, "outside"}, {ControlEventTouchCancel, "cancel"}})
        watch(button, event, name);
    button->setTitle("清空历史记录");
    const auto titleAlpha = [&] {
        bus::test::RecordingCanvas canvas;
        window.draw(canvas);
        return canvas.find("text", "清空历史记录").at(0).alpha;
    };
    EXPECT_EQ(titleAlpha(), 1);
    finger.down({60, 110});
    EXPECT_TRUE(button->highlighted());
    EXPECT_LT(titleAlpha(), 0.5);
    finger.up({140, 130});
    EXPECT_FALSE(button->highlighted());
    EXPECT_EQ(titleAlpha(), 1);
    finger.down({60, 110});
    finger.move({60, 200});  // dragged off the button
    EXPECT_FALSE(button->highlighted());
    finger.up({60, 200});
    finger.down({60, 110});
    finger.move({60, 200});
    finger.move({70, 120});  // and back on
    EXPECT_TRUE(button->highlighted());
    finger.up({70, 120});
    finger.down({60, 110});
    window.touch(TouchPhase::Cancelled, {60, 110});
    EXPECT_FALSE(button->highlighted());
    EXPECT_EQ(events, (std::vector<std::string>{"down", "inside", "down", "outside", "down", "inside", "down",
                                                "cancel"}));
}

TEST_F(Controls, ActionGetsTheSenderWithItsTagAndCanBeRemoved) {
    int seenTag = -1;
    button->tag = 17;
    button->addTarget(&seenTag, [&](Control& sender) { seenTag = sender.tag; }, ControlEventTouchUpInside);
    watch(button, ControlEventTouchUpInside, "other");
    finger.tap({60, 110});
    EXPECT_EQ(seenTag, 17);
    button->removeTarget(&seenTag, ControlEventTouchUpInside);
    seenTag = -1;
    finger.tap({60, 110});
    EXPECT_EQ(seenTag, -1);
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(Controls, ActionMayTakeItsOwnButtonOffScreen) {
    // A rebuild in the action drops every row, the pressed button with it.
    int calls = 0;
    window.rootView().addSubview(button);
    button->addTarget(this, [&](Control& sender) { ++calls, sender.removeFromSuperview(); }, ControlEventTouchUpInside);
    std::weak_ptr<Button> weak = button;
    button.reset();
    finger.tap({60, 110});
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(weak.expired());
}

TEST(ButtonLayout, ImageLeftOfTitleWithItsInsetsAndAlignment) {
    ASSERT_TRUE(imageExists("城市下拉.png"));
    const Size img = imageSize("城市下拉.png");
    bus::test::RecordingCanvas measure;
    // The city button of the search, favourites and transfer screens.
    Button city(ButtonType::Custom, Rect{0, 0, 110, 40});
    city.setTitle("大同");
    city.setImage("城市下拉.png");
    city.imageEdgeInsets = {0, 10, 0, 0};
    city.setContentHorizontalAlignment(1);
    const double titleWidth = measure.textWidth("大同", city.titleFont);
    const auto left = city.layoutContent(measure);
    EXPECT_DOUBLE_EQ(left.image.x(), 10);
    EXPECT_DOUBLE_EQ(left.image.width(), img.width);
    EXPECT_DOUBLE_EQ(left.image.midY(), 20);
    EXPECT_DOUBLE_EQ(left.title.x(), img.width);  // the inset moves the image only
    EXPECT_DOUBLE_EQ(left.title.width(), titleWidth);
    city.imageEdgeInsets = {};
    city.contentHorizontalAlignment = ContentHorizontalAlignment::Center;
    const auto centred = city.layoutContent(measure);
    EXPECT_DOUBLE_EQ(centred.image.x(), (110 - img.width - titleWidth) / 2);
    EXPECT_DOUBLE_EQ(centred.title.maxX(), (110 + img.width + titleWidth) / 2);
    city.contentHorizontalAlignment = ContentHorizontalAlignment::Right;
    EXPECT_DOUBLE_EQ(city.layoutContent(measure).title.maxX(), 110);
}

TEST_F(Controls, FieldsReportTouchDownAndTheTouchedOneTakesTheKeyboard) {
    auto start = watch(make<TextField>(Rect{20, 100, 335, 30}), ControlEventTouchDown, "start");
    auto end = watch(make<TextField>(Rect{20, 150, 335, 30}), ControlEventTouchDown, "end");
    auto readOnly = watch(make<TextField>(Rect{20, 200, 335, 30}), ControlEventTouchDown, "read-only");
    readOnly->editable = false;
    finger.down({100, 115});
    EXPECT_EQ(events, (std::vector<std::string>{"start"}));  // on touch-down, before lifting
    finger.up({100, 115});
    EXPECT_TRUE(start->isEditing());
    window.insertText("火车站");
    window.insertText("东");
    window.deleteBackward();  // a whole character, not a byte of it
    EXPECT_EQ(start->text(), "火车站");
    finger.tap({100, 165});
    EXPECT_FALSE(start->isEditing());
    window.insertText("2路");
    EXPECT_EQ(end->text(), "2路");
    for (const char* left : {"2", "", ""}) {
        window.deleteBackward();
        EXPECT_EQ(end->text(), left);
    }
    finger.tap({100, 215});  // still reported, but no keyboard: nothing has it now
    EXPECT_EQ(events, (std::vector<std::string>{"start", "end", "read-only"}));
    EXPECT_FALSE(window.insertText("x") || end->isEditing());
    EXPECT_EQ(readOnly->text(), "");
    finger.tap({100, 165});
    end->removeFromSuperview();  // taken off the window: no more text
    EXPECT_FALSE(window.insertText("x"));
    auto asked = make<TextField>(Rect{20, 250, 335, 30});
    asked->becomeFirstResponder();  // asked off the window: honoured once it is on one
    window.rootView().addSubview(asked);
    EXPECT_TRUE(window.insertText("x") && asked->text() == "x");
}

// The introduction's indicator, set from the pager's offset.
TEST(PageControl, KeepsItsPageWithinTheCountAndDrawsADotForEachPage) {
    auto dots = make<PageControl>(Rect{0, 600, 375, 30});
    dots->setNumberOfPages(3);
    dots->setCurrentPage(7);
    EXPECT_EQ(dots->currentPage(), 2);
    dots->setNumberOfPages(2);
    EXPECT_EQ(dots->currentPage(), 1);
    bus::test::RecordingCanvas canvas;
    View::drawTree(*dots, canvas);
    EXPECT_EQ(canvas.find("ellipse").size(), 2u);
}

}  // namespace
