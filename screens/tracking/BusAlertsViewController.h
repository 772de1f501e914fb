#pragma once
// Every alert of the line the live screen shows, opened by a tap on its
// alert banner: each alert's title, its period, its text and its address,
// most severe first, in a page that scrolls.
#include <memory>
#include <string>
#include <vector>

#include "model/BusAlert.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/ViewController.h"

namespace bus {

class BusAlertsViewController : public ui::ViewController {
public:
    explicit BusAlertsViewController(std::vector<BusAlert> alerts);
    void viewDidLoad() override;

    // "起止" with the local dates of the start and end, or "长期" without.
    static std::string periodText(const BusAlert& alert);

    const std::vector<BusAlert>& alerts() const { return alerts_; }

private:
    std::vector<BusAlert> alerts_;
    std::weak_ptr<ui::ScrollView> page_;
};

}  // namespace bus
