#include "screens/tracking/BusRealViewController.h"

#include "city/CurrentCity.h"
#include "model/Preferences.h"
#include "model/Value.h"
#include "platform/Translation.h"
#include "platform/UserDefaults.h"
#include "platform/UserNotifications.h"
#include "platform/ui/NavigationController.h"
#include "screens/common/BusDirection.h"
#include "screens/tracking/BusAlertsViewController.h"
#include "screens/tracking/BusRealAccessibility.h"
#include "transit/LiveRules.h"

namespace bus {

using platform::counted;
using platform::fill;
using platform::tr;

namespace {

constexpr std::size_t kNearestCount = 3;

// The route's geometry, from its rows: stop n's row stands at rowTop(n), 60
// high, the waiting stop's 130, so every row after it stands 70 lower. The
// first row starts 20 above the top. A vehicle standing at stop n lines up
// with that row; one on its way there stands half a row higher.
constexpr double kRow = BusRealViewController::kRowHeight;
constexpr double kWaitingRow = BusRealViewController::kWaitingRowHeight;
constexpr double kBelowWaiting = kWaitingRow - kRow;
constexpr double kFirstRowTop = -20;
constexpr double kHalfRow = kRow / 2;
double rowTop(double n) { return kFirstRowTop + kRow * (n - 1); }
// The vehicle marker's frame, and the second stop's special one: a bus on
// its way there sits over the first row.
constexpr double kMarkerX = 5, kMarkerWidth = 50, kMarkerHeight = 40;
const ui::Rect kToSecondStop{kMarkerX, -12, 200, 35};
// The nearest-vehicles panel lies over the waiting row's three boxes, which
// start 80 below the row's top; it stands a point higher.
constexpr double kPanelX = 80, kPanelWidth = 250, kPanelHeight = 50, kBoxesTop = 80;
// The first scroll position: the waiting row 4.5 rows from the top once it
// is past the 9th stop; near the end, the last 520 points of the route.
constexpr double kFirstScrollRows = 4.5, kScrollFromStop = 9, kEndView = 520, kEndMargin = 800;
// In the waiting row: the caption "最近三辆车：" stands at (80, 50) and is 20
// high, the favourite control at (w − 50, 20, 25, 25) above the bell.
constexpr double kCaptionTop = 50, kCaptionHeight = 20, kAgeLeft = 175, kBellWidth = 25, kBellMargin = 25;
const ui::Color kAgeColor = ui::Color::darkGray();
const ui::Color kStaleColor = ui::Color::rgba(0.85, 0.2, 0.1);
// The mark of a stop an alert names: right in its row, clear of the
// waiting row's star and bell.
constexpr char kAlertMarkId[] = "alertMark";
constexpr double kAlertMarkTop = 20, kAlertMarkWidth = 50, kAlertMarkHeight = 20, kAlertMarkRight = 60,
                 kAlertMarkWaitingRight = 110;

// How long a favourite notice stays up, on the run loop clock.
constexpr double kNoticeSeconds = 1.0;

// A notice with a title only, closed after a second. The delayed call holds
// only the notice: the screen may go first.
void showTransientNotice(const std::string& title) {
    auto notice = platform::AlertView::create(title, "");
    notice->show();
    platform::RunLoop::main().performAfterDelay(kNoticeSeconds, [notice] {
        if (notice->isVisible()) notice->dismissWithClickedButtonIndex(0, true);
    });
}

}  // namespace

BusRealViewController::BusRealViewController() {
    handedOver.declareKeys([this](const char* key, auto& member) { declareKey(key, member); });
    // The model lives and dies with the screen, so its answers never reach a screen that is gone.
    liveLine.lineAnswered = [this](models::LiveLine::LineAnswer answer) {
        if (switching_) return finishLineOfSwitch(std::move(answer));
        applyLine(std::move(answer));
        addReal();
        stopIndicatorIfIdle();
    };
    liveLine.alertsAnswered = [this](models::LiveLine::AlertsAnswer answer) {
        // A failed ask keeps what the last one said.
        if (answer.failed()) return;
        alerts_ = std::move(answer).value();
        showAlerts();
    };
    liveLine.vehiclesAnswered = [this](models::LiveLine::VehiclesAnswer answer) {
        if (switching_) return endDirectionSwitch(&answer);
        noteVehicles(answer.value());
        placeVehicles(std::move(answer).value());
        stopIndicatorIfIdle();
    };
}

BusRealViewController::~BusRealViewController() {
    if (timer) timer->invalidate();
    if (ageTimer_) ageTimer_->invalidate();
    if (reminderRefresh_) reminderRefresh_->invalidate();
}

void BusRealViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    indicator = std::make_shared<ui::ActivityIndicatorView>(0);
    indicator->setColor(ui::Color::red());
    indicator->setCenter({view()->frame().width() / 2, view()->frame().height() / 2});
    indicator->startAnimating();
    view()->addSubview(indicator);
    _orderNo = handedOver.currentStation.empty() ? kDefaultWaitingStop : kByNameMarker;
    tag = 1;
    // Posted by the route views' taps, so the handler runs on the main thread.
    orderNoObservation_ = platform::NotificationCenter::defaultCenter().addObserver(
        BusRealUIView::kUpdateOrderNo, [this](const platform::Notification& n) { handleColorChange(n); });
    attachTap(tabUIImageView.lock(), "up", &BusRealViewController::clickImage);
    attachTap(refUIImageView.lock(), "upRef", &BusRealViewController::clickRef);
    attachTap(ageLabel, "age", &BusRealViewController::clickAge);
    attachTap(reminderImageView, "reminder", &BusRealViewController::clickReminder);
    a11y::describeLiveControls(*this);
    showReminderImage();
    addStation();
    addReal();
    askAlerts();
    startTimer();
}

