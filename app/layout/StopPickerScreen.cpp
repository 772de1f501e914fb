// The stop picker of the transfer form.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"

namespace bus::layout {

void addStopPickerScreen(ui::Storyboard& storyboard) {
    storyboard.screen(kStopPickerScreen, placeholder(),
                      {.title = "选择站点",
                       .frames = {{"queryUITableView", kFullScreen}},
                       .metrics = {{"rowHeight", 44}}});
}

}  // namespace bus::layout
