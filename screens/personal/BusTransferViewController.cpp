#include "screens/personal/BusTransferViewController.h"

#include "model/MySingleton.h"
#include "model/Value.h"
#include "screens/common/BusCityButton.h"

namespace bus {

namespace {

// A shared name with text replaces the field's; an empty one leaves it.
void fill(const std::weak_ptr<ui::TextField>& field, const json& name) {
    const std::string text = textValue(name);
    if (auto f = field.lock(); f && !text.empty()) f->setText(text);
}

std::string textOf(const std::weak_ptr<ui::TextField>& field) {
    const auto f = field.lock();
    return f ? f->text() : std::string();
}

}  // namespace

void BusTransferViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    using Action = void (BusTransferViewController::*)(ui::Control&);
    // The views may outlast the screen for a moment: they hold it weakly.
    const auto connect = [this](const std::shared_ptr<ui::Control>& control, Action action, std::uint32_t events) {
        if (!control) return;
        control->addTarget(
            this,
            [weak = weak_from_this(), action](ui::Control& sender) {
                if (auto alive = weak.lock()) (static_cast<BusTransferViewController&>(*alive).*action)(sender);
            },
            events);
    };
    for (const auto& field : {startText.lock(), endText.lock()})
        if (field) field->editable = false;
    connect(startText.lock(), &BusTransferViewController::textFieldTouchDown, ui::ControlEventTouchDown);
    connect(endText.lock(), &BusTransferViewController::endTextFieldTouchDown, ui::ControlEventTouchDown);
    connect(queryButton.lock(), &BusTransferViewController::queryUIButton, ui::ControlEventTouchUpInside);
    // Stop names of the old city cannot be planned in the new one.
    cityObservation_ = platform::NotificationCenter::defaultCenter().addObserver(
        kCityDidChange, [this](const platform::Notification&) {
            for (const auto& field : {startText.lock(), endText.lock()})
                if (field) field->setText("");
        });
}

void BusTransferViewController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    const auto& shared = MySingleton::sharedSingleton();
    fill(startText, shared.startStation);
    fill(endText, shared.endStation);
    showCityButton(*this, &BusTransferViewController::switchCity);
}

void BusTransferViewController::textFieldTouchDown(ui::Control&) { performSegueWithIdentifier("busTransferQuery", "0"); }

void BusTransferViewController::endTextFieldTouchDown(ui::Control&) {
    performSegueWithIdentifier("busTransferQuery", "1");
}

void BusTransferViewController::queryUIButton(ui::Control&) { performSegueWithIdentifier("busTransferResult", "3"); }

void BusTransferViewController::switchCity(ui::Control&) { performSegueWithIdentifier("busCity", "2"); }

void BusTransferViewController::prepareForSegue(ui::StoryboardSegue& segue, const std::string& sender) {
    auto* destination = segue.destinationViewController();
    if (sender == "0" || sender == "1") {
        destination->setValue(sender, "_tag");
    } else if (sender == "3") {
        destination->setValue(textOf(startText), "startStation");
        destination->setValue(textOf(endText), "endStation");
    }
}

}  // namespace bus
