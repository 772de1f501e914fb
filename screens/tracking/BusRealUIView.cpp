#include "screens/tracking/BusRealUIView.h"

#include "model/Value.h"
#include "platform/NotificationCenter.h"
#include "platform/Translation.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "screens/tracking/BusRealAccessibility.h"

namespace bus {
namespace {

const ui::Color kWaitingNameColor = ui::Color::rgba(85.0 / 255, 205.0 / 255, 1.0, 1.0);
const ui::Color kEmptyTitleColor = ui::Color::rgba(0, 0.4784, 1, 1);

// A number as a plain decimal, as a default number formatter writes it.
std::string plainNumber(const json& value) { return std::to_string(integerValue(value)); }

std::shared_ptr<ui::Button> fullSizeButton(const ui::View& view) {
    return std::make_shared<ui::Button>(ui::ButtonType::System, ui::Rect{0, 0, view.frame().width(),
                                                                         view.frame().height()});
}

}  // namespace

std::shared_ptr<BusRealUIView> BusRealUIView::initBusStation(const ui::Rect& frame, BusStation busStation,
                                                             long long orderNo,
                                                             std::optional<BusCollection> busCollection,
                                                             BusLine busLine) {
    auto view = std::make_shared<BusRealUIView>(Key{}, frame);
    view->_orderNo = orderNo;
    view->_busStation = std::move(busStation);
    view->_busCollection = std::move(busCollection);
    view->_busLine = std::move(busLine);
    view->addLabelName();
    view->addLineImage();
    view->addLabelImage();
    view->addLabelNo();
    view->addButton();
    view->addCurrOrderNo();
    view->addCollecImage();
    a11y::describeStopRow(*view);
    return view;
}

std::shared_ptr<BusRealUIView> BusRealUIView::initBusReal(const ui::Rect& frame, BusReal busReal, long long orderNo) {
    auto view = std::make_shared<BusRealUIView>(Key{}, frame);
    view->_busReal = std::move(busReal);
    view->_orderNo = orderNo;
    view->tag = kLiveItemTag;
    view->addImageCar();
    view->addRealButton();
    a11y::describeVehicle(*view);
    return view;
}

std::shared_ptr<BusRealUIView> BusRealUIView::initBusRealDetailed(const ui::Rect& frame,
                                                                  std::vector<std::string> info) {
    auto view = std::make_shared<BusRealUIView>(Key{}, frame);
    view->_recArrayStation = std::move(info);
    view->tag = kLiveItemTag;
    view->addCurrOrderLabel();
    a11y::describeNearest(*view);
    return view;
}

std::shared_ptr<BusRealUIView> BusRealUIView::initEmpty(const ui::Rect& frame) {
    auto view = std::make_shared<BusRealUIView>(Key{}, frame);
    view->addEmptyButton();
    return view;
}

BusRealUIView::StopClass BusRealUIView::stopClass() const {
    const long long n = integerValue(_busStation.orderNo);
    if (n == _orderNo) return StopClass::Waiting;
    return n < _orderNo ? StopClass::Before : StopClass::After;
}

void BusRealUIView::addLabelName() {
    const bool waiting = stopClass() == StopClass::Waiting;
    addSubview(ui::makeLabel({80, 20, frame().width(), 20}, textValue(_busStation.stationName),
                             ui::Font::boldSystem(18), waiting ? kWaitingNameColor : ui::Color::black()));
}

void BusRealUIView::addLineImage() {
    const double y = stopClass() == StopClass::Waiting ? 135 : 60;
    addSubview(std::make_shared<ui::ImageView>(ui::Rect{80, y, frame().width(), 1}, "分割线.png"));
}

void BusRealUIView::addLabelImage() {
    const StopClass cls = stopClass();
    const char* icon = cls == StopClass::Waiting ? "等车站.png" : cls == StopClass::After ? "未过站.png" : "已过站.png";
    addSubview(std::make_shared<ui::ImageView>(ui::Rect{50, 20, 22, 22}, icon));
    // The last stop of a direction has nothing below it to connect to.
    if (integerValue(_busStation.flagId) == 2) return;
    const double height = cls == StopClass::Waiting ? 110 : 48;
    const char* line = cls == StopClass::Before ? "过站连接线.png" : "连接线.png";
    addSubview(std::make_shared<ui::ImageView>(ui::Rect{59, 42, 4, height}, line));
}

void BusRealUIView::addLabelNo() {
    const StopClass cls = stopClass();
    if (cls == StopClass::Waiting) return;
    addSubview(ui::makeLabel({50, 20, 22, 22}, plainNumber(_busStation.orderNo), ui::Font::boldSystem(15),
                             cls == StopClass::After ? ui::Color::white() : ui::Color::gray(),
                             ui::TextAlignment::Center));
}

void BusRealUIView::addButton() {
    auto button = fullSizeButton(*this);
    button->tag = integerValue(_busStation.orderNo);
    addTargetTo(*button, &BusRealUIView::orderButton);
    addSubview(button);
}

void BusRealUIView::addCurrOrderNo() {
    if (stopClass() != StopClass::Waiting) return;
    // TRANSLATORS: the heading of the three nearest buses' boxes; the age label starts some 95 points on.
    std::string heading = platform::tr("最近三辆车：");
    auto caption = ui::makeLabel({80, 50, frame().width(), 20}, std::move(heading), ui::Font::boldSystem(15));
    nearestCaption_ = caption;
    addSubview(std::move(caption));
    for (double x : {80.0, 156.0, 232.0})
        addSubview(std::make_shared<ui::ImageView>(ui::Rect{x, 80, 75, 50}, "最近三辆车底色.png"));
}

void BusRealUIView::addCollecImage() {
    const bool favourite = _busCollection.has_value();
    const ui::Rect at{frame().width() - 50, 20, 25, 25};
    if (stopClass() != StopClass::Waiting) {
        // A mark only: a tap on it goes on to the row's button.
        if (favourite) addSubview(std::make_shared<ui::ImageView>(at, "收藏成功.png"));
        return;
    }
    auto control = std::make_shared<ui::ImageView>(at, favourite ? "收藏成功.png" : "点击收藏.png");
    control->addGestureRecognizer(tapTo(favourite ? &BusRealUIView::clickCancelCell : &BusRealUIView::clickCell));
    control->tag = integerValue(_busStation.orderNo);
    control->restorationIdentifier = "up";
    control->userInteractionEnabled = true;
    addSubview(control);
}

void BusRealUIView::addImageCar() {
    auto car = std::make_shared<ui::ImageView>(ui::Rect{0, 5, 50, 50});
    const long long count = integerValue(_busReal.busNum);
    if (integerValue(_busReal.stationNo) > _orderNo) {
        car->setImage("过站巴士.png");
        addSubview(car);
        return;
    }
    car->setImage(count == 1 ? "bus.png" : "两辆巴士.png");
    addSubview(car);
    if (count != 1)
        addSubview(ui::makeLabel({28, 15, 13, 13}, plainNumber(_busReal.busNum), ui::Font::boldSystem(12),
                                 ui::Color::white()));
}

void BusRealUIView::addRealButton() {
    auto button = fullSizeButton(*this);
    // One stop before the vehicle, so the tapped vehicle stands just past the
    // new waiting stop.
    button->tag = saturatingSub(integerValue(_busReal.stationNo), 1);
    addTargetTo(*button, &BusRealUIView::orderButton);
    addSubview(button);
}

void BusRealUIView::addCurrOrderLabel() {
    for (std::size_t k = 0; k < 3; ++k) {
        const std::string text = _recArrayStation.size() > k ? _recArrayStation[k] : platform::tr(kNoInfo);
        auto label = ui::makeLabel({75.0 * static_cast<double>(k), 0, 75, 50}, text, ui::Font::boldSystem(15),
                                   ui::Color::white(), ui::TextAlignment::Center);
        // An English city's "12 stops away" is wider than the box: smaller, not cut.
        label->adjustsFontSizeToFitWidth = true;
        label->minimumScaleFactor = 0.7;
        addSubview(std::move(label));
    }
}

void BusRealUIView::addEmptyButton() {
    auto button = fullSizeButton(*this);
    button->setTitle(platform::tr("清空历史记录"));
    button->setTitleColor(kEmptyTitleColor);
    button->tintColor = ui::Color::black();
    button->titleFont = ui::Font::system(18);
    addTargetTo(*button, &BusRealUIView::emptyButton);
    addSubview(button);
}

std::shared_ptr<ui::TapGestureRecognizer> BusRealUIView::tapTo(
    void (BusRealUIView::*action)(ui::TapGestureRecognizer&)) {
    // Weak: the recogniser belongs to a subview that someone may hold longer
    // than this view lives.
    std::weak_ptr<BusRealUIView> weak = std::static_pointer_cast<BusRealUIView>(shared_from_this());
    return std::make_shared<ui::TapGestureRecognizer>([weak, action](ui::TapGestureRecognizer& r) {
        if (auto self = weak.lock()) ((*self).*action)(r);
    });
}

void BusRealUIView::addTargetTo(ui::Control& control, void (BusRealUIView::*action)(ui::Control&)) {
    std::weak_ptr<BusRealUIView> weak = std::static_pointer_cast<BusRealUIView>(shared_from_this());
    control.addTarget(
        this,
        [weak, action](ui::Control& sender) {
            if (auto self = weak.lock()) ((*self).*action)(sender);
        },
        ui::ControlEventTouchUpInside);
}

void BusRealUIView::orderButton(ui::Control& sender) {
    if (auto told = delegate.lock()) told->routeViewChoseStop(*this, sender.tag);
}

void BusRealUIView::clickCell(ui::TapGestureRecognizer&) {
    if (auto told = delegate.lock()) told->routeViewToggledFavourite(*this);
}

void BusRealUIView::clickCancelCell(ui::TapGestureRecognizer&) {
    if (auto told = delegate.lock()) told->routeViewToggledFavourite(*this);
}

void BusRealUIView::emptyButton(ui::Control&) {
    platform::NotificationCenter::defaultCenter().postNotificationName(kEmptyButton, this);
}

}  // namespace bus
