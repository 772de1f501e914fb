#include "screens/common/Accessibility.h"

#include "model/Value.h"
#include "platform/ui/Accessibility.h"
#include "transit/LiveRules.h"

namespace bus::a11y {

namespace {

constexpr char kNoLiveText[] = "无实时信息";

// The views of a row's content that can be used on their own (a star).
void nameActionableImages(ui::View& content, const std::string& name, const std::string& identifier) {
    for (const auto& child : content.subviews())
        if (ui::accessibility::isActionable(*child)) {
            child->setAccessibilityLabel(name);
            child->setAccessibilityIdentifier(identifier);
        }
}

}  // namespace

std::string stopNumber(long long orderNo) { return "第" + std::to_string(orderNo) + "站"; }

std::string starName(bool favourite) { return favourite ? "已收藏" : "收藏此站"; }

void nameCityButton(ui::Button& button, const std::string& cityName) {
    button.setAccessibilityLabel("切换城市，当前：" + cityName);
}

void nameSearchHit(ui::TableViewCell& cell, const BusQuery& hit) {
    if (integerValue(hit.attribute) == 0) {
        // A line: its name and its ends, as the labels show them.
        cell.setAccessibilityLabel(textValue(hit.lineName) + "，" + textValue(hit.stationName));
        return;
    }
    const char* way = integerValue(hit.direction) != 0 ? "下行" : "上行";
    cell.setAccessibilityLabel(textValue(hit.stationName) + "，" + textValue(hit.lineName) + "，" + way);
}

void nameFavourite(ui::TableViewCell& cell, const BusCollection& favourite, const std::string& liveText,
                   bool offline, bool alerted) {
    const std::string said = liveText.empty() ? kNoLiveText : liveText;
    cell.setAccessibilityLabel(textValue(favourite.lineName) + " " + textValue(favourite.stationName) + "，" +
                               textValue(favourite.endLine) + "方向，" + said +
                               (offline ? std::string("，") + live::kOfflineMark : "") +
                               (alerted ? std::string("，") + live::kAlertMark : ""));
    cell.setAccessibilityTraits(ui::AccessibilityTrait::UpdatesFrequently);
}

void nameStopCell(ui::TableViewCell& cell, const BusStation& stop, bool favourite, bool chosen) {
    cell.setAccessibilityLabel(stopNumber(integerValue(stop.orderNo)) + " " + textValue(stop.stationName) +
                               (favourite ? "，已收藏" : ""));
    cell.setAccessibilityTraits(chosen ? ui::AccessibilityTrait::Selected : ui::AccessibilityTrait::None);
    nameActionableImages(*cell.contentView(), starName(favourite), "star");
}

void markChosen(ui::TableViewCell& cell, bool chosen) {
    cell.setAccessibilityTraits(chosen ? ui::AccessibilityTrait::Checked : ui::AccessibilityTrait::None);
}

}  // namespace bus::a11y