void BusRealViewController::viewDidAppear(bool animated) {
    ui::ViewController::viewDidAppear(animated);
    showingAlerts_ = false;
    stopIndicatorIfIdle();
    showDataAge();
    if (ageTimer_) ageTimer_->invalidate();
    std::weak_ptr<BusRealViewController> weak = std::static_pointer_cast<BusRealViewController>(shared_from_this());
    ageTimer_ = platform::RunLoop::main().scheduleTimer(1, true, [weak](platform::Timer&) {
        if (auto self = weak.lock()) self->showDataAge();
    });
}

void BusRealViewController::viewWillDisappear(bool animated) {
    ui::ViewController::viewWillDisappear(animated);
    // Under its own alerts page the line goes on as it was: the rider is
    // back in a moment, to the same refreshes and reminder.
    if (showingAlerts_) return;
    if (timer) timer->invalidate();
    // The timer is made only on load: shown again, the screen refreshes by
    // hand, and the data's age and the reminder follow that.
    refreshSeconds_ = 0;
    if (ageTimer_) ageTimer_->invalidate();
    disarmReminder();
}

void BusRealViewController::attachTap(const std::shared_ptr<ui::View>& view, const char* identifier,
                                      void (BusRealViewController::*action)(ui::TapGestureRecognizer&)) {
    if (!view) return;
    view->restorationIdentifier = identifier;
    view->userInteractionEnabled = true;
    // Weak: the controls belong to the view tree, which may outlive us.
    std::weak_ptr<BusRealViewController> weak = std::static_pointer_cast<BusRealViewController>(shared_from_this());
    view->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>([weak, action](ui::TapGestureRecognizer& r) {
        if (auto self = weak.lock()) ((*self).*action)(r);
    }));
}

void BusRealViewController::startTimer() {
    auto& defaults = platform::UserDefaults::standard();
    if (!defaults.objectForKey(prefs::kRefreshTime)) {
        defaults.setObject("10", prefs::kRefreshTime);
        defaults.synchronize();
    }
    const long long seconds = integerValue(json(textValue(defaults.objectForKey(prefs::kRefreshTime).value_or(json()))));
    // No positive interval is never written by the interval screen; such a
    // value refreshes by hand, as "100" does.
    if (seconds <= 0 || seconds >= kByHandInterval) return;
    refreshSeconds_ = seconds;
    std::weak_ptr<BusRealViewController> weak = std::static_pointer_cast<BusRealViewController>(shared_from_this());
    // The main loop has a single mode, so the vehicles keep moving while the
    // rider drags the route.
    timer = platform::RunLoop::main().scheduleTimer(static_cast<double>(seconds), true, [weak](platform::Timer&) {
        if (auto self = weak.lock()) self->tick();
    });
}

