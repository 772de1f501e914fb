// The line stations screen: the direction above the list, the switch image at
// its right, the stops below. Rows hold a 50-point number disc. The left bar
// button is placed here; the screen gives it its action.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"
#include "platform/Translation.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "screens/tracking/BusStationViewController.h"

namespace bus::layout {

void addLineStationsScreen(ui::Storyboard& storyboard) {
    storyboard.screen<BusStationViewController>(
        kLineStationsScreen,
        // TRANSLATORS: the title of the screen of a line's stops.
        {.title = platform::tr("线路站点"),
         .frames = {{"lineTitle", {15, 8, 270, 30}},
                    {"tabUIImageView", {300, 8, 60, 30}},
                    {"queryUITableView", {0, 46, kScreenWidth, kScreenHeight - 46}}},
         .metrics = {{"rowHeight", 50}},
         .build = ui::outlets<BusStationViewController>(
             [](BusStationViewController& screen, ui::View& root, const ui::ScreenLayout& layout) {
                 auto title = std::make_shared<ui::Label>(layout.frame("lineTitle"));
                 root.addSubview(title);
                 screen.lineTitle = title;
                 auto image = std::make_shared<ui::ImageView>(layout.frame("tabUIImageView"), "切换2.png");
                 root.addSubview(image);
                 screen.tabUIImageView = image;
                 screen.queryUITableView = addTable(root, layout, "queryUITableView");
                 screen.navigationItem().setLeftBarButtonItem(
                     ui::BarButtonItem::withTitle(platform::trc("line stops", "返回"), {}));
             })});
}

}  // namespace bus::layout
