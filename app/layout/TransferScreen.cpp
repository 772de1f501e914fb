// The transfer form: the start and end fields one above the other and the
// query button under them.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"

namespace bus::layout {

void addTransferScreen(ui::Storyboard& storyboard) {
    storyboard.screen(kTransferScreen, placeholder(),
                      {.title = "换乘查询",
                       .frames = {{"startText", {20, 30, 335, 40}},
                                  {"endText", {20, 86, 335, 40}},
                                  {"queryUIButton", {20, 150, 335, 44}}}});
}

}  // namespace bus::layout