void BusRealViewController::startIndicator() {
    if (indicator) indicator->startAnimating();
}

void BusRealViewController::endLoading2() {
    if (indicator) indicator->stopAnimating();
}

void BusRealViewController::stopIndicatorIfIdle() {
    if (!liveLine.waiting() && !switching_) endLoading2();
}

void BusRealViewController::tick() {
    // A tick while the last vehicles are still on their way would only pile
    // request on request against a service that does not answer.
    if (!liveLine.waitingForVehicles()) addReal();
    askAlerts();
}

void BusRealViewController::askAlerts() {
    liveLine.askAlerts(integerValue(handedOver.lineId), integerValue(handedOver.direction));
}

// The most severe alert's title stands over the foot of the route, in its
// level's colour, with how many more there are; the route runs on under it
// (routeHeight), so that no stop is hidden for good.
void BusRealViewController::showAlerts() {
    auto scroll = realScrollView.lock();
    if (alerts_.empty() || !scroll) {
        if (alertBanner) alertBanner->removeFromSuperview();
        alertBanner.reset();
    } else {
        if (!alertBanner) {
            alertBanner = std::make_shared<ui::Label>();
            attachTap(alertBanner, "alert", &BusRealViewController::clickAlerts);
            alertBanner->setAccessibilityHint(tr("查看全部提醒"));
            alertBanner->font = ui::Font::boldSystem(15);
            alertBanner->textColor = ui::Color::white();
            alertBanner->textAlignment = ui::TextAlignment::Center;
            alertBanner->setAccessibilityTraits(ui::AccessibilityTrait::StaticText |
                                                ui::AccessibilityTrait::UpdatesFrequently);
        }
        const BusAlert& first = alerts_.front();
        const std::size_t more = alerts_.size() - 1;
        alertBanner->setText(first.title + (more > 0 ? "  +" + std::to_string(more) : ""));
        // TRANSLATORS: the alert banner's spoken name: the most severe alert's title, and how many more.
        const std::string others = platform::trn("提醒：{0}，另有{1}条", "提醒：{0}，另有{1}条", more);
        // TRANSLATORS: the alert banner's spoken name, for the line's only alert.
        const std::string only = tr("提醒：{}");
        alertBanner->setAccessibilityLabel(more > 0 ? fill(others, {first.title, std::to_string(more)})
                                                    : fill(only, {first.title}));
        alertBanner->backgroundColor = alertColor(first.level);
        const ui::Rect route = scroll->frame();
        alertBanner->setFrame({route.x(), route.maxY() - kAlertBannerHeight, route.width(), kAlertBannerHeight});
        view()->addSubview(alertBanner);
        // Said once when an alert new to this screen comes, as a notice is.
        bool fresh = false;
        for (const auto& alert : alerts_) fresh = announcedAlerts_.insert(alert.id).second || fresh;
        if (fresh) alertBanner->postAccessibilityNotification(ui::AccessibilityNotification::Announcement);
    }
    scroll->contentSize = {0, routeHeight()};
    markAlertedStops();
}

