#include "screens/tracking/BusRealViewController.h"

#include "model/Preferences.h"
#include "model/Value.h"
#include "platform/Thread.h"
#include "platform/UserNotifications.h"
#include "platform/UserDefaults.h"
#include "screens/tracking/BusRealAccessibility.h"
#include "screens/tracking/BusRealExtras.h"
#include "screens/tracking/BusRealMainThread.h"
#include "screens/tracking/BusRealUIView.h"
#include "service/Operations.h"
#include "service/SoapService.h"

namespace bus {
namespace {

constexpr std::size_t kNearestCount = 3;
constexpr double kArrivalNoticeSeconds = 3;
const ui::Color kAgeColor = ui::Color::darkGray();
const ui::Color kStaleColor = ui::Color::rgba(0.85, 0.2, 0.1);

std::string queryLineContent(std::int64_t direction, std::int64_t lineId) {
    return SoapService::initWithPostUrl(ops::kQueryLine)
        .PostSync({{"direction", direction}, {"lineId", lineId}})
        .Content;
}

}  // namespace

BusRealViewController::BusRealViewController() {
    declareKey("lineId", lineId);
    declareKey("direction", direction);
    declareKey("currentStation", currentStation);
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
    _orderNo = currentStation.empty() ? kDefaultWaitingStop : kByNameMarker;
    tag = 1;
    // Posted by the route views' taps, so the handler runs on the main thread.
    orderNoObservation_ = platform::NotificationCenter::defaultCenter().addObserver(
        BusRealUIView::kUpdateOrderNo, [this](const platform::Notification& n) { handleColorChange(n); });
    attachTap(tabUIImageView.lock(), "up", &BusRealViewController::clickImage);
    attachTap(refUIImageView.lock(), "upRef", &BusRealViewController::clickRef);
    attachTap(ageLabel.lock(), "age", &BusRealViewController::clickAge);
    attachTap(reminderImageView.lock(), "reminder", &BusRealViewController::clickReminder);
    a11y::describeLiveControls(*this);
    showReminderImage();
    addStation();
    addReal();
    startTimer();
}

void BusRealViewController::viewDidAppear(bool animated) {
    ui::ViewController::viewDidAppear(animated);
    endLoading2();
    showDataAge();
    if (ageTimer_) ageTimer_->invalidate();
    std::weak_ptr<BusRealViewController> weak = std::static_pointer_cast<BusRealViewController>(shared_from_this());
    ageTimer_ = platform::RunLoop::main().scheduleTimer(1, true, [weak](platform::Timer&) {
        if (auto self = weak.lock()) self->showDataAge();
    });
}

void BusRealViewController::viewWillDisappear(bool animated) {
    ui::ViewController::viewWillDisappear(animated);
    if (timer) timer->invalidate();
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
        if (auto self = weak.lock()) self->addReal();
    });
}

void BusRealViewController::startIndicator() {
    if (indicator) indicator->startAnimating();
}

void BusRealViewController::endLoading2() {
    if (indicator) indicator->stopAnimating();
}

long long BusRealViewController::waitingStop() const { return integerValue(_orderNo); }

// ---- The line and its stop rows ----

void BusRealViewController::reloadFavourites() {
    const json cityId = platform::UserDefaults::standard().objectForKey(prefs::kCityId).value_or(json());
    BusCollection access;
    dictionary.clear();
    // Later records of one stop replace earlier ones.
    for (auto& record : access.query(cityId, lineId, direction))
        dictionary[integerValue(record.orderNo)] = std::move(record);
}

void BusRealViewController::addStation() {
    reloadFavourites();
    applyLine(queryLineContent(integerValue(direction), integerValue(lineId)));
}

void BusRealViewController::applyLine(const std::string& content) {
    if (content.empty()) {
        if (_busLine) _busLine->gprsId = json();
        return;
    }
    auto reading = ops::readLine(content);
    // A reply that is not one JSON object shows as a line without stops.
    if (!reading.line) reading.stations.clear();
    _busLine = reading.line.value_or(BusLine{});
    _busLine->direction = direction;
    _busLine->uid = lineId;
    if (auto image = tabUIImageView.lock()) image->setImage(integerValue(direction) != 0 ? "切换1.png" : "切换2.png");
    muArrayStation = std::move(reading.stations);
    if (auto scroll = realScrollView.lock())
        scroll->contentSize = {0, kRowHeight * static_cast<double>(muArrayStation.size()) + kRowHeight};
    buildStationRows(true);
    showTitles();
    if (tag == 1) {
        setFirstScrollPosition();
        tag = 0;
    }
}

void BusRealViewController::updateStation() {
    reloadFavourites();
    if (auto scroll = realScrollView.lock())
        scroll->contentSize = {0, kRowHeight * static_cast<double>(muArrayStation.size()) + kRowHeight};
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
    double counter = -20;
    for (std::size_t i = 0; i < muArrayStation.size(); ++i) {
        const BusStation& station = muArrayStation[i];
        resolveWaitingStop(i, station);
        std::optional<BusCollection> favourite;
        if (auto it = dictionary.find(integerValue(station.orderNo)); it != dictionary.end()) favourite = it->second;
        scroll->addSubview(BusRealUIView::initBusStation(rowFrame(i, counter), station,
                                                         static_cast<int>(waitingStop()), std::move(favourite),
                                                         _busLine.value_or(BusLine{})));
        counter += kRowHeight;
    }
}

