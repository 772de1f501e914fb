// The favourite search: a table headed by the search field.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"

namespace bus::layout {

void addFavouriteSearchScreen(ui::Storyboard& storyboard) {
    storyboard.screen(kFavouriteSearchScreen, placeholder(),
                      {.title = "添加收藏",
                       .frames = {{"queryUITableView", kFullScreen}},
                       .metrics = {{"rowHeight", 50}}});
}

}  // namespace bus::layout