// The stops an alert names carry a mark at the right of their row, left of
// the waiting stop's star.
void BusRealViewController::markAlertedStops() {
    auto scroll = realScrollView.lock();
    if (!scroll) return;
    std::set<long long> named;
    for (const auto& alert : alerts_) named.insert(alert.stations.begin(), alert.stations.end());
    const double w = view()->frame().width();
    for (const auto& child : scroll->subviews()) {
        auto* row = dynamic_cast<BusRealUIView*>(child.get());
        if (!row || row->tag == BusRealUIView::kLiveItemTag) continue;
        const long long number = integerValue(row->busStation().orderNo);
        const bool alerted = named.count(number) > 0;
        if (alerted == row->alerted) continue;
        row->alerted = alerted;
        if (!alerted) {
            for (const auto& mark : row->subviews())
                if (mark->restorationIdentifier == kAlertMarkId) mark->removeFromSuperview();
            continue;
        }
        const double right = number == waitingStop() ? kAlertMarkWaitingRight : kAlertMarkRight;
        auto mark = ui::makeLabel({w - right, kAlertMarkTop, kAlertMarkWidth, kAlertMarkHeight}, tr(live::kAlertMark),
                                  ui::Font::boldSystem(12), alertColor(BusAlert::Level::Warning),
                                  ui::TextAlignment::Center);
        mark->restorationIdentifier = kAlertMarkId;
        // The row's button says it in the stop's name.
        mark->setAccessibilityElementsHidden(true);
        row->addSubview(std::move(mark));
    }
}

void BusRealViewController::clickAlerts(ui::TapGestureRecognizer&) {
    auto* navigation = navigationController();
    if (!navigation || alerts_.empty()) return;
    showingAlerts_ = true;
    navigation->pushViewController(std::make_shared<BusAlertsViewController>(alerts_), true);
}

double BusRealViewController::routeHeight() const {
    const double rows = kRowHeight * static_cast<double>(muArrayStation.size()) + kRowHeight;
    return rows + (alertBanner ? kAlertBannerHeight : 0);
}

ui::Color BusRealViewController::alertColor(BusAlert::Level level) {
    switch (level) {
        case BusAlert::Level::Severe:
            return kStaleColor;
        case BusAlert::Level::Warning:
            return ui::Color::rgba(0.9, 0.55, 0.0);
        case BusAlert::Level::Info:
            break;
    }
    return ui::Color::rgba(0.4, 0.5, 0.63);
}

long long BusRealViewController::waitingStop() const { return integerValue(_orderNo); }

// ---- The line and its stop rows ----

void BusRealViewController::reloadFavourites() {
    dictionary.clear();
    // Later records of one stop replace earlier ones.
    for (auto& record : city::favourites(handedOver.lineId, handedOver.direction))
        dictionary[integerValue(record.orderNo)] = std::move(record);
}

void BusRealViewController::addStation() {
    reloadFavourites();
    liveLine.askLine(integerValue(handedOver.direction), integerValue(handedOver.lineId));
}

void BusRealViewController::applyLine(const std::string& content) {
    applyLine(content.empty() ? city::Answer<ops::LineReading>::failure()
                              : city::Answer<ops::LineReading>::answered(ops::readLine(content)));
}

void BusRealViewController::applyLine(city::Answer<ops::LineReading> answer) {
    if (answer.failed()) {
        if (_busLine) _busLine->gprsId = json();
        return;
    }
    showDataAge();
    auto reading = std::move(answer).value();
    // A reply that is not one JSON object shows as a line without stops.
    if (!reading.line) reading.stations.clear();
    _busLine = reading.line.value_or(BusLine{});
    _busLine->direction = handedOver.direction;
    _busLine->uid = handedOver.lineId;
    if (auto image = tabUIImageView.lock())
        image->setImage(integerValue(handedOver.direction) != 0 ? "切换1.png" : "切换2.png");
    muArrayStation = std::move(reading.stations);
    if (auto scroll = realScrollView.lock()) scroll->contentSize = {0, routeHeight()};
    buildStationRows(true);
    showTitles();
    if (tag == 1) {
        setFirstScrollPosition();
        tag = 0;
    }
}

void BusRealViewController::updateStation() {
    reloadFavourites();
    if (auto scroll = realScrollView.lock()) scroll->contentSize = {0, routeHeight()};
    buildStationRows(false);
}

