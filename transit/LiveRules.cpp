#include "transit/LiveRules.h"

#include <cmath>

#include "model/Value.h"

namespace bus::live {

long long wholeSeconds(double seconds) {
    // The clock's sums of intervals may land a hair off a whole second.
    return static_cast<long long>(std::floor(seconds + 1e-6));
}

std::string dataAgeText(double seconds) {
    const long long whole = wholeSeconds(seconds);
    if (whole < 5) return "刚刚更新";
    if (whole < 60) return std::to_string(whole) + "秒前更新";
    return std::to_string(whole / 60) + "分钟前更新";
}

std::string offlineAgeText(double seconds) {
    const long long whole = wholeSeconds(seconds);
    std::string age;
    if (whole < 5)
        age = "刚刚";
    else if (whole < 60)
        age = std::to_string(whole) + "秒前";
    else if (whole < 3600)
        age = std::to_string(whole / 60) + "分钟前";
    else if (whole < 86400)
        age = std::to_string(whole / 3600) + "小时前";
    else
        age = std::to_string(whole / 86400) + "天前";
    return std::string(kOfflineMark) + " · " + age;
}

double staleAfterSeconds(long long refreshSeconds) {
    return refreshSeconds > 0 ? 2.0 * static_cast<double>(refreshSeconds) : kStaleByHandSeconds;
}

std::optional<Approach> nearestApproach(const std::vector<BusReal>& vehicles, long long waitingStop) {
    std::optional<Approach> nearest;
    for (const auto& vehicle : vehicles) {
        const long long s = integerValue(vehicle.stationNo);
        if (s > waitingStop) continue;
        const Approach here{saturatingSub(waitingStop, s), s == waitingStop && integerValue(vehicle.inStation) == 1};
        if (!nearest || here.stops < nearest->stops || (here.stops == 0 && here.standing)) nearest = here;
    }
    return nearest;
}

std::string arrivalText(const Approach& approach) {
    const std::string distance = approach.standing      ? "已到本站"
                                 : approach.stops == 0 ? "正在进站"
                                                       : "还有" + std::to_string(approach.stops) + "站";
    return std::string(kArrivalTitle) + "：" + distance;
}

}  // namespace bus::live
