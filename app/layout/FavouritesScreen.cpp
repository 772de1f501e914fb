// The favourites list: one table; each row holds two lines of text and the
// live text at its right. The city button takes the right of the bar, so the
// add button sits at its left.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"
#include "platform/Translation.h"
#include "screens/personal/BusCollectionViewController.h"

namespace bus::layout {

void addFavouritesScreen(ui::Storyboard& storyboard) {
    storyboard.screen<BusCollectionViewController>(
        kFavouritesScreen,
        // TRANSLATORS: a screen's title, bold 17 points between its bar's buttons: this one
        // and 换乘查询 have about 120 points beside the city button.
        {.title = platform::tr("我的收藏"),
         .frames = {{"queryUITableView", kFullScreen}},
         .metrics = {{"rowHeight", 50}},
         .build = ui::outlets<BusCollectionViewController>(
             [](BusCollectionViewController& screen, ui::View& root, const ui::ScreenLayout& layout) {
                 screen.queryUITableView = addTable(root, layout, "queryUITableView");
                 // The item lives in the screen's own navigation item: it
                 // holds the screen weakly.
                 auto add = [weak = screen.weak_from_this()](ui::BarButtonItem& item) {
                     if (auto alive = weak.lock()) static_cast<BusCollectionViewController&>(*alive).addUIButton(item);
                 };
                 // TRANSLATORS: the favourites' bar button that opens the favourite search.
                 screen.navigationItem().setLeftBarButtonItem(ui::BarButtonItem::withTitle(platform::tr("添加"), add));
             })});
}

}  // namespace bus::layout