void BusRealViewController::buildStationRows(bool setsEndStation) {
    auto scroll = realScrollView.lock();
    if (!scroll) return;
    // Each row keeps its own copy of the line, which a favourite saved from
    // it reads its terminal from: the line holds the last stop's name before
    // the first row is made.
    if (setsEndStation && _busLine && !muArrayStation.empty())
        _busLine->endStation = muArrayStation.back().stationName;
    double counter = kFirstRowTop;
    for (std::size_t i = 0; i < muArrayStation.size(); ++i) {
        const BusStation& station = muArrayStation[i];
        resolveWaitingStop(i, station);
        std::optional<BusCollection> favourite;
        if (auto it = dictionary.find(integerValue(station.orderNo)); it != dictionary.end()) favourite = it->second;
        auto row = BusRealUIView::initBusStation(rowFrame(i, counter), station, waitingStop(), std::move(favourite),
                                                 _busLine.value_or(BusLine{}));
        row->delegate = routeDelegate();
        // Rows of a switch in flight wait for its vehicles before they take
        // a stop tap or a star.
        row->userInteractionEnabled = !switching_;
        scroll->addSubview(std::move(row));
        counter += kRowHeight;
    }
    placeWaitingRowExtras();
    markAlertedStops();
}

void BusRealViewController::placeWaitingRowExtras() {
    for (const auto& extra : {std::static_pointer_cast<ui::View>(ageLabel), std::static_pointer_cast<ui::View>(reminderImageView)})
        if (extra) extra->removeFromSuperview();
    auto scroll = realScrollView.lock();
    if (!scroll) return;
    const BusRealUIView* waitingRow = nullptr;
    for (const auto& child : scroll->subviews())
        if (auto* row = dynamic_cast<const BusRealUIView*>(child.get());
            row && integerValue(row->busStation().orderNo) == waitingStop())
            waitingRow = row;
    // No stop is the waiting stop: nothing to age or to remind of.
    if (!waitingRow) return;
    const double w = view()->frame().width(), top = waitingRow->frame().y();
    if (ageLabel) {
        ageLabel->setFrame({kAgeLeft, top + kCaptionTop, w - kAgeLeft - kBellWidth - 2 * kBellMargin, kCaptionHeight});
        scroll->addSubview(ageLabel);
    }
    if (reminderImageView) {
        reminderImageView->setFrame({w - kBellWidth - kBellMargin, top + kCaptionTop - 2, kBellWidth, kBellWidth});
        scroll->addSubview(reminderImageView);
    }
}

void BusRealViewController::resolveWaitingStop(std::size_t index, const BusStation& station) {
    if (waitingStop() == kByNameMarker) {
        if (handedOver.currentStation == textValue(station.stationName) || index + 1 == muArrayStation.size())
            _orderNo = station.orderNo;
    } else if (waitingStop() == integerValue(station.orderNo)) {
        handedOver.currentStation = textValue(station.stationName);
    }
}

ui::Rect BusRealViewController::rowFrame(std::size_t index, double counter) {
    const double w = view()->frame().width();
    // Stop numbers compared as the row's own number, so that a waiting stop
    // at the 64-bit edge cannot overflow.
    const long long row = static_cast<long long>(index) + 1;
    const long long o = waitingStop();
    if (row == 1) return {0, kFirstRowTop, w, kRow};
    if (row == o) return {0, counter, w, kWaitingRow};
    if (row > o) return {0, counter + kBelowWaiting, w, kRow};
    return {0, counter, w, kRow};
}

void BusRealViewController::showTitles() {
    const BusLine& line = *_busLine;
    navigationItem().setTitle(textValue(line.lineName));
    if (auto label = lineTitle.lock()) label->setText(directionTitle(line.endStation));
    if (auto label = smbUILabel.lock())
        label->setText(live::hoursAndFareText(textValue(line.opTime), textValue(line.ticketPrice)));
}

void BusRealViewController::setFirstScrollPosition() {
    auto scroll = realScrollView.lock();
    if (!scroll) return;
    const double o = static_cast<double>(waitingStop());
    const double height = scroll->contentSize.height;
    double y = o < kScrollFromStop ? 0 : kRow * (o - kFirstScrollRows);
    if (kRow * (o - kScrollFromStop) > height - kEndMargin) y = height - kEndView;
    scroll->setContentOffset({0, y});
}

// ---- Vehicles ----

