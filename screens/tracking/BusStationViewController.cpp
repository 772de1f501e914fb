#include "screens/tracking/BusStationViewController.h"

#include <string>

#include "city/CurrentCity.h"
#include "model/Value.h"
#include "platform/Translation.h"
#include "platform/ui/NavigationController.h"
#include "screens/common/Accessibility.h"
#include "screens/common/BusCell.h"
#include "screens/common/BusDirection.h"

namespace bus {

namespace {

constexpr char kDiscImage[] = "灰底.png";
constexpr char kSelectedDiscImage[] = "蓝底.png";
constexpr char kFavouriteImage[] = "收藏成功.png";
constexpr char kMarkImage[] = "点击收藏.png";
// The notice's button that stays on the screen, translated where shown.
// TRANSLATORS: a button after a stop was starred: stay and star more stops.
constexpr char kContinueTitle[] = N_("继续收藏");
constexpr int kBackButtonIndex = 1;

}  // namespace

BusStationViewController::BusStationViewController() {
    handedOver.declareKeys([this](const char* key, auto& member) { declareKey(key, member); });
    // The model lives and dies with the screen, so its answers never reach a screen that is gone.
    line.lineAnswered = [this](models::LiveLine::LineAnswer reading) {
        showLine(std::move(reading));
        reloadTable();
    };
}

BusStationViewController::~BusStationViewController() {
    if (alert_) alert_->setDelegate(nullptr);
}

void BusStationViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    if (auto table = queryUITableView.lock()) {
        setUpTable(*table, this, this, {.edgeToEdge = true, .endAtLastRow = false, .footer = nullptr});
    }
    updateStation();
    if (auto image = tabUIImageView.lock()) {
        image->addGestureRecognizer(tapCalling(&BusStationViewController::clickImage));
        image->restorationIdentifier = "up";
        image->userInteractionEnabled = true;
    }
    if (const auto& back = navigationItem().leftBarButtonItem()) {
        back->action = [weak = weak_from_this()](ui::BarButtonItem& item) {
            if (auto self = weak.lock()) static_cast<BusStationViewController&>(*self).cancelclick(item);
        };
    }
}

void BusStationViewController::updateStation() {
    line.askLine(integerValue(handedOver.direction), integerValue(handedOver.lineId));
}

void BusStationViewController::showLine(models::LiveLine::LineAnswer answer) {
    // Only a reply that holds both the line and its stop list changes the
    // screen; anything else counts as no reply. So does the last good copy:
    // this screen has no room to say its stops may be old, and its stars
    // save favourites from them.
    if (answer.failed() || answer.fromCopy() || !answer.value().hasStopArray || !answer.value().line) return;
    auto reading = std::move(answer).value();
    busLine = std::move(*reading.line);
    navigationItem().setTitle(textValue(busLine.lineName));
    if (auto image = tabUIImageView.lock())
        image->setImage(integerValue(handedOver.direction) != 0 ? "切换1.png" : "切换2.png");
    data = std::move(reading.stations);
    if (!data.empty()) endStation = data.back().stationName;
    if (auto title = lineTitle.lock()) title->setText(directionTitle(endStation));
}

void BusStationViewController::clickImage(ui::TapGestureRecognizer&) {
    handedOver.direction = saturatingSub(1, integerValue(handedOver.direction));
    updateStation();
    reloadTable();
}

int BusStationViewController::numberOfSectionsInTableView(ui::TableView&) { return 1; }

int BusStationViewController::numberOfRowsInSection(ui::TableView&, int) {
    const auto favourites = city::favourites(handedOver.lineId, handedOver.direction);
    dictionary.clear();
    // Newest first: of two favourites of one stop, the older one stays.
    for (const auto& favourite : favourites) dictionary[integerValue(favourite.orderNo)] = favourite;
    return static_cast<int>(data.size());
}

std::shared_ptr<ui::TableViewCell> BusStationViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                   const ui::IndexPath& indexPath) {
    auto cell = dequeueClearedCell(tableView);
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(data.size())) return cell;

    const BusStation& stop = data[static_cast<std::size_t>(indexPath.row)];
    const bool favourite = dictionary.count(integerValue(stop.orderNo)) != 0;
    const bool selected = indexPath.row == _current;
    auto& content = *cell->contentView();
    content.addSubview(std::make_shared<ui::ImageView>(ui::Rect{7, -2, 50, 50},
                                                       selected ? kSelectedDiscImage : kDiscImage));
    addStar(content, stop, favourite, selected, tableView.frame().width());
    content.addSubview(ui::makeLabel({50, 10, 200, 20}, textValue(stop.stationName)));
    content.addSubview(ui::makeLabel({20, 10, 24, 24}, decimalText(stop.orderNo), ui::Font::system(17),
                                     ui::Color::white(), ui::TextAlignment::Center));
    a11y::nameStopCell(*cell, stop, favourite, selected);
    return cell;
}

