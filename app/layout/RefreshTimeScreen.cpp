// The refresh interval screen: one table over the whole screen. The check
// mark's place in a row is the screen's own, measured from the table's width.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"
#include "platform/Translation.h"
#include "screens/personal/BusRefreshTimeViewController.h"

namespace bus::layout {

void addRefreshTimeScreen(ui::Storyboard& storyboard) {
    storyboard.screen<BusRefreshTimeViewController>(
        kRefreshTimeScreen,
        {.title = platform::tr("刷新时间"),
         .frames = {{"queryUITableView", kFullScreen}},
         .metrics = {{"rowHeight", 44}},
         .build = tableScreen<BusRefreshTimeViewController>()});
}

}  // namespace bus::layout
