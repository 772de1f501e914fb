#include "app/layout/Pages.h"

#include "app/layout/Builders.h"
#include "screens/common/BusPageViewController.h"

namespace bus::layout {

ui::ScreenLayout pageLayout(std::string title, std::string pageFile) {
    return {.title = std::move(title),
            .frames = {{"textScrollView", kFullScreen}},
            .texts = {{BusPageViewController::kPageFileText, std::move(pageFile)}},
            .build = ui::outlets<BusPageViewController>(
                [](BusPageViewController& screen, ui::View& root, const ui::ScreenLayout& layout) {
                    auto scroll = std::make_shared<ui::ScrollView>(layout.frame("textScrollView", root.bounds()));
                    scroll->showsHorizontalScrollIndicator = false;
                    root.addSubview(scroll);
                    screen.textScrollView = scroll;
                })};
}

}  // namespace bus::layout