void BusRealViewController::addReal() {
    // A switch in flight owns the route until its own vehicles are placed: a
    // tick now would ask for the old direction's line at a stop not yet found.
    if (switching_) return;
    const auto request = vehicleRequest();
    if (!request) {
        removeLiveItems();
        return;
    }
    // The markers stay until the new ones come.
    liveLine.askVehicles(request->gprsId, request->orderNo, request->direction);
}

void BusRealViewController::removeLiveItems() {
    auto scroll = realScrollView.lock();
    if (!scroll) return;
    const auto children = scroll->subviews();
    for (const auto& child : children)
        if (child->tag == BusRealUIView::kLiveItemTag) child->removeFromSuperview();
}

std::optional<BusRealViewController::VehicleRequest> BusRealViewController::vehicleRequest() const {
    if (!_busLine || integerValue(_busLine->gprsId) == 0) return std::nullopt;
    return VehicleRequest{integerValue(_busLine->gprsId), waitingStop(), integerValue(handedOver.direction)};
}

void BusRealViewController::placeVehicles(std::vector<BusReal> vehicles) {
    removeLiveItems();
    auto scroll = realScrollView.lock();
    if (!scroll || vehicles.empty()) return;
    std::vector<std::string> nearest;
    const long long o = waitingStop();
    for (auto& vehicle : countedVehicles(std::move(vehicles), nearest)) {
        const ui::Rect frame = vehicleFrame(vehicle);
        auto marker = BusRealUIView::initBusReal(frame, std::move(vehicle), o);
        marker->delegate = routeDelegate();
        scroll->addSubview(std::move(marker));
    }
    const double panelY = rowTop(static_cast<double>(o)) + kBoxesTop - 1;
    scroll->addSubview(BusRealUIView::initBusRealDetailed({kPanelX, panelY, kPanelWidth, kPanelHeight}, std::move(nearest)));
}

std::vector<BusReal> BusRealViewController::countedVehicles(std::vector<BusReal> vehicles,
                                                            std::vector<std::string>& nearest) const {
    const long long o = waitingStop();
    for (std::size_t i = 0; i < vehicles.size(); ++i) {
        const long long s = integerValue(vehicles[i].stationNo), k = integerValue(vehicles[i].inStation);
        long long count = 1;
        for (std::size_t j = 0; j < vehicles.size(); ++j)
            if (j != i && integerValue(vehicles[j].stationNo) == s && integerValue(vehicles[j].inStation) == k) ++count;
        vehicles[i].busNum = count;
        if (s <= o && nearest.size() < kNearestCount) nearest.push_back(textValue(vehicles[i].toNextStop));
    }
    return vehicles;
}

ui::Rect BusRealViewController::vehicleFrame(const BusReal& vehicle) const {
    const double s = static_cast<double>(integerValue(vehicle.stationNo));
    const double k = static_cast<double>(integerValue(vehicle.inStation));
    // On its way to the second stop the marker sits over the first row.
    if (s == 2 && k == 0) return kToSecondStop;
    const double y = rowTop(s) - kHalfRow * (1 - k) + (s > static_cast<double>(waitingStop()) ? kBelowWaiting : 0);
    return {kMarkerX, y, kMarkerWidth, kMarkerHeight};
}

// ---- Rebuilds: a new waiting stop, a refresh by hand, a direction switch ----

void BusRealViewController::handleColorChange(const platform::Notification& notification) {
    // Every live screen hears every row's notice; only our own rows move our
    // waiting stop, and none while a switch is rebuilding the route.
    if (switching_ || !postedByOwnRow(notification.object)) return;
    const json stored = platform::UserDefaults::standard().objectForKey(prefs::kOrderNo).value_or(json());
    // Starring the waiting stop or tapping it again keeps the reminder.
    if (integerValue(stored) != waitingStop()) disarmReminder();
    rebuildWithIndicator();
}

bool BusRealViewController::postedByOwnRow(const void* sender) const {
    const auto scroll = realScrollView.lock();
    if (!scroll || !sender) return false;
    for (const auto& child : scroll->subviews())
        if (static_cast<const void*>(dynamic_cast<const BusRealUIView*>(child.get())) == sender) return true;
    return false;
}