void BusRealViewController::resolveWaitingStop(std::size_t index, const BusStation& station) {
    if (waitingStop() == kByNameMarker) {
        if (currentStation == textValue(station.stationName) || index + 1 == muArrayStation.size())
            _orderNo = station.orderNo;
    } else if (waitingStop() == integerValue(station.orderNo)) {
        currentStation = textValue(station.stationName);
    }
}

ui::Rect BusRealViewController::rowFrame(std::size_t index, double counter) {
    const double w = view()->frame().width();
    const long long i = static_cast<long long>(index);
    const long long o = waitingStop();
    if (i == 0) return {0, -20, w, kRowHeight};
    if (i == o - 1) return {0, counter, w, kWaitingRowHeight};
    if (i > o - 1) return {0, counter + (kWaitingRowHeight - kRowHeight), w, kRowHeight};
    return {0, counter, w, kRowHeight};
}

void BusRealViewController::showTitles() {
    const BusLine& line = *_busLine;
    navigationItem().setTitle(textValue(line.lineName));
    if (auto label = lineTitle.lock()) label->setText("开往 " + textValue(line.endStation) + "方向");
    if (auto label = smbUILabel.lock())
        label->setText("首末班:" + textValue(line.opTime) + " ￥" + textValue(line.ticketPrice));
}

void BusRealViewController::setFirstScrollPosition() {
    auto scroll = realScrollView.lock();
    if (!scroll) return;
    const double o = static_cast<double>(waitingStop());
    const double height = scroll->contentSize.height;
    double y = o < 9 ? 0 : 60 * o - 270;
    if (60 * o - 540 > height - 800) y = height - 520;
    scroll->setContentOffset({0, y});
}

// ---- Vehicles ----

void BusRealViewController::addReal() {
    removeLiveItems();
    const auto request = vehicleRequest();
    if (!request) return;
    auto reply = ops::realBusReply(request->gprsId, request->orderNo, request->direction);
    noteVehicles(reply.vehicles, reply.answered);
    placeVehicles(std::move(reply.vehicles));
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
    return VehicleRequest{integerValue(_busLine->gprsId), waitingStop(), integerValue(direction)};
}

void BusRealViewController::placeVehicles(std::vector<BusReal> vehicles) {
    removeLiveItems();
    auto scroll = realScrollView.lock();
    if (!scroll || vehicles.empty()) return;
    std::vector<std::string> nearest;
    const int o = static_cast<int>(waitingStop());
    for (auto& vehicle : countedVehicles(std::move(vehicles), nearest)) {
        const ui::Rect frame = vehicleFrame(vehicle);
        scroll->addSubview(BusRealUIView::initBusReal(frame, std::move(vehicle), o));
    }
    scroll->addSubview(BusRealUIView::initBusRealDetailed({80, 60.0 * o - 1, 250, 50}, std::move(nearest)));
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
    if (s == 2 && k == 0) return {5, -12, 200, 35};
    if (s > static_cast<double>(waitingStop())) return {5, 30 * k + 60 * s - 40, 50, 40};
    return {5, 30 * k + 60 * s - 110, 50, 40};
}

// ---- Rebuilds: a new waiting stop, a refresh by hand, a direction switch ----

void BusRealViewController::handleColorChange(const platform::Notification&) {
    disarmReminder();
    startIndicator();
    handleColorChangeThread();
}

void BusRealViewController::handleColorChangeThread() {
    std::weak_ptr<BusRealViewController> weak = std::static_pointer_cast<BusRealViewController>(shared_from_this());
    // The worker only queues; the rebuild and the indicator's stop run on the
    // main thread, in that order.
    platform::detachNewThread([weak] {
        platform::performOnMainThread([weak] {
            if (auto self = weak.lock()) self->rebuildForOrderNo();
        });
        platform::performOnMainThread([weak] {
            if (auto self = weak.lock()) self->endLoading2();
        });
    });
}

void BusRealViewController::rebuildForOrderNo() {
    if (auto scroll = realScrollView.lock()) scroll->removeAllSubviews();
    _orderNo = platform::UserDefaults::standard().objectForKey(prefs::kOrderNo).value_or(json());
    updateStation();
    addReal();
}

void BusRealViewController::clickRef(ui::TapGestureRecognizer&) {
    platform::UserDefaults::standard().setObject(textValue(_orderNo), prefs::kOrderNo);
    startIndicator();
    handleColorChangeThread();
}

void BusRealViewController::clickImage(ui::TapGestureRecognizer&) {
    disarmReminder();
    startIndicator();
    std::weak_ptr<BusRealViewController> weak = std::static_pointer_cast<BusRealViewController>(shared_from_this());
    platform::detachNewThread([weak] { switchDirection(weak); });
}

