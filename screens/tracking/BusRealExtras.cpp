#include "screens/tracking/BusRealExtras.h"

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

double staleAfterSeconds(long long refreshSeconds) {
    return refreshSeconds > 0 ? 2.0 * static_cast<double>(refreshSeconds) : kStaleByHandSeconds;
}

std::optional<long long> nearestStopsAway(const std::vector<BusReal>& vehicles, long long waitingStop) {
    std::optional<long long> nearest;
    for (const auto& vehicle : vehicles) {
        const long long s = integerValue(vehicle.stationNo);
        if (s > waitingStop) continue;
        if (!nearest || waitingStop - s < *nearest) nearest = waitingStop - s;
    }
    return nearest;
}

std::string arrivalText(long long stops) {
    return std::string(kArrivalTitle) + (stops == 0 ? "：已到本站" : "：还有" + std::to_string(stops) + "站");
}

}  // namespace bus::live
