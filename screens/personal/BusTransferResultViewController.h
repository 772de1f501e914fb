#pragma once
// The journey plans between the two stops the form handed over, fewest stops
// first: each row names its lines, where to change and the stops of each
// leg. The plans are worked out on a worker thread while the busy indicator
// turns; a message stands in for the table when there is nothing to ask or
// nothing was found.
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/BusTransfer.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "screens/personal/BusTransferPlanner.h"

namespace bus {

class BusTransferResultViewController : public ui::ViewController,
                                        public ui::TableViewDataSource,
                                        public ui::TableViewDelegate {
public:
    static constexpr char kNoNames[] = "请先选择起点和终点";
    static constexpr char kSameNames[] = "起点和终点相同，无需乘车";
    static constexpr char kNoPlan[] = "没有找到换乘方案";
    // Added when the request bound cut the search short.
    static constexpr char kPartly[] = "（仅查询了部分线路）";

    BusTransferResultViewController();

    // Checks the names, then starts the planning.
    void viewDidLoad() override;

    int numberOfSectionsInTableView(ui::TableView& tableView) override;
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             const ui::IndexPath& indexPath) override;

    // Handed over by the form.
    nlohmann::json startStation;
    nlohmann::json endStation;
    // Where the plans come from; the current city's service unless a test
    // sets another before the view loads.
    BusTransferPlanner::Source source = BusTransferPlanner::Source::cityService();
    // The plans shown, set on the main thread once the worker is done.
    std::vector<BusTransfer> data;

    // Outlets, owned by the view tree.
    std::weak_ptr<ui::Label> routeLabel;
    std::weak_ptr<ui::Label> messageLabel;
    std::weak_ptr<ui::TableView> queryUITableView;
    std::weak_ptr<ui::ActivityIndicatorView> indicator;

private:
    void startPlanning(const std::string& start, const std::string& end);
    // Main thread: shows what the worker found.
    void showPlans(BusTransferPlanner::Result result);
    void showMessage(const std::string& text);
};

}  // namespace bus
