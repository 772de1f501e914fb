// The city selection: one table of city names.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"
#include "platform/Translation.h"
#include "screens/personal/BusCityViewController.h"

namespace bus::layout {

void addCityScreen(ui::Storyboard& storyboard) {
    storyboard.screen<BusCityViewController>(
        kCityScreen,
        {.title = platform::tr("选择城市"),
         .frames = {{"cityList", kFullScreen}},
         .metrics = {{"rowHeight", 44}},
         .build = ui::outlets<BusCityViewController>(
             [](BusCityViewController& screen, ui::View& root, const ui::ScreenLayout& layout) {
                 auto table = addTable(root, layout, "cityList");
                 // No separators below the last city, like the app's other lists.
                 table->setTableFooterView(std::make_shared<ui::View>());
                 screen.cityList = table;
             })});
}

}  // namespace bus::layout
