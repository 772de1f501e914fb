// The live bus screen: the direction and the times and fare at the top with
// the switch and refresh controls beside them, the scrolling route below.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"

namespace bus::layout {

void addLiveBusScreen(ui::Storyboard& storyboard) {
    storyboard.screen(kLiveBusScreen, placeholder(),
                      {.title = "实时公交",
                       .frames = {{"lineTitle", {10, 4, 230, 24}},
                                  {"smbUILabel", {10, 28, 230, 20}},
                                  {"tabUIImageView", {250, 10, 60, 30}},
                                  {"refUIImageView", {330, 10, 30, 30}},
                                  {"realScrollView", {0, 52, kScreenWidth, kScreenHeight - 52}}}});
}

}  // namespace bus::layout
