#pragma once
// The city button that the search screen, the favourites list and the
// transfer screen put in their navigation bar each time they appear: the
// current "cityName" beside "城市下拉.png". It is the only right bar item, so
// a screen's other bar button goes on the left.
#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/ViewController.h"

namespace bus {

// Posted by the city list once a new city is stored, before the tabs go back
// to their roots: screens that keep names of the old city drop them.
inline constexpr char kCityDidChange[] = "cityDidChange";

// A new button titled with the preference "cityName" as it is now.
std::shared_ptr<ui::Button> makeCityButton();

// Wraps the button in a bar item and makes that item the screen's only right
// bar button item.
void setCityButton(ui::ViewController& screen, const std::shared_ptr<ui::Button>& button);

// Builds a city button whose touch-up-inside calls `action` on the screen,
// and shows it. The button holds the screen weakly: the bar may keep showing
// it for a moment after the screen is gone.
template <class T>
std::shared_ptr<ui::Button> showCityButton(T& screen, void (T::*action)(ui::Control&)) {
    auto button = makeCityButton();
    button->addTarget(
        &screen,
        [weak = screen.weak_from_this(), action](ui::Control& sender) {
            if (auto alive = weak.lock()) (static_cast<T&>(*alive).*action)(sender);
        },
        ui::ControlEventTouchUpInside);
    setCityButton(screen, button);
    return button;
}

}  // namespace bus
