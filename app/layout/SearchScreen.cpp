// The search screen: its own table holds the history with the search field as
// its header; the search display brings a results table of its own.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"
#include "platform/Translation.h"
#include "screens/tracking/BusQueryViewController.h"

namespace bus::layout {

void addSearchScreen(ui::Storyboard& storyboard) {
    storyboard.screen<BusQueryViewController>(
        kSearchScreen,
        // TRANSLATORS: the title of the line search's screen.
        {.title = platform::tr("线路查询"),
         .frames = {{"queryUITableView", kFullScreen}},
         .metrics = {{"rowHeight", 50}},
         .build = tableScreen<BusQueryViewController>()});
}

}  // namespace bus::layout
