#pragma once
// A window shaped like the live bus screen at its busiest: 45 stop rows in a
// scroll view (name, number, stop icon, connector, divider, favourite mark,
// a full-row button), a vehicle marker between most stops, the
// nearest-vehicles boxes under the waiting stop, in a navigation stack under
// a four-tab bar. About 600 views, built from the toolkit's own controls.
#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/Window.h"

namespace bench::qt {

struct LiveRouteScene {
    std::shared_ptr<ui::Window> window;
    // The button of the row at the waiting stop, for tap timing.
    std::shared_ptr<ui::Button> waitingRowButton;
    int taps = 0;
};

LiveRouteScene makeLiveRouteScene();

// Every view in the window's tree.
int countViews(const ui::View& root);

}  // namespace bench::qt
