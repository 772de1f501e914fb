#pragma once
// The journey plans between the two stops the form handed over, cheapest
// first: each row names its lines, the ride and the change, and for each leg
// the line's direction, where to board, where to leave and how many stops.
// A tap on a row opens the live bus screen of its first leg at the boarding
// stop. The plans are worked out on a worker thread while the busy indicator
// turns; a message stands in for the table when there is nothing to ask or
// nothing was found, and notes above the plans say when the search was cut
// short or lines could not be read.
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "city/CityService.h"
#include "model/BusTransfer.h"
#include "platform/Translation.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "transit/BusTransferPlanner.h"
#include "screens/common/LineHandOver.h"

namespace bus {

class BusTransferResultViewController : public ui::ViewController,
                                        public ui::TableViewDataSource,
                                        public ui::TableViewDelegate {
public:
    // The messages and notes as written; the screen shows them with tr, in
    // the rider's language. A message stands alone in the middle of the
    // screen, on one line.
    // TRANSLATORS: the transfer result's messages, each on one line of 335 points at 16 points:
    // the form lacks a stop, or both name the same one, or no plan was found.
    static constexpr char kNoNames[] = N_("请先选择起点和终点");
    static constexpr char kSameNames[] = N_("起点和终点相同，无需乘车");
    static constexpr char kNoPlan[] = N_("没有找到换乘方案");
    // Instead of kNoPlan when a keyword search got no readable reply.
    // TRANSLATORS: on one line of 335 points at 16 points, instead of 没有找到换乘方案.
    static constexpr char kUnreachable[] = N_("无法连接服务器，未能查询换乘方案");
    // Notes, each on a line of its own above the plans (they wrap).
    // TRANSLATORS: notes above the transfer plans when the search was cut short.
    static constexpr char kCutByRequests[] = N_("途经线路较多，仅查询了部分线路，方案可能不全");
    static constexpr char kCutByDeadline[] = N_("查询超时，仅查询了部分线路，方案可能不全");
    // "2条线路未能读取，方案可能不全"
    static std::string unreadLinesNote(int lines);
    // A leg of a plan: its line with its direction ("12路 开往 站5方向"), and
    // where to board and leave with the stops between ("站2上车 → 站4下车，共2站").
    static std::string legLineText(const nlohmann::json& leg);
    static std::string legRideText(const nlohmann::json& leg);

    BusTransferResultViewController();

    // Checks the names, then starts the planning.
    void viewDidLoad() override;

    int numberOfSectionsInTableView(ui::TableView& tableView) override;
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             const ui::IndexPath& indexPath) override;
    // As tall as the plan's legs need on the table's width.
    double heightForRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;
    // Opens the live bus screen of the plan's first leg.
    void didSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;
    // Hands the tapped plan's first leg over for the sender "0", as the
    // search screen hands over a stop hit.
    void prepareForSegue(ui::StoryboardSegue& segue, const std::string& sender) override;

    // Handed over by the form.
    nlohmann::json startStation;
    nlohmann::json endStation;
    // Where the plans come from; the current city's service unless a test
    // sets another before the view loads.
    BusTransferPlanner::Source source = city::plannerSource();
    // The plans and notes shown, set on the main thread once the worker is done.
    std::vector<BusTransfer> data;
    std::vector<std::string> notes;
    // The first leg of the plan last tapped: its line, its direction and the
    // stop to board as the stop to wait at.
    LineHandOver handedOver;

    // Outlets, owned by the view tree.
    std::weak_ptr<ui::Label> routeLabel;
    std::weak_ptr<ui::Label> messageLabel;
    std::weak_ptr<ui::TableView> queryUITableView;
    std::weak_ptr<ui::ActivityIndicatorView> indicator;

private:
    void startPlanning(const std::string& start, const std::string& end);
    // Main thread: shows what the worker found.
    void showPlans(const BusTransferPlanner::Result& result);
    void showMessage(const std::string& text);
    void showNotes(ui::TableView& table);
};

}  // namespace bus
