// The transfer form: the start and end fields one above the other and the
// query button under them. The screen connects them to its actions.
#include "app/layout/Builders.h"
#include "app/layout/MainStoryboard.h"
#include "platform/Translation.h"
#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "screens/personal/BusTransferViewController.h"

namespace bus::layout {

namespace {

std::shared_ptr<ui::TextField> addField(ui::View& root, const ui::Rect& frame, std::string placeholder) {
    auto field = std::make_shared<ui::TextField>(frame);
    field->placeholder = std::move(placeholder);
    field->borderStyle = ui::TextBorderStyle::RoundedRect;
    root.addSubview(field);
    return field;
}

}  // namespace

void addTransferScreen(ui::Storyboard& storyboard) {
    storyboard.screen<BusTransferViewController>(
        kTransferScreen,
        // TRANSLATORS: a screen's title beside the city button, in about 120 points at 17 points bold.
        {.title = platform::tr("换乘查询"),
         .frames = {{"startText", {20, 30, 335, 40}},
                    {"endText", {20, 86, 335, 40}},
                    {"queryUIButton", {20, 150, 335, 44}}},
         .build = ui::outlets<BusTransferViewController>(
             [](BusTransferViewController& screen, ui::View& root, const ui::ScreenLayout& layout) {
                 // TRANSLATORS: the transfer form's two stops, where the journey starts and ends.
                 screen.startText = addField(root, layout.frame("startText"), platform::tr("起点"));
                 screen.endText = addField(root, layout.frame("endText"), platform::tr("终点"));
                 auto query = std::make_shared<ui::Button>(ui::ButtonType::Custom, layout.frame("queryUIButton"));
                 query->setTitle(platform::tr("查询"));
                 query->setTitleColor(ui::Color::white());
                 query->titleFont = ui::Font::system(17);
                 query->backgroundColor = ui::Color::tint();
                 query->cornerRadius = 5;
                 root.addSubview(query);
                 screen.queryButton = query;
             })});
}

}  // namespace bus::layout
