#include "screens/tracking/BusRealAccessibility.h"

#include "model/Value.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "screens/common/Accessibility.h"
#include "screens/tracking/BusRealUIView.h"
#include "screens/tracking/BusRealViewController.h"
#include "transit/LiveRules.h"

namespace bus::a11y {

namespace {

constexpr char kNoInfo[] = "暂无信息";

void describeImageControl(const std::weak_ptr<ui::ImageView>& image, const std::string& name,
                          const std::string& identifier) {
    if (auto view = image.lock()) {
        view->setAccessibilityLabel(name);
        view->setAccessibilityIdentifier(identifier);
    }
}

}  // namespace

std::string vehiclePlace(long long stationNo, bool inStation) {
    if (inStation || stationNo <= 1) return "在" + stopNumber(stationNo);
    return stopNumber(stationNo - 1) + "与" + stopNumber(stationNo) + "之间";
}

namespace {

// The names of a row and a marker are made when asked, from the button
// that speaks for them: a rebuild makes none.
const BusRealUIView* owner(const ui::View& button) { return dynamic_cast<const BusRealUIView*>(button.superview()); }

std::string stopRowName(const ui::View& button) {
    const BusRealUIView* row = owner(button);
    if (!row) return {};
    const long long number = integerValue(row->busStation().orderNo);
    const char* place = number == row->orderNo() ? "等车站" : number < row->orderNo() ? "已过站" : "未过站";
    std::string name = stopNumber(number);
    name.append(" ").append(textValue(row->busStation().stationName)).append("，").append(place);
    if (row->busCollection()) name.append("，已收藏");
    if (row->alerted) name.append("，").append(live::kAlertMark);
    return name;
}

std::string vehicleName(const ui::View& button) {
    const BusRealUIView* marker = owner(button);
    if (!marker) return {};
    const BusReal& vehicle = marker->busReal();
    return textValue(vehicle.licensePlate) + "，" +
           vehiclePlace(integerValue(vehicle.stationNo), integerValue(vehicle.inStation) == 1);
}

}  // namespace

void describeStopRow(BusRealUIView& row) {
    const long long number = integerValue(row.busStation().orderNo);
    const bool waiting = number == row.orderNo();
    for (const auto& child : row.subviews()) {
        if (dynamic_cast<ui::Button*>(child.get())) {
            child->setAccessibilityLabelProvider(stopRowName);
            child->setAccessibilityIdentifier("stop." + std::to_string(number));
            if (!waiting) child->setAccessibilityHint("设为等车站");
        } else if (ui::accessibility::isActionable(*child)) {
            child->setAccessibilityLabel(starName(row.busCollection().has_value()));
            child->setAccessibilityIdentifier("star");
        } else if (!waiting || child->text() != "最近三辆车：") {
            // The name and number are in the button's name; the waiting stop
            // keeps its heading over the nearest vehicles.
            child->setAccessibilityElementsHidden(true);
        }
    }
}

void describeVehicle(BusRealUIView& marker) {
    for (const auto& child : marker.subviews()) {
        if (dynamic_cast<ui::Button*>(child.get())) {
            child->setAccessibilityLabelProvider(vehicleName);
            child->setAccessibilityIdentifier("vehicle." + textValue(marker.busReal().licensePlate));
            child->setAccessibilityHint("在此车前一站等车");
        } else {
            child->setAccessibilityElementsHidden(true);  // the picture and the count of the vehicles drawn as one
        }
    }
}

void describeNearest(BusRealUIView& panel) {
    int k = 0;
    for (const auto& child : panel.subviews()) {
        if (!dynamic_cast<ui::Label*>(child.get())) continue;
        ++k;
        const std::string text = child->text().empty() ? std::string(kNoInfo) : child->text();
        child->setAccessibilityLabel("最近第" + std::to_string(k) + "辆：" + text);
        child->setAccessibilityIdentifier("nearest." + std::to_string(k));
        child->setAccessibilityTraits(ui::AccessibilityTrait::StaticText | ui::AccessibilityTrait::UpdatesFrequently);
    }
}

void describeLiveControls(BusRealViewController& screen) {
    describeImageControl(screen.tabUIImageView, "切换方向", "switch");
    describeImageControl(screen.refUIImageView, "刷新", "refresh");
    if (const auto& age = screen.ageLabel) {
        age->setAccessibilityIdentifier("age");
        age->setAccessibilityTraits(ui::AccessibilityTrait::StaticText | ui::AccessibilityTrait::UpdatesFrequently);
        age->setAccessibilityHint("数据过期时点击刷新");
    }
    describeReminder(screen);
}

void describeReminder(BusRealViewController& screen) {
    const int stops = screen.reminderStops;
    describeImageControl(screen.reminderImageView,
                         stops > 0 ? "到站提醒：还有" + std::to_string(stops) + "站时提醒，点击取消" : "到站提醒",
                         "reminder");
}

}  // namespace bus::a11y
