// Control events and target/action: what the city button, the row buttons
// and the clear-history button depend on.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "platform/ui/Button.h"
#include "platform/ui/Image.h"
#include "platform/ui/Window.h"

namespace {

using namespace ui;
using bus::test::Finger;
using bus::test::RecordingCanvas;

struct Fixture : ::testing::Test {
    Window window;
    Finger finger{window};
    std::shared_ptr<Button> button = make<Button>(ButtonType::System, Rect{50, 100, 100, 40});
    std::vector<std::string> events;
    void SetUp() override {
        window.rootView().addSubview(button);
        button->addTarget(this, [this](Control&) { events.push_back("down"); }, ControlEventTouchDown);
        button->addTarget(this, [this](Control&) { events.push_back("inside"); }, ControlEventTouchUpInside);
        button->addTarget(this, [this](Control&) { events.push_back("outside"); }, ControlEventTouchUpOutside);
        button->addTarget(this, [this](Control&) { events.push_back("cancel"); }, ControlEventTouchCancel);
    }
};

using ControlEvents = Fixture;

TEST_F(ControlEvents, TouchUpInsideOnlyWhenReleasedInside) {
    finger.down({60, 110});
    EXPECT_TRUE(button->highlighted());
    finger.up({140, 130});
    EXPECT_FALSE(button->highlighted());

    finger.down({60, 110});
    finger.move({60, 200});  // dragged off the button
    EXPECT_FALSE(button->highlighted());
    finger.up({60, 200});

    finger.down({60, 110});
    finger.move({60, 200});
    finger.move({70, 120});  // and back on
    EXPECT_TRUE(button->highlighted());
    finger.up({70, 120});

    EXPECT_EQ(events, (std::vector<std::string>{"down", "inside", "down", "outside", "down", "inside"}));
}

TEST_F(ControlEvents, CancelledTouchSendsNoTouchUp) {
    finger.down({60, 110});
    window.touch(TouchPhase::Cancelled, {60, 110});
    EXPECT_EQ(events, (std::vector<std::string>{"down", "cancel"}));
    EXPECT_FALSE(button->highlighted());
}

TEST_F(ControlEvents, ActionGetsTheSenderWithItsTagAndCanBeRemoved) {
    int seenTag = -1;
    Control* seen = nullptr;
    int other = 0;
    button->tag = 17;
    button->addTarget(
        &seenTag,
        [&](Control& sender) {
            seen = &sender;
            seenTag = sender.tag;
        },
        ControlEventTouchUpInside);
    button->addTarget(&other, [&](Control&) { ++other; }, ControlEventTouchUpInside);
    finger.tap({60, 110});
    EXPECT_EQ(seen, button.get());
    EXPECT_EQ(seenTag, 17);

    button->removeTarget(&seenTag, ControlEventTouchUpInside);
    seenTag = -1;
    finger.tap({60, 110});
    EXPECT_EQ(seenTag, -1);
    EXPECT_EQ(other, 2);
}

TEST_F(ControlEvents, ActionMayTakeItsOwnButtonOffScreen) {
    // A rebuild in the action drops every row, the pressed button with it.
    int calls = 0;
    button->addTarget(
        this,
        [&](Control& sender) {
            ++calls;
            sender.removeFromSuperview();
        },
        ControlEventTouchUpInside);
    std::weak_ptr<Button> weak = button;
    button.reset();
    finger.tap({60, 110});
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(weak.expired());
}

TEST_F(ControlEvents, SystemButtonFadesItsTitleWhilePressed) {
    button->setTitle("清空历史记录");
    auto titleAlpha = [&] {
        RecordingCanvas canvas;
        window.draw(canvas);
        const auto t = canvas.find("text", "清空历史记录");
        return t.empty() ? -1.0 : t[0].alpha;
    };
    EXPECT_DOUBLE_EQ(titleAlpha(), 1.0);
    finger.down({60, 110});
    EXPECT_LT(titleAlpha(), 0.5);
    finger.up({60, 110});
    EXPECT_DOUBLE_EQ(titleAlpha(), 1.0);
}

TEST(ButtonLayout, ImageLeftOfTitleWithItsInsetsAndAlignment) {
    ASSERT_TRUE(imageExists("城市下拉.png"));
    const Size img = imageSize("城市下拉.png");
    RecordingCanvas measure;
    // The city button of the search, favourites and transfer screens.
    Button city(ButtonType::Custom, Rect{0, 0, 110, 40});
    city.setTitle("大同");
    city.titleFont = Font::system(17);
    city.setImage("城市下拉.png");
    city.imageEdgeInsets = {0, 10, 0, 0};
    city.setContentHorizontalAlignment(1);
    const auto left = city.layoutContent(measure);
    EXPECT_DOUBLE_EQ(left.image.x(), 10);
    EXPECT_DOUBLE_EQ(left.image.width(), img.width);
    EXPECT_DOUBLE_EQ(left.image.midY(), 20);
    EXPECT_DOUBLE_EQ(left.title.x(), img.width);  // the inset moves the image only
    EXPECT_DOUBLE_EQ(left.title.width(), measure.textWidth("大同", city.titleFont));

    city.imageEdgeInsets = {};
    city.contentHorizontalAlignment = ContentHorizontalAlignment::Center;
    const auto centred = city.layoutContent(measure);
    const double pair = img.width + measure.textWidth("大同", city.titleFont);
    EXPECT_DOUBLE_EQ(centred.image.x(), (110 - pair) / 2);
    EXPECT_DOUBLE_EQ(centred.title.maxX(), (110 + pair) / 2);

    city.contentHorizontalAlignment = ContentHorizontalAlignment::Right;
    EXPECT_DOUBLE_EQ(city.layoutContent(measure).title.maxX(), 110);
}

TEST(ButtonLayout, TitleAndImageFollowTheState) {
    Button b(ButtonType::Custom, Rect{0, 0, 60, 30});
    b.setTitle("收藏");
    b.setTitle("按下", ControlStateHighlighted);
    b.setTitleColor(Color::red());
    EXPECT_EQ(b.currentTitle(), "收藏");
    b.setHighlighted(true);
    EXPECT_EQ(b.currentTitle(), "按下");
    EXPECT_EQ(b.titleColorForState(b.state()), Color::red());  // falls back on the normal colour
    EXPECT_EQ(b.text(), "按下");
    EXPECT_EQ(Button(ButtonType::System).titleColorForState(ControlStateNormal), Color::tint());
}

}  // namespace
