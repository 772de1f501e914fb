#include "screens/common/BusCityButton.h"

#include "city/CurrentCity.h"
#include "screens/common/Accessibility.h"

namespace bus {

std::shared_ptr<ui::Button> makeCityButton() {
    const auto name = city::currentName();
    auto button = ui::Button::withType(0);
    button->setFrame({0, 0, 110, 40});
    button->setTitle(name);
    button->titleFont = ui::Font::system(17);
    button->setImage("城市下拉.png");
    button->imageEdgeInsets = {0, 10, 0, 0};
    button->setContentHorizontalAlignment(1);
    a11y::nameCityButton(*button, name);
    return button;
}

void setCityButton(ui::ViewController& screen, const std::shared_ptr<ui::Button>& button) {
    screen.navigationItem().setRightBarButtonItems({ui::BarButtonItem::withCustomView(button)});
}

}  // namespace bus
