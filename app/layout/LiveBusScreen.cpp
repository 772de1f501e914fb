// The live bus screen: the direction and the times and fare at the top with
// the switch and refresh controls beside them, the scrolling route below.
// The data's age and the arrival reminder's bell are the screen's own: it
// places them in the waiting stop's row.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"
#include "platform/Translation.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "screens/tracking/BusRealViewController.h"

namespace bus::layout {

namespace {

template <class T>
std::shared_ptr<T> addOutlet(ui::View& root, std::shared_ptr<T> view) {
    root.addSubview(view);
    return view;
}

void buildLiveBus(BusRealViewController& screen, ui::View& root, const ui::ScreenLayout& layout) {
    screen.lineTitle = addOutlet(root, ui::makeLabel(layout.frame("lineTitle"), "", ui::Font::boldSystem(16)));
    screen.smbUILabel = addOutlet(root, ui::makeLabel(layout.frame("smbUILabel"), "", ui::Font::system(13),
                                                      ui::Color::darkGray()));
    // The screen sets the switch's image for the direction it shows.
    screen.tabUIImageView = addOutlet(root, std::make_shared<ui::ImageView>(layout.frame("tabUIImageView"), "切换2.png"));
    screen.refUIImageView = addOutlet(root, std::make_shared<ui::ImageView>(layout.frame("refUIImageView"), "刷新.png"));
    screen.ageLabel = ui::makeLabel({}, "", ui::Font::system(12), ui::Color::darkGray());
    screen.reminderImageView = std::make_shared<ui::ImageView>(ui::Rect{}, "到站提醒.png");
    auto scroll = std::make_shared<ui::ScrollView>(layout.frame("realScrollView"));
    scroll->showsHorizontalScrollIndicator = false;
    screen.realScrollView = addOutlet(root, scroll);
}

}  // namespace

void addLiveBusScreen(ui::Storyboard& storyboard) {
    storyboard.screen<BusRealViewController>(kLiveBusScreen,
                                             {.title = platform::tr("实时公交"),
                                              .frames = {{"lineTitle", {10, 4, 230, 24}},
                                                         {"smbUILabel", {10, 28, 230, 20}},
                                                         {"tabUIImageView", {250, 10, 60, 30}},
                                                         {"refUIImageView", {330, 10, 30, 30}},
                                                         {"realScrollView", {0, 52, kScreenWidth, kScreenHeight - 52}}},
                                              .build = ui::outlets<BusRealViewController>(buildLiveBus)});
}

}  // namespace bus::layout
