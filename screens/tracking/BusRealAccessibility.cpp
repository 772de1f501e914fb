#include "screens/tracking/BusRealAccessibility.h"

#include "model/Value.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "screens/common/Accessibility.h"
#include "screens/tracking/BusRealUIView.h"
#include "screens/tracking/BusRealViewController.h"

namespace bus::a11y {

namespace {

constexpr char kNoInfo[] = "暂无信息";

// What a row says in its own views (name, number, images) the row's
// button says whole; only the views of their own stay in the tree.
void hideAllBut(ui::View& row, const std::string& keptText) {
    for (const auto& child : row.subviews()) {
        const bool ownControl = dynamic_cast<ui::Button*>(child.get()) || ui::accessibility::isActionable(*child);
        if (!ownControl && (keptText.empty() || child->text() != keptText)) child->setAccessibilityElementsHidden(true);
    }
}

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

void describeStopRow(BusRealUIView& row) {
    const long long number = integerValue(row.busStation().orderNo);
    const bool favourite = row.busCollection().has_value();
    const char* place = number == row.orderNo() ? "等车站" : number < row.orderNo() ? "已过站" : "未过站";
    // Every row of every rebuild makes one: appended in place.
    std::string name = stopNumber(number);
    name.append(" ").append(textValue(row.busStation().stationName)).append("，").append(place);
    if (favourite) name.append("，已收藏");
    for (const auto& child : row.subviews()) {
        if (dynamic_cast<ui::Button*>(child.get())) {
            child->setAccessibilityLabel(name);
            child->setAccessibilityIdentifier("stop." + std::to_string(number));
            if (number != row.orderNo()) child->setAccessibilityHint("设为等车站");
        } else if (ui::accessibility::isActionable(*child)) {
            child->setAccessibilityLabel(starName(favourite));
            child->setAccessibilityIdentifier("star");
        }
    }
    // The waiting stop keeps its heading over the nearest vehicles.
    hideAllBut(row, number == row.orderNo() ? "最近三辆车：" : "");
}

void describeVehicle(BusRealUIView& marker) {
    const BusReal& vehicle = marker.busReal();
    const std::string plate = textValue(vehicle.licensePlate);
    const std::string name =
        plate + "，" + vehiclePlace(integerValue(vehicle.stationNo), integerValue(vehicle.inStation) == 1);
    for (const auto& child : marker.subviews())
        if (dynamic_cast<ui::Button*>(child.get())) {
            child->setAccessibilityLabel(name);
            child->setAccessibilityIdentifier("vehicle." + plate);
            child->setAccessibilityHint("在此车前一站等车");
        }
    hideAllBut(marker, "");
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
    if (auto age = screen.ageLabel.lock()) {
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