// The rebuild runs here, on the main thread that heard the tap: a worker
// that only queued it back would add a turn of the loop and a thread to the
// tap's way, and nothing else.
void BusRealViewController::rebuildWithIndicator() {
    startIndicator();
    rebuildForOrderNo();
    stopIndicatorIfIdle();
}

void BusRealViewController::rebuildForOrderNo() {
    // A switch that began since this was queued rebuilds the whole route.
    if (switching_) return;
    if (auto scroll = realScrollView.lock()) scroll->removeAllSubviews();
    _orderNo = platform::UserDefaults::standard().objectForKey(prefs::kOrderNo).value_or(json());
    updateStation();
    addReal();
}

void BusRealViewController::clickRef(ui::TapGestureRecognizer&) {
    if (switching_) return;
    platform::UserDefaults::standard().setObject(textValue(_orderNo), prefs::kOrderNo);
    rebuildWithIndicator();
    askAlerts();
}

void BusRealViewController::clickImage(ui::TapGestureRecognizer&) {
    // One switch at a time: a second would flip the direction under the
    // first one's replies.
    if (switching_) return;
    switching_ = true;
    // The switch asks for its own line and vehicles: an answer still to come
    // for the old direction must not land on the new one.
    liveLine.forget();
    disarmReminder();
    startIndicator();
    beginDirectionSwitch();
    liveLine.askLine(integerValue(handedOver.direction), integerValue(handedOver.lineId));
    // The other direction has alerts of its own.
    alerts_.clear();
    showAlerts();
    askAlerts();
}

void BusRealViewController::beginDirectionSwitch() {
    handedOver.direction = saturatingSub(1, integerValue(handedOver.direction));
    if (auto scroll = realScrollView.lock()) scroll->removeAllSubviews();
    _orderNo = kByNameMarker;
    tag = 1;
    reloadFavourites();
}

// The switch's line is in: its rows, then the vehicles at the stop found
// again by name, the switch's last request.
void BusRealViewController::finishLineOfSwitch(city::Answer<ops::LineReading> line) {
    applyLine(std::move(line));
    removeLiveItems();
    if (const auto request = vehicleRequest())
        liveLine.askVehicles(request->gprsId, request->orderNo, request->direction);
    else
        endDirectionSwitch(nullptr);
}

void BusRealViewController::endDirectionSwitch(city::Answer<std::vector<BusReal>>* vehicles) {
    if (vehicles) {
        noteVehicles(vehicles->value());
        placeVehicles(std::move(*vehicles).value());
    }
    switching_ = false;
    if (auto scroll = realScrollView.lock())
        for (const auto& child : scroll->subviews()) child->userInteractionEnabled = true;
    endLoading2();
}

// ---- The data's age and the arrival reminder ----

void BusRealViewController::noteVehicles(const std::vector<BusReal>& vehicles) {
    showDataAge();
    checkReminder(vehicles);
}

void BusRealViewController::showDataAge() {
    if (!ageLabel) return;
    const auto age = liveLine.age(refreshSeconds_);
    ageLabel->setText(age.text);
    ageLabel->textColor = age.warns ? kStaleColor : kAgeColor;
}

void BusRealViewController::clickAge(ui::TapGestureRecognizer& sender) {
    if (liveLine.age(refreshSeconds_).warns) clickRef(sender);
}

void BusRealViewController::clickReminder(ui::TapGestureRecognizer&) {
    if (reminderStops > 0) {
        disarmReminder();
        return;
    }
    const long long last = integerValue(
        platform::UserDefaults::standard().objectForKey(live::kReminderStopsKey).value_or(json()));
    // TRANSLATORS: the arrival reminder's question; the buttons give 1 to 3 stops.
    std::string message = fill(tr("车辆离{}几站时提醒"), {handedOver.currentStation});
    if (last >= 1 && last <= live::kMaxReminderStops)
        // TRANSLATORS: after the reminder's question: the distance chosen last time.
        message += counted("（上次{}站）", "（上次{}站）", static_cast<unsigned long>(last));
    std::vector<std::string> distances;
    for (unsigned long stops = 1; stops <= live::kMaxReminderStops; ++stops)
        // TRANSLATORS: a button of the arrival reminder: remind when the bus is this many stops away.
        distances.push_back(counted("{}站", "{}站", stops));
    platform::AlertView::create(tr("到站提醒"), message, this, platform::trc("arrival reminder", "取消"),
                                std::move(distances))
        ->show();
}