// On the worker thread: the two requests here, every change of state and
// views in tasks on the main thread, in order.
void BusRealViewController::switchDirection(std::weak_ptr<BusRealViewController> weak) {
    const auto line = askMainThread<LineRequest>([weak]() -> std::optional<LineRequest> {
        if (auto self = weak.lock()) return self->beginDirectionSwitch();
        return std::nullopt;
    });
    if (!line) return;
    const std::string content = queryLineContent(line->direction, line->lineId);
    const auto vehicles = askMainThread<VehicleRequest>([weak, content]() -> std::optional<VehicleRequest> {
        if (auto self = weak.lock()) return self->finishLineOfSwitch(content);
        return std::nullopt;
    });
    if (vehicles) {
        auto found = std::make_shared<ops::RealBusReply>(
            ops::realBusReply(vehicles->gprsId, vehicles->orderNo, vehicles->direction));
        platform::performOnMainThread([weak, found] {
            if (auto self = weak.lock()) {
                self->noteVehicles(found->vehicles, found->answered);
                self->placeVehicles(std::move(found->vehicles));
            }
        });
    }
    platform::performOnMainThread([weak] {
        if (auto self = weak.lock()) self->endLoading2();
    });
}

BusRealViewController::LineRequest BusRealViewController::beginDirectionSwitch() {
    direction = 1 - integerValue(direction);
    if (auto scroll = realScrollView.lock()) scroll->removeAllSubviews();
    _orderNo = kByNameMarker;
    tag = 1;
    reloadFavourites();
    return {integerValue(direction), integerValue(lineId)};
}

std::optional<BusRealViewController::VehicleRequest> BusRealViewController::finishLineOfSwitch(
    const std::string& content) {
    applyLine(content);
    removeLiveItems();
    return vehicleRequest();
}

// ---- The data's age and the arrival reminder ----

void BusRealViewController::noteVehicles(const std::vector<BusReal>& vehicles, bool answered) {
    lastFailed_ = !answered;
    if (answered) lastAnswered_ = platform::RunLoop::main().now();
    showDataAge();
    checkReminder(vehicles);
}

void BusRealViewController::showDataAge() {
    auto label = ageLabel.lock();
    if (!label) return;
    // Nothing asked yet, or a line without live data: nothing to age.
    if (!lastAnswered_ && !lastFailed_) {
        label->setText("");
        return;
    }
    const double age = lastAnswered_ ? platform::RunLoop::main().now() - *lastAnswered_ : 0;
    const bool stale =
        lastFailed_ || static_cast<double>(live::wholeSeconds(age)) > live::staleAfterSeconds(refreshSeconds_);
    label->setText(stale ? live::kStaleText : live::dataAgeText(age));
    label->textColor = stale ? kStaleColor : kAgeColor;
}

void BusRealViewController::clickAge(ui::TapGestureRecognizer& sender) {
    auto label = ageLabel.lock();
    if (label && label->text() == live::kStaleText) clickRef(sender);
}

void BusRealViewController::clickReminder(ui::TapGestureRecognizer&) {
    if (reminderStops > 0) {
        disarmReminder();
        return;
    }
    const long long last = integerValue(
        platform::UserDefaults::standard().objectForKey(live::kReminderStopsKey).value_or(json()));
    std::string message = "车辆离" + currentStation + "几站时提醒";
    if (last >= 1 && last <= live::kMaxReminderStops) message += "（上次" + std::to_string(last) + "站）";
    platform::AlertView::create("到站提醒", message, this, "取消", {"1站", "2站", "3站"})->show();
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
                                                                   if (auto self = weak.lock()) self->addReal();
                                                               });
}

void BusRealViewController::disarmReminder() {
    reminderStops = 0;
    if (reminderRefresh_) reminderRefresh_->invalidate();
    reminderRefresh_.reset();
    showReminderImage();
}

void BusRealViewController::showReminderImage() {
    if (auto image = reminderImageView.lock()) image->setImage(reminderStops > 0 ? "到站提醒开.png" : "到站提醒.png");
    a11y::describeReminder(*this);
}

void BusRealViewController::checkReminder(const std::vector<BusReal>& vehicles) {
    if (reminderStops == 0) return;
    const auto approach = live::nearestApproach(vehicles, waitingStop());
    if (!approach || approach->stops > reminderStops) return;
    disarmReminder();
    const std::string text = live::arrivalText(*approach);
    auto notice = platform::AlertView::create(text, "");
    notice->show();
    // The delayed call holds only the notice, so the screen may go first.
    platform::RunLoop::main().performAfterDelay(kArrivalNoticeSeconds, [notice] {
        if (notice->isVisible()) notice->dismissWithClickedButtonIndex(0, true);
    });
    const std::string line = _busLine ? textValue(_busLine->lineName) : "";
    platform::UserNotifications::current()->post(text, line + " " + currentStation);
}

}  // namespace bus
