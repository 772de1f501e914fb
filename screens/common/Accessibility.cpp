#include "screens/common/Accessibility.h"

#include "model/Value.h"
#include "platform/Translation.h"
#include "platform/ui/Accessibility.h"
#include "transit/LiveRules.h"

namespace bus::a11y {

namespace {

// The parts of a spoken name, with the pause the screen reader makes
// between them in the rider's language.
std::string separator() {
    // TRANSLATORS: between the parts of a name that a screen reader speaks
    // ("12路，火车站"): a comma, with the space your language puts after it.
    return platform::tr("，");
}

// The views of a row's content that can be used on their own (a star).
void nameActionableImages(ui::View& content, const std::string& name, const std::string& identifier) {
    for (const auto& child : content.subviews())
        if (ui::accessibility::isActionable(*child)) {
            child->setAccessibilityLabel(name);
            child->setAccessibilityIdentifier(identifier);
        }
}

std::string noLiveText() {
    // TRANSLATORS: said for a favourite whose stop's service gave no live text.
    return platform::tr("无实时信息");
}

}  // namespace

std::string stopNumber(long long orderNo) {
    // TRANSLATORS: a stop's place on its line, counted from its first stop: "Stop 3".
    return platform::fill(platform::tr("第{}站"), {std::to_string(orderNo)});
}

std::string starName(bool favourite) {
    // TRANSLATORS: the star of a stop, as a screen reader names it: the stop is a favourite already,
    // or a tap makes it one.
    return favourite ? platform::tr("已收藏") : platform::tr("收藏此站");
}

void nameCityButton(ui::Button& button, const std::string& cityName) {
    // TRANSLATORS: the city button's spoken name; {} is the current city.
    button.setAccessibilityLabel(platform::fill(platform::tr("切换城市，当前：{}"), {cityName}));
}

void nameSearchHit(ui::TableViewCell& cell, const BusQuery& hit) {
    if (integerValue(hit.attribute) == 0) {
        // A line: its name and its ends, as the labels show them.
        cell.setAccessibilityLabel(textValue(hit.lineName) + separator() + textValue(hit.stationName));
        return;
    }
    // TRANSLATORS: a line's two directions as a stop's search hit names them: 上行 the way out from
    // the line's first stop, 下行 the way back.
    const std::string way = integerValue(hit.direction) != 0 ? platform::tr("下行") : platform::tr("上行");
    cell.setAccessibilityLabel(textValue(hit.stationName) + separator() + textValue(hit.lineName) + separator() +
                               way);
}

void nameFavourite(ui::TableViewCell& cell, const BusCollection& favourite, const std::string& liveText,
                   bool offline, bool alerted) {
    const std::string said = liveText.empty() ? noLiveText() : liveText;
    // TRANSLATORS: a favourite as a screen reader names it: {0} the line, {1} the stop, {2} the
    // line's last stop in the favourite's direction, {3} the stop's live text.
    std::string name = platform::fill(platform::tr("{0} {1}，{2}方向，{3}"),
                                      {textValue(favourite.lineName), textValue(favourite.stationName),
                                       textValue(favourite.endLine), said});
    if (offline) name += separator() + platform::tr(live::kOfflineMark);
    if (alerted) name += separator() + platform::tr(live::kAlertMark);
    cell.setAccessibilityLabel(name);
    cell.setAccessibilityTraits(ui::AccessibilityTrait::UpdatesFrequently);
}

void nameStopCell(ui::TableViewCell& cell, const BusStation& stop, bool favourite, bool chosen) {
    const std::string name = stopNumber(integerValue(stop.orderNo)) + " " + textValue(stop.stationName);
    // TRANSLATORS: a row of a line's stops whose stop is a favourite; {} is the stop's number and name.
    cell.setAccessibilityLabel(favourite ? platform::fill(platform::tr("{}，已收藏"), {name}) : name);
    cell.setAccessibilityTraits(chosen ? ui::AccessibilityTrait::Selected : ui::AccessibilityTrait::None);
    nameActionableImages(*cell.contentView(), starName(favourite), "star");
}

void markChosen(ui::TableViewCell& cell, bool chosen) {
    cell.setAccessibilityTraits(chosen ? ui::AccessibilityTrait::Checked : ui::AccessibilityTrait::None);
}

}  // namespace bus::a11y
