#include "screens/personal/BusTransferResultViewController.h"

#include <algorithm>
#include <cmath>

#include "city/CityService.h"
#include "model/Value.h"
#include "platform/Thread.h"
#include "platform/Translation.h"
#include "platform/ui/TextMetrics.h"
#include "screens/common/BusCell.h"

namespace bus {

namespace {

constexpr char kHandOverSender[] = "0";
constexpr double kMargin = 15;
constexpr double kPadding = 8;
const ui::Font kNoteFont = ui::Font::system(13);
const ui::Color kNoteColor = ui::Color::rgba(0.8, 0.35, 0);

// One wrapped text of a plan's row, placed in the cell's content view.
struct RowText {
    std::string text;
    ui::Font font;
    ui::Color color;
    ui::Rect frame;
};

// Room for the text wrapped to `width`, from the estimate that layout
// without a canvas uses; rounded up by a little, since a line too many
// leaves a gap where one too few would cut a stop name off.
double wrappedHeight(const std::string& text, const ui::Font& font, double width) {
    const double estimate = ui::estimatedTextWidth(text, font.size) * 1.05;
    const double lines = std::max(1.0, std::ceil(estimate / std::max(width, 1.0)));
    // The line height of the CJK fonts the window paints with.
    return lines * std::ceil(font.size * 1.45);
}

using Screen = BusTransferResultViewController;

// The row of a plan: its lines, its ride and change, then for each leg the
// line with its direction and where to board and leave.
std::vector<RowText> rowTexts(const BusTransfer& plan, double rowWidth) {
    const double width = rowWidth - 2 * kMargin;
    std::vector<RowText> texts;
    double y = kPadding;
    const auto add = [&](std::string text, ui::Font font, ui::Color color, double gapAfter) {
        const double height = wrappedHeight(text, font, width);
        texts.push_back({std::move(text), font, color, {kMargin, y, width, height}});
        y += height + gapAfter;
    };
    add(transferLines(plan), ui::Font::boldSystem(17), ui::Color::black(), 0);
    add(textValue(plan.sxsj) + " · " + textValue(plan.bxjl), ui::Font::system(13), ui::Color::darkGray(), 4);
    if (!plan.vehicleInfos.is_array()) return texts;
    for (const auto& leg : plan.vehicleInfos) {
        add(Screen::legLineText(leg), ui::Font::system(15), ui::Color::black(), 0);
        add(Screen::legRideText(leg), ui::Font::system(13), ui::Color::darkGray(), 4);
    }
    return texts;
}

double rowHeight(const std::vector<RowText>& texts) {
    return texts.empty() ? 0 : texts.back().frame.maxY() + kPadding;
}

std::vector<std::string> notesFor(const BusTransferPlanner::Result& result) {
    std::vector<std::string> notes;
    if (result.cut == BusTransferPlanner::Cut::RequestBound) notes.push_back(platform::tr(Screen::kCutByRequests));
    if (result.cut == BusTransferPlanner::Cut::Deadline) notes.push_back(platform::tr(Screen::kCutByDeadline));
    if (result.unreadLines > 0) notes.push_back(Screen::unreadLinesNote(result.unreadLines));
    return notes;
}

}  // namespace

std::string BusTransferResultViewController::unreadLinesNote(int lines) {
    // TRANSLATORS: a note above the transfer plans: {} lines of the stops could not be read.
    return platform::counted("{}条线路未能读取，方案可能不全", "{}条线路未能读取，方案可能不全",
                             static_cast<unsigned long>(std::max(lines, 0)));
}

std::string BusTransferResultViewController::legLineText(const nlohmann::json& leg) {
    const std::string line = textValue(bus::valueForKey(leg, "lineName"));
    const std::string terminus = textValue(bus::valueForKey(leg, "terminus"));
    // TRANSLATORS: a leg of a transfer plan: {0} its line, {1} the line's last stop in the direction
    // ridden (as in "开往 {}方向" over a line's stops).
    return platform::fill(platform::tr("{0} 开往 {1}方向"), {line, terminus});
}

std::string BusTransferResultViewController::legRideText(const nlohmann::json& leg) {
    const std::string board = textValue(bus::valueForKey(leg, "startStation"));
    const std::string leave = textValue(bus::valueForKey(leg, "endStation"));
    const json stops = bus::valueForKey(leg, "stationCount");
    const auto count = static_cast<unsigned long>(std::max(integerValue(stops), 0LL));
    // TRANSLATORS: a leg of a transfer plan: board at stop {0}, leave at stop {1}, {2} stops of ride.
    return platform::fill(platform::trn("{0}上车 → {1}下车，共{2}站", "{0}上车 → {1}下车，共{2}站", count),
                          {board, leave, decimalText(stops)});
}

BusTransferResultViewController::BusTransferResultViewController() {
    declareKey("startStation", startStation);
    declareKey("endStation", endStation);
}

void BusTransferResultViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    if (auto table = queryUITableView.lock()) {
        setUpTable(*table, this, this);
    }
    const std::string start = textValue(startStation);
    const std::string end = textValue(endStation);
    if (auto label = routeLabel.lock())
        label->setText((start.empty() ? platform::tr("起点") : start) + " → " +
                       (end.empty() ? platform::tr("终点") : end));
    if (start.empty() || end.empty())
        showMessage(platform::tr(kNoNames));
    else if (start == end)
        showMessage(platform::tr(kSameNames));
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

void BusTransferResultViewController::showPlans(const BusTransferPlanner::Result& result) {
    if (auto busy = indicator.lock()) busy->stopAnimating();
    data = result.plans;
    notes = notesFor(result);
    // One notice for the whole planning, however many requests failed.
    if (result.searchFailed || result.unreadLines > 0) city::showFailureNotice();
    if (!data.empty())
        showMessage("");
    else
        showMessage(platform::tr(result.searchFailed ? kUnreachable : kNoPlan));
    if (auto table = queryUITableView.lock()) {
        showNotes(*table);
        table->reloadData();
    }
}

void BusTransferResultViewController::showMessage(const std::string& text) {
    if (auto label = messageLabel.lock()) {
        label->setText(text);
        label->hidden = text.empty();
    }
}

// Above the first row, so that they scroll with the plans they qualify.
void BusTransferResultViewController::showNotes(ui::TableView& table) {
    if (notes.empty()) return table.setTableHeaderView(nullptr);
    const double width = table.frame().width() - 2 * kMargin;
    auto header = std::make_shared<ui::View>();
    double y = 6;
    for (const auto& note : notes) {
        const double height = wrappedHeight(note, kNoteFont, width);
        auto label = ui::makeLabel({kMargin, y, width, height}, note, kNoteFont, kNoteColor);
        label->numberOfLines = 0;
        header->addSubview(label);
        y += height;
    }
    header->setFrame({0, 0, table.frame().width(), y + 6});
    table.setTableHeaderView(header);
}

int BusTransferResultViewController::numberOfSectionsInTableView(ui::TableView&) { return 1; }

int BusTransferResultViewController::numberOfRowsInSection(ui::TableView&, int) {
    return static_cast<int>(data.size());
}

std::shared_ptr<ui::TableViewCell> BusTransferResultViewController::cellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
    auto cell = dequeueClearedCell(tableView);
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(data.size())) return cell;
    for (auto& text : rowTexts(data[static_cast<std::size_t>(indexPath.row)], tableView.frame().width())) {
        auto label = ui::makeLabel(text.frame, std::move(text.text), text.font, text.color);
        label->numberOfLines = 0;
        cell->contentView()->addSubview(label);
    }
    return cell;
}

double BusTransferResultViewController::heightForRowAtIndexPath(ui::TableView& tableView,
                                                                const ui::IndexPath& indexPath) {
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(data.size())) return tableView.rowHeight;
    return rowHeight(rowTexts(data[static_cast<std::size_t>(indexPath.row)], tableView.frame().width()));
}

void BusTransferResultViewController::didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& indexPath) {
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(data.size())) return;
    const auto& legs = data[static_cast<std::size_t>(indexPath.row)].vehicleInfos;
    if (!legs.is_array() || legs.empty()) return;
    handedOver = LineHandOver::at(bus::valueForKey(legs[0], "lineId"), bus::valueForKey(legs[0], "direction"),
                                  bus::valueForKey(legs[0], "startStation"));
    performSegueWithIdentifier("busReal", kHandOverSender);
}

void BusTransferResultViewController::prepareForSegue(ui::StoryboardSegue& segue, const std::string& sender) {
    if (sender != kHandOverSender) return;
    auto* destination = segue.destinationViewController();
    handedOver.handTo(*destination);
}

}  // namespace bus
