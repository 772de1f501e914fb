#include "screens/common/BusPlaceholderViewController.h"

#include "platform/ui/Label.h"

namespace bus {

void BusPlaceholderViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    const ui::Rect bounds = view()->bounds();
    auto label = std::make_shared<ui::Label>(ui::Rect{20, bounds.height() / 2 - 20, bounds.width() - 40, 40});
    label->setText(title());
    label->font = ui::Font::system(20);
    label->textColor = ui::Color::gray();
    label->textAlignment = ui::TextAlignment::Center;
    view()->addSubview(label);
}

}  // namespace bus
