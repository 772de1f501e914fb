// What the app starts with: four tabs, each the root of a navigation stack,
// because the screens that the first three open go back with pop-to-root.
#include "app/layout/MainStoryboard.h"
#include "platform/Translation.h"

namespace bus::layout {

void addInitialArrangement(ui::Storyboard& storyboard) {
    // The app's blue bars with white titles and buttons: the city button's
    // title is white, as a custom button's title is by default.
    storyboard.navigationBarAppearance({.background = ui::Color::rgba(0.16, 0.49, 0.89),
                                        .title = ui::Color::white(),
                                        .tint = ui::Color::white()});
    storyboard.initialTabs({
        // TRANSLATORS: the four tabs' titles, under their icons in about 90 points at 10 points.
        {kSearchScreen, platform::tr("查询"), "tab_search.png", "tab_search_selected.png"},
        {kFavouritesScreen, platform::tr("收藏"), "tab_favorite.png", "tab_favorite_selected.png"},
        {kTransferScreen, platform::tr("换乘"), "tab_transfer.png", "tab_transfer_selected.png"},
        {kMoreScreen, platform::tr("更多"), "tab_more.png", "tab_more_selected.png"},
    });
}

}  // namespace bus::layout
