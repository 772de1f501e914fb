// The About page.
#include "app/layout/MainStoryboard.h"
#include "app/layout/Pages.h"
#include "platform/Translation.h"
#include "screens/common/BusPageViewController.h"

namespace bus::layout {

void addAboutPage(ui::Storyboard& storyboard) {
    storyboard.screen<BusPageViewController>(kAboutPage, pageLayout(platform::tr("关于我们"), "about.txt"));
}

}  // namespace bus::layout
