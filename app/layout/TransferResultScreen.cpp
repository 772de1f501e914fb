// The transfer result.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"

namespace bus::layout {

void addTransferResultScreen(ui::Storyboard& storyboard) {
    storyboard.screen(kTransferResultScreen, placeholder(),
                      {.title = "换乘方案",
                       .frames = {{"queryUITableView", kFullScreen}},
                       .metrics = {{"rowHeight", 60}}});
}

}  // namespace bus::layout
