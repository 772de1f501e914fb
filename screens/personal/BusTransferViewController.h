#pragma once
// The transfer form: the start and end stops and a query button. A touch on
// either field opens the stop picker for it; the fields take no keyboard.
// Each time the screen appears it shows the names the picker left in
// MySingleton. The query button opens the plans for the two names.
#include <memory>
#include <string>

#include "platform/NotificationCenter.h"
#include "platform/ui/Control.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

namespace bus {

class BusTransferViewController : public ui::ViewController {
public:
    // Connects the fields and the query button to their actions and takes
    // the keyboard from the fields; a new city empties the fields.
    void viewDidLoad() override;
    // Fills the fields from the shared state and rebuilds the city button.
    void viewWillAppear(bool animated) override;

    // A touch-down on the start field, on the end field, and a touch-up
    // inside the query button.
    void textFieldTouchDown(ui::Control& sender);
    void endTextFieldTouchDown(ui::Control& sender);
    void queryUIButton(ui::Control& sender);
    void switchCity(ui::Control& sender);
    // "0" and "1" tell the picker its field under "_tag"; "3" hands both
    // names to the plans.
    void prepareForSegue(ui::StoryboardSegue& segue, const std::string& sender) override;

    // Outlets, owned by the view tree.
    std::weak_ptr<ui::TextField> startText;
    std::weak_ptr<ui::TextField> endText;
    std::weak_ptr<ui::Control> queryButton;

private:
    platform::Observation cityObservation_;
};

}  // namespace bus
