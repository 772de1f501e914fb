// The city selection: one table of city names.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"

namespace bus::layout {

void addCityScreen(ui::Storyboard& storyboard) {
    storyboard.screen(kCityScreen, placeholder(),
                      {.title = "选择城市",
                       .frames = {{"queryUITableView", kFullScreen}},
                       .metrics = {{"rowHeight", 44}}});
}

}  // namespace bus::layout
