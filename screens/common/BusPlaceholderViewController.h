#pragma once
// A screen that is not built yet: a plain page that shows its title, so the
// tabs and transitions that lead to it already work.
#include "platform/ui/ViewController.h"

namespace bus {

class BusPlaceholderViewController : public ui::ViewController {
public:
    void viewDidLoad() override;
};

}  // namespace bus
