// The More menu: one table over the whole screen.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"
#include "platform/Translation.h"
#include "screens/personal/BusMoreViewController.h"

namespace bus::layout {

void addMoreScreen(ui::Storyboard& storyboard) {
    storyboard.screen<BusMoreViewController>(
        kMoreScreen,
        {.title = platform::tr("更多"),
         .frames = {{"queryUITableView", kFullScreen}},
         .metrics = {{"rowHeight", 44}},
         .build = tableScreen<BusMoreViewController>()});
}

}  // namespace bus::layout
