#pragma once
// The rules behind the live bus screen's own texts: how old its vehicle data
// is and when that counts as stale, when the arrival reminder speaks, and
// what, and how the line's hours and fare read. Plain functions of the
// vehicles, times and served texts, in the rider's language.
#include <optional>
#include <string>
#include <vector>

#include "model/BusReal.h"
#include "platform/Translation.h"

namespace bus::live {

// Written down here, translated where shown: tr(kStaleText).
// TRANSLATORS: the age label once the buses shown are too old; a tap refreshes. About 18 letters fit.
inline constexpr char kStaleText[] = N_("数据已过期，点击刷新");
// What a text kept from the service's last good reply is marked with.
// TRANSLATORS: marks a text kept from the service's last good reply.
inline constexpr char kOfflineMark[] = N_("离线");
// What a stop or a favourite that an alert concerns is marked with.
// TRANSLATORS: marks a stop or a favourite that an alert of its line concerns; 50 points wide.
inline constexpr char kAlertMark[] = N_("有提醒");
// TRANSLATORS: the title of the notice that the bus comes within the stops the rider chose.
inline constexpr char kArrivalTitle[] = N_("车辆即将到站");
// The preference holding the stops chosen for the reminder last time.
inline constexpr char kReminderStopsKey[] = "arrivalReminderStops";
inline constexpr int kMaxReminderStops = 3;
// While armed without a refresh timer, the screen fetches on its own this often.
inline constexpr double kReminderRefreshSeconds = 15;
inline constexpr double kStaleByHandSeconds = 60;

// Seconds of age as the label counts them.
long long wholeSeconds(double seconds);
// "刚刚更新" under 5 s, then whole seconds, then whole minutes.
std::string dataAgeText(double seconds);
// A copy's age as the offline label shows it: "离线 · " and the age in the
// same units ("刚刚", seconds, minutes), then hours and days, which a copy
// kept from yesterday needs; a copy from a clock that went back is "刚刚".
std::string offlineAgeText(double seconds);
// The age past which the data counts as stale, for the refresh interval in
// seconds (0 when refreshing by hand).
double staleAfterSeconds(long long refreshSeconds);
// The nearest vehicle at or before the waiting stop: how many stops away,
// and whether it stands at the waiting stop itself.
struct Approach {
    long long stops = 0;
    bool standing = false;
};
// None when every vehicle is past the waiting stop.
std::optional<Approach> nearestApproach(const std::vector<BusReal>& vehicles, long long waitingStop);
// How far that vehicle is: "已到本站", "正在进站", "还有2站".
std::string distanceText(const Approach& approach);
// The notice's text for that vehicle: kArrivalTitle and the distance.
std::string arrivalText(const Approach& approach);

// The line's hours and fare as the live screen's heading gives them:
// "首末班:06:00-22:00 ￥1". Hours are "HH:MM-HH:MM"; a last trip after
// midnight, written with hours 24 to 47 or folded to a time before the
// first, reads as the next day's ("首末班:05:20-次日01:45"); hours in any
// other shape show as served. A fare that is a bare number is in yuan; one
// with its currency shows as served; without a fare the text ends with the
// hours.
std::string hoursAndFareText(const std::string& opTime, const std::string& ticketPrice);

}  // namespace bus::live
