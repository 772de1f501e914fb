// The search screen: its own table holds the history with the search field as
// its header; the search display brings a results table of its own.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"

namespace bus::layout {

void addSearchScreen(ui::Storyboard& storyboard) {
    storyboard.screen(kSearchScreen, placeholder(),
                      {.title = "线路查询",
                       .frames = {{"queryUITableView", kFullScreen}},
                       .metrics = {{"rowHeight", 50}}});
}

}  // namespace bus::layout
