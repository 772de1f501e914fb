// The User agreement page.
#include "app/layout/MainStoryboard.h"
#include "app/layout/Pages.h"
#include "platform/Translation.h"
#include "screens/common/BusPageViewController.h"

namespace bus::layout {

void addUserAgreementPage(ui::Storyboard& storyboard) {
    storyboard.screen<BusPageViewController>(kUserAgreementPage, pageLayout(platform::tr("用户协议"), "agreement.txt"));
}

}  // namespace bus::layout
