#include "screens/personal/BusTransferResultViewController.h"

#include "model/Value.h"
#include "platform/Thread.h"
#include "screens/common/BusCell.h"

namespace bus {

namespace {


// "华严寺同站换乘 · 3路5站，2路3站 · 乘车8站"; a direct plan needs no legs.
std::string planDetail(const BusTransfer& plan) {
    std::string text = textValue(plan.bxjl);
    if (plan.vehicleInfos.is_array() && plan.vehicleInfos.size() > 1) {
        std::string legs;
        for (const auto& leg : plan.vehicleInfos)
            legs += (legs.empty() ? "" : "，") + textValue(valueForKey(leg, "lineName")) +
                    decimalText(valueForKey(leg, "stationCount")) + "站";
        text += " · " + legs;
    }
    return text + " · " + textValue(plan.sxsj);
}

}  // namespace

BusTransferResultViewController::BusTransferResultViewController() {
    declareKey("startStation", startStation);
    declareKey("endStation", endStation);
}

void BusTransferResultViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    if (auto table = queryUITableView.lock()) {
        table->setDataSource(this);
        table->setDelegate(this);
        table->separatorInset = {0, 0, 0, 0};
        table->setTableFooterView(std::make_shared<ui::View>());
    }
    const std::string start = textValue(startStation);
    const std::string end = textValue(endStation);
    if (auto label = routeLabel.lock())
        label->setText((start.empty() ? "起点" : start) + " → " + (end.empty() ? "终点" : end));
    if (start.empty() || end.empty())
        showMessage(kNoNames);
    else if (start == end)
        showMessage(kSameNames);
    else
        startPlanning(start, end);
}

void BusTransferResultViewController::startPlanning(const std::string& start, const std::string& end) {
    showMessage("");
    if (auto busy = indicator.lock()) busy->startAnimating();
    // The worker holds the planner and its own copies of the names; it
    // reaches the screen only on the main thread, and only if it still lives.
    std::weak_ptr<BusTransferResultViewController> weak =
        std::static_pointer_cast<BusTransferResultViewController>(shared_from_this());
    platform::detachNewThread([weak, planner = BusTransferPlanner(source), start, end] {
        auto result = planner.plan(start, end);
        platform::performOnMainThread([weak, result = std::move(result)] {
            if (auto self = weak.lock()) self->showPlans(result);
        });
    });
}

void BusTransferResultViewController::showPlans(BusTransferPlanner::Result result) {
    if (auto busy = indicator.lock()) busy->stopAnimating();
    data = std::move(result.plans);
    showMessage(data.empty() ? std::string(kNoPlan) + (result.complete ? "" : kPartly) : "");
    if (auto table = queryUITableView.lock()) table->reloadData();
}

void BusTransferResultViewController::showMessage(const std::string& text) {
    if (auto label = messageLabel.lock()) {
        label->setText(text);
        label->hidden = text.empty();
    }
}

int BusTransferResultViewController::numberOfSectionsInTableView(ui::TableView&) { return 1; }

int BusTransferResultViewController::numberOfRowsInSection(ui::TableView&, int) {
    return static_cast<int>(data.size());
}

std::shared_ptr<ui::TableViewCell> BusTransferResultViewController::cellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
    auto cell = dequeueCell(tableView);
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(data.size())) return cell;
    const BusTransfer& plan = data[static_cast<std::size_t>(indexPath.row)];
    cell->textLabel()->setText(transferLines(plan));
    cell->detailTextLabel()->setText(planDetail(plan));
    return cell;
}

}  // namespace bus
