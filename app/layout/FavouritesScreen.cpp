// The favourites list: one table; each row holds two lines of text and the
// live text at its right. The add button sits in the navigation bar.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"

namespace bus::layout {

void addFavouritesScreen(ui::Storyboard& storyboard) {
    storyboard.screen(kFavouritesScreen, placeholder(),
                      {.title = "我的收藏",
                       .frames = {{"queryUITableView", kFullScreen}},
                       .metrics = {{"rowHeight", 50}}});
}

}  // namespace bus::layout
