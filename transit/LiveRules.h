#pragma once
// The rules behind two additions of the live bus screen: how old its
// vehicle data is and when that counts as stale, and when the arrival
// reminder speaks, and what. Plain functions of the vehicles and times.
#include <optional>
#include <string>
#include <vector>

#include "model/BusReal.h"

namespace bus::live {

inline constexpr char kStaleText[] = "数据已过期，点击刷新";
// What a text kept from the service's last good reply is marked with.
inline constexpr char kOfflineMark[] = "离线";
// What a stop or a favourite that an alert concerns is marked with.
inline constexpr char kAlertMark[] = "有提醒";
inline constexpr char kArrivalTitle[] = "车辆即将到站";
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
// The notice's text for that vehicle.
std::string arrivalText(const Approach& approach);

}  // namespace bus::live
