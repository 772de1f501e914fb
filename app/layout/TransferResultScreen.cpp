// The transfer result: the two stops on top, the plans below, and a message
// and the busy indicator in the middle of the table's area.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"
#include "platform/Translation.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Label.h"
#include "screens/personal/BusTransferResultViewController.h"

namespace bus::layout {

void addTransferResultScreen(ui::Storyboard& storyboard) {
    storyboard.screen<BusTransferResultViewController>(
        kTransferResultScreen,
        {.title = platform::tr("换乘方案"),
         .frames = {{"routeLabel", {15, 8, 345, 30}},
                    {"queryUITableView", {0, 46, kScreenWidth, kScreenHeight - 46}},
                    {"messageLabel", {20, 120, 335, 60}},
                    {"indicator", {0, 0, kScreenWidth, 300}}},
         .metrics = {{"rowHeight", 60}},
         .build = ui::outlets<BusTransferResultViewController>(
             [](BusTransferResultViewController& screen, ui::View& root, const ui::ScreenLayout& layout) {
                 auto route = ui::makeLabel(layout.frame("routeLabel"), "", ui::Font::boldSystem(17));
                 root.addSubview(route);
                 screen.routeLabel = route;
                 screen.queryUITableView = addTable(root, layout, "queryUITableView");
                 auto message = ui::makeLabel(layout.frame("messageLabel"), "", ui::Font::system(16),
                                              ui::Color::darkGray(), ui::TextAlignment::Center);
                 message->hidden = true;
                 root.addSubview(message);
                 screen.messageLabel = message;
                 // Centred in the given area at the size of its style.
                 auto busy = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::Gray);
                 const ui::Rect area = layout.frame("indicator");
                 busy->setCenter({area.midX(), area.midY()});
                 root.addSubview(busy);
                 screen.indicator = busy;
             })});
}

}  // namespace bus::layout