void BusRealViewController::alertViewClickedButtonAtIndex(platform::AlertView&, int buttonIndex) {
    // The cancel button is 0; the others are the distances in order.
    if (buttonIndex >= 1 && buttonIndex <= live::kMaxReminderStops) armReminder(buttonIndex);
}

void BusRealViewController::armReminder(int stops) {
    auto& defaults = platform::UserDefaults::standard();
    defaults.setObject(stops, live::kReminderStopsKey);
    defaults.synchronize();
    reminderStops = stops;
    showReminderImage();
    if (refreshSeconds_ > 0) return;
    std::weak_ptr<BusRealViewController> weak = std::static_pointer_cast<BusRealViewController>(shared_from_this());
    if (reminderRefresh_) reminderRefresh_->invalidate();
    reminderRefresh_ = platform::RunLoop::main().scheduleTimer(live::kReminderRefreshSeconds, true,
                                                               [weak](platform::Timer&) {
                                                                   if (auto self = weak.lock()) self->tick();
                                                               });
}

void BusRealViewController::disarmReminder() {
    reminderStops = 0;
    if (reminderRefresh_) reminderRefresh_->invalidate();
    reminderRefresh_.reset();
    showReminderImage();
}

void BusRealViewController::showReminderImage() {
    if (reminderImageView) reminderImageView->setImage(reminderStops > 0 ? "到站提醒开.png" : "到站提醒.png");
    a11y::describeReminder(*this);
}

void BusRealViewController::checkReminder(const std::vector<BusReal>& vehicles) {
    if (reminderStops == 0) return;
    const auto approach = live::nearestApproach(vehicles, waitingStop());
    if (!approach || approach->stops > reminderStops) return;
    disarmReminder();
    const std::string text = live::arrivalText(*approach);
    showTransientNotice(text);
    const std::string line = _busLine ? textValue(_busLine->lineName) : "";
    platform::UserNotifications::current()->post(text, line + " " + handedOver.currentStation);
}

// ---- What the route's views tell ----

std::weak_ptr<BusRealUIViewDelegate> BusRealViewController::routeDelegate() {
    return std::static_pointer_cast<BusRealViewController>(shared_from_this());
}

void BusRealViewController::routeViewChoseStop(BusRealUIView& view, long long orderNo) {
    storeOrderNoAndPost(view, orderNo);
}

void BusRealViewController::routeViewToggledFavourite(BusRealUIView& view) {
    if (const auto& favourite = view.busCollection()) {
        city::removeFavourite(*favourite);
        showTransientNotice(tr("取消收藏成功"));
    } else {
        const BusLine& line = view.busLine();
        BusCollection record;
        record.stationName = view.busStation().stationName;
        record.orderNo = view.busStation().orderNo;
        record.lineName = line.lineName;
        record.gprsId = line.gprsId;
        record.direction = line.direction;
        record.lineId = line.uid;
        record.endLine = line.endStation;
        city::addFavourite(std::move(record));
        showTransientNotice(tr("收藏成功"));
    }
    // The same waiting stop again: the rebuild shows the control's new state.
    storeOrderNoAndPost(view, view.orderNo());
}

// The waiting stop goes to the preference, then the notice names the view
// it came from, so that only the screen holding that view rebuilds.
void BusRealViewController::storeOrderNoAndPost(BusRealUIView& view, long long orderNo) {
    platform::UserDefaults::standard().setObject(std::to_string(orderNo), prefs::kOrderNo);
    platform::NotificationCenter::defaultCenter().postNotificationName(BusRealUIView::kUpdateOrderNo, &view);
}

}  // namespace bus
