#include "screens/tracking/BusRealAccessibility.h"

#include <algorithm>

#include "model/Value.h"
#include "platform/Translation.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "screens/common/Accessibility.h"
#include "screens/tracking/BusRealUIView.h"
#include "screens/tracking/BusRealViewController.h"
#include "transit/LiveRules.h"

namespace bus::a11y {

using platform::counted;
using platform::fill;
using platform::tr;

namespace {

// Between the parts of a name, as the screen reader says them.
std::string separator() {
    // TRANSLATORS: joins the parts of a spoken name: "晋B12345，在第6站".
    return platform::trc("spoken name", "，");
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
    // TRANSLATORS: where a bus is, by its stop's number.
    if (inStation || stationNo <= 1) return fill(tr("在第{}站"), {std::to_string(stationNo)});
    // TRANSLATORS: where a bus is: on its way from one numbered stop to the next.
    return fill(tr("第{0}站与第{1}站之间"), {std::to_string(stationNo - 1), std::to_string(stationNo)});
}

namespace {

// The names of a row and a marker are made when asked, from the button
// that speaks for them: a rebuild makes none.
const BusRealUIView* owner(const ui::View& button) { return dynamic_cast<const BusRealUIView*>(button.superview()); }

std::string stopRowName(const ui::View& button) {
    const BusRealUIView* row = owner(button);
    if (!row) return {};
    const long long number = integerValue(row->busStation().orderNo);
    // TRANSLATORS: a stop row's place: the rider's stop, one the bus reaches before it, or after it.
    const std::string place = number == row->orderNo()  ? tr("等车站")
                              : number < row->orderNo() ? tr("已过站")
                                                        : tr("未过站");
    // TRANSLATORS: a stop row's spoken name: its number, its name and its place, "第5站 古城墙，等车站".
    std::string name = fill(tr("第{0}站 {1}，{2}"),
                            {std::to_string(number), textValue(row->busStation().stationName), place});
    // TRANSLATORS: said after a stop row's name when the stop is a favourite.
    if (row->busCollection()) name.append(platform::trc("stop row", "，已收藏"));
    if (row->alerted) name.append(separator()).append(tr(live::kAlertMark));
    return name;
}

std::string vehicleName(const ui::View& button) {
    const BusRealUIView* marker = owner(button);
    if (!marker) return {};
    const BusReal& vehicle = marker->busReal();
    return textValue(vehicle.licensePlate) + separator() +
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
            if (!waiting) child->setAccessibilityHint(tr("设为等车站"));
        } else if (ui::accessibility::isActionable(*child)) {
            child->setAccessibilityLabel(starName(row.busCollection().has_value()));
            child->setAccessibilityIdentifier("star");
        } else if (child.get() != row.nearestCaption()) {
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
            child->setAccessibilityHint(tr("在此车前一站等车"));
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
        const std::string text = child->text().empty() ? tr(BusRealUIView::kNoInfo) : child->text();
        // TRANSLATORS: a box of the nearest buses, nearest first: "最近第1辆：还有2站".
        child->setAccessibilityLabel(fill(tr("最近第{0}辆：{1}"), {std::to_string(k), text}));
        child->setAccessibilityIdentifier("nearest." + std::to_string(k));
        child->setAccessibilityTraits(ui::AccessibilityTrait::StaticText | ui::AccessibilityTrait::UpdatesFrequently);
    }
}

void describeLiveControls(BusRealViewController& screen) {
    describeImageControl(screen.tabUIImageView, tr("切换方向"), "switch");
    describeImageControl(screen.refUIImageView, tr("刷新"), "refresh");
    if (const auto& age = screen.ageLabel) {
        age->setAccessibilityIdentifier("age");
        age->setAccessibilityTraits(ui::AccessibilityTrait::StaticText | ui::AccessibilityTrait::UpdatesFrequently);
        age->setAccessibilityHint(tr("数据过期时点击刷新"));
    }
    describeReminder(screen);
}

void describeReminder(BusRealViewController& screen) {
    const unsigned long stops = static_cast<unsigned long>(std::max(screen.reminderStops, 0));
    // TRANSLATORS: the bell of a reminder armed for a bus that many stops away.
    const std::string armed = counted("到站提醒：还有{}站时提醒，点击取消", "到站提醒：还有{}站时提醒，点击取消", stops);
    describeImageControl(screen.reminderImageView, stops > 0 ? armed : tr("到站提醒"), "reminder");
}

}  // namespace bus::a11y