void BusStationViewController::addStar(ui::View& content, const BusStation& stop, bool favourite, bool selected,
                                       double width) {
    const ui::Rect frame{width - 50, 10, 25, 25};
    if (!selected) {
        // Other rows only show a favourite; their star takes no taps.
        if (favourite) content.addSubview(std::make_shared<ui::ImageView>(frame, kFavouriteImage));
        return;
    }
    auto star = std::make_shared<ui::ImageView>(frame, favourite ? kFavouriteImage : kMarkImage);
    star->tag = integerValue(stop.orderNo);
    star->restorationIdentifier = "up";
    star->userInteractionEnabled = true;
    star->addGestureRecognizer(tapCalling(favourite ? &BusStationViewController::clickCancelCell
                                                    : &BusStationViewController::clickCell));
    content.addSubview(star);
}

void BusStationViewController::didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& indexPath) {
    _current = indexPath.row;
    reloadTable();
}

void BusStationViewController::clickCell(ui::TapGestureRecognizer& recognizer) {
    // While the other direction's stops are on their way, the rows still
    // show this one's: a star then would file a stop under the wrong one.
    if (line.waitingForLine()) return;
    const BusStation* stop = stopNamedByTag(recognizer);
    if (!stop) return;
    BusCollection favourite;
    favourite.lineName = busLine.lineName;
    favourite.stationName = stop->stationName;
    favourite.direction = handedOver.direction;
    favourite.lineId = handedOver.lineId;
    favourite.orderNo = stop->orderNo;
    favourite.gprsId = busLine.gprsId;
    favourite.endLine = endStation;
    city::addFavourite(std::move(favourite));
    showFavouriteAlert(platform::tr("收藏成功"));
}

void BusStationViewController::clickCancelCell(ui::TapGestureRecognizer& recognizer) {
    if (line.waitingForLine()) return;
    const BusStation* stop = stopNamedByTag(recognizer);
    if (!stop) return;
    const auto found = dictionary.find(integerValue(stop->orderNo));
    if (found == dictionary.end()) return;
    city::removeFavourite(found->second);
    showFavouriteAlert(platform::tr("取消收藏成功"));
}

void BusStationViewController::alertViewDidDismissWithButtonIndex(platform::AlertView& alertView, int buttonIndex) {
    if (alert_.get() == &alertView) alert_.reset();
    if (buttonIndex == kBackButtonIndex)
        popToRoot();
    else
        reloadTable();
}

void BusStationViewController::cancelclick(ui::BarButtonItem&) { popToRoot(); }

std::shared_ptr<ui::TapGestureRecognizer> BusStationViewController::tapCalling(TapAction action) {
    return std::make_shared<ui::TapGestureRecognizer>(
        [weak = weak_from_this(), action](ui::TapGestureRecognizer& recognizer) {
            if (auto self = weak.lock()) (static_cast<BusStationViewController&>(*self).*action)(recognizer);
        });
}

// The stop whose orderNo the star's tag carries, looked up by value: stop
// numbers need not run 1, 2, 3 in list order, and a tag that names no stop
// names nothing.
const BusStation* BusStationViewController::stopNamedByTag(const ui::TapGestureRecognizer& recognizer) const {
    if (!recognizer.view()) return nullptr;
    const long long tag = recognizer.view()->tag;
    for (const auto& stop : data)
        if (integerValue(stop.orderNo) == tag) return &stop;
    return nullptr;
}

void BusStationViewController::showFavouriteAlert(const std::string& title) {
    if (alert_) alert_->setDelegate(nullptr);
    alert_ = platform::AlertView::create(title, "", this, platform::tr(kContinueTitle),
                                         {platform::trc("line stops", "返回")});
    alert_->show();
}

void BusStationViewController::popToRoot() {
    if (auto* navigation = navigationController()) navigation->popToRootViewControllerAnimated(true);
}

void BusStationViewController::reloadTable() {
    if (auto table = queryUITableView.lock()) table->reloadData();
}

}  // namespace bus
