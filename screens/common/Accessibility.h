#pragma once
// What the screens say to assistive technology where their visible text is
// not enough: each screen calls one of these where it builds the view, so
// the words live here together, in the rider's language. Tables' rows that
// show their whole meaning in their labels need nothing: a row is named by
// its labels' texts.
#include <string>

#include "model/BusCollection.h"
#include "model/BusQuery.h"
#include "model/BusStation.h"
#include "platform/ui/Button.h"
#include "platform/ui/TableViewCell.h"

namespace bus::a11y {

// "切换城市，当前：大同".
void nameCityButton(ui::Button& button, const std::string& cityName);
// A search hit or history row: a stop hit also says the line's direction,
// which its labels leave out ("古城墙，9路，上行").
void nameSearchHit(ui::TableViewCell& cell, const BusQuery& hit);
// A favourite: line, stop, direction and its live text, in that order.
void nameFavourite(ui::TableViewCell& cell, const BusCollection& favourite, const std::string& liveText,
                   bool offline = false, bool alerted = false);
// A row of a line's stops ("第3站 博物馆"), selected when it is the chosen
// one, with its star named for what a tap on it does.
void nameStopCell(ui::TableViewCell& cell, const BusStation& stop, bool favourite, bool chosen);
// The refresh interval row that carries the check mark.
void markChosen(ui::TableViewCell& cell, bool chosen);
// The star of the waiting stop: what a tap on it does.
std::string starName(bool favourite);
// "第5站".
std::string stopNumber(long long orderNo);

}  // namespace bus::a11y
