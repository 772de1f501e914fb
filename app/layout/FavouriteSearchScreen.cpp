// The favourite search: a table; the screen heads it with the search field.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"
#include "platform/Translation.h"
#include "screens/personal/BusCollectionQueryViewController.h"

namespace bus::layout {

void addFavouriteSearchScreen(ui::Storyboard& storyboard) {
    storyboard.screen<BusCollectionQueryViewController>(
        kFavouriteSearchScreen,
        {.title = platform::tr("添加收藏"),
         .frames = {{"queryUITableView", kFullScreen}},
         .metrics = {{"rowHeight", 50}},
         .build = tableScreen<BusCollectionQueryViewController>()});
}

}  // namespace bus::layout
