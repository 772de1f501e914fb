// The line stations screen: the direction above the list, the switch image at
// its right, the stops below. Rows hold a 50-point number disc.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"

namespace bus::layout {

void addLineStationsScreen(ui::Storyboard& storyboard) {
    storyboard.screen(kLineStationsScreen, placeholder(),
                      {.title = "线路站点",
                       .frames = {{"lineTitle", {15, 8, 270, 30}},
                                  {"tabUIImageView", {300, 8, 60, 30}},
                                  {"queryUITableView", {0, 46, kScreenWidth, kScreenHeight - 46}}},
                       .metrics = {{"rowHeight", 50}}});
}

}  // namespace bus::layout
