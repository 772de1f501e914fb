// The stop picker of the transfer form: one table whose header is the
// search field (the screen makes the field).
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"
#include "platform/Translation.h"
#include "screens/personal/BusTransferQueryViewController.h"

namespace bus::layout {

void addStopPickerScreen(ui::Storyboard& storyboard) {
    storyboard.screen<BusTransferQueryViewController>(
        kStopPickerScreen,
        {.title = platform::tr("选择站点"),
         .frames = {{"queryUITableView", kFullScreen}},
         .metrics = {{"rowHeight", 44}},
         .build = tableScreen<BusTransferQueryViewController>()});
}

}  // namespace bus::layout
