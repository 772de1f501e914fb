#include "standin/Vehicles.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>

namespace bus::standin {

namespace {

constexpr std::int64_t kDay = 86400;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

std::int64_t floorMod(std::int64_t a, std::int64_t b) { return a - floorDiv(a, b) * b; }

std::uint64_t mix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

std::uint64_t tripHash(const Line& line, int direction, std::int64_t k) {
    return mix(static_cast<std::uint64_t>(line.lineId) * 1000003ULL ^
               (static_cast<std::uint64_t>(k) << 1) ^ static_cast<std::uint64_t>(direction));
}

bool departsInService(const HeadwayTimetable& t, std::int64_t localStart) {
    const auto tod = floorMod(localStart, kDay);
    if (t.firstDeparture <= t.lastDeparture) return tod >= t.firstDeparture && tod <= t.lastDeparture;
    return tod >= t.firstDeparture || tod <= t.lastDeparture;  // runs past midnight
}

// Headway lines: trip k of a direction is due at phase + k * headway. Some
// trips leave one headway late and so run together with the next one, as
// bunched buses do; the others lose a few seconds per stop.
std::vector<VehiclePosition> headwayVehicles(const City& city, const Line& line, int direction,
                                             std::int64_t local, const VehicleRules& rules) {
    const HeadwayTimetable& t = *line.headway;
    const auto& own = *line.directions[static_cast<std::size_t>(direction)];
    const std::int64_t n = static_cast<std::int64_t>(own.stops.size());
    const std::int64_t h = t.headwaySeconds;
    const std::int64_t period = t.runSeconds + t.dwellSeconds;
    const std::int64_t maxExtra = std::min<std::int64_t>(15, h / (4 * std::max<std::int64_t>(1, n - 1)));
    const std::int64_t longest = (n - 1) * (period + maxExtra) + t.dwellSeconds;

    auto tripTime = [&](std::size_t d) {
        const auto& dir = line.directions[d];
        const std::int64_t stops = dir ? static_cast<std::int64_t>(dir->stops.size()) : n;
        return (stops - 1) * period + t.dwellSeconds;
    };
    // A vehicle that finished a trip turns round after a short layover and
    // comes back as the same trip number in the other direction.
    const std::int64_t layover = std::max<std::int64_t>(120, h / 2);
    const std::int64_t phase0 = static_cast<std::int64_t>(mix(static_cast<std::uint64_t>(line.lineId)) % static_cast<std::uint64_t>(h));
    const std::int64_t phase = direction == 0 ? phase0 : phase0 + tripTime(0) + layover;
    const std::int64_t fleet = (tripTime(0) + tripTime(1) + 2 * layover + h - 1) / h + 1;

    std::vector<VehiclePosition> out;
    const std::int64_t kFirst = floorDiv(local - longest - h - phase, h);
    const std::int64_t kLast = floorDiv(local - phase, h);
    for (std::int64_t k = kLast; k >= kFirst; --k) {
        const std::int64_t due = phase + k * h;
        if (rules.serviceHours && !departsInService(t, due)) continue;
        const std::uint64_t hash = tripHash(line, direction, k);
        // Only where enough buses are out that the gap a bunched pair leaves
        // behind (two headways) still has a bus in it.
        const bool bunched = hash % 5 == 0 && tripTime(static_cast<std::size_t>(direction)) >= 3 * h;
        const std::int64_t start = bunched ? due + h : due;
        const std::int64_t extra = bunched || maxExtra == 0 ? 0 : static_cast<std::int64_t>((hash >> 8) % static_cast<std::uint64_t>(maxExtra + 1));
        const std::int64_t p = period + extra;
        const std::int64_t x = local - start;
        const std::int64_t duration = (n - 1) * p + t.dwellSeconds;
        if (x < 0 || x >= duration) continue;
        VehiclePosition v;
        // Standing at the stop it reached last, else on its way to the next.
        v.inStation = x % p < t.dwellSeconds;
        v.stationNo = static_cast<int>(x / p) + (v.inStation ? 1 : 2);
        const std::int64_t unit = floorMod(k, fleet);
        char plate[16];
        std::snprintf(plate, sizeof plate, "%03d%02d", static_cast<int>(line.lineId % 900 + 100),
                      static_cast<int>(unit % 100));
        v.licensePlate = city.platePrefix + plate;
        out.push_back(std::move(v));
    }
    return out;
}

// Civil date of a local day number (days since 1970-01-01).
void civil(std::int64_t dayNumber, std::int32_t& yyyymmdd, unsigned& weekdayMondayFirst) {
    const std::chrono::sys_days d{std::chrono::days(dayNumber)};
    const std::chrono::year_month_day ymd(d);
    yyyymmdd = static_cast<int>(ymd.year()) * 10000 + static_cast<int>(static_cast<unsigned>(ymd.month())) * 100 +
               static_cast<int>(static_cast<unsigned>(ymd.day()));
    weekdayMondayFirst = std::chrono::weekday(d).iso_encoding() - 1;
}

// Published timetables: a trip belongs to the service day it starts on, and
// its times may run past midnight into the next day.
std::vector<VehiclePosition> timetableVehicles(const City& city, const LineDirection& dir,
                                               std::int64_t local) {
    std::vector<VehiclePosition> out;
    const std::int64_t today = floorDiv(local, kDay);
    for (std::int64_t back = 0; back <= 1; ++back) {
        const std::int64_t serviceDay = today - back;
        std::int32_t date = 0;
        unsigned weekday = 0;
        civil(serviceDay, date, weekday);
        const std::int64_t s = local - serviceDay * kDay;
        for (const auto& trip : dir.trips) {
            const auto& calls = trip.calls;
            if (calls.empty() || s < calls.front().arrival || s > calls.back().departure) continue;
            if (trip.service >= city.services.size() || !city.services[trip.service].runsOn(date, weekday))
                continue;
            std::optional<VehiclePosition> v;
            for (std::size_t i = 0; i < calls.size(); ++i) {
                if (s <= calls[i].departure) {
                    v = placeOnLine(trip, i, s >= calls[i].arrival);
                    break;
                }
            }
            if (v) out.push_back(std::move(*v));
        }
    }
    return out;
}

}  // namespace

std::optional<VehiclePosition> placeOnLine(const Trip& trip, std::size_t call, bool standing) {
    const auto& calls = trip.calls;
    if (call >= calls.size()) return std::nullopt;
    VehiclePosition v;
    v.licensePlate = trip.vehicle;
    v.trip = &trip;
    if (standing && calls[call].orderNo > 0) {
        v.stationNo = calls[call].orderNo;
        v.inStation = true;
        return v;
    }
    for (std::size_t j = standing ? call + 1 : call; j < calls.size(); ++j) {
        if (calls[j].orderNo > 0) {
            v.stationNo = calls[j].orderNo;  // on its way to that stop
            return v;
        }
    }
    return std::nullopt;
}

void sortAlongLine(std::vector<VehiclePosition>& vehicles) {
    std::stable_sort(vehicles.begin(), vehicles.end(), [](const VehiclePosition& a, const VehiclePosition& b) {
        if (a.stationNo != b.stationNo) return a.stationNo > b.stationNo;
        return a.inStation > b.inStation;  // one standing at a stop is further along than one coming to it
    });
}

std::vector<VehiclePosition> vehiclesAt(const City& city, const Line& line, int direction,
                                        TimePoint when, const VehicleRules& rules) {
    if (line.gprsId == 0 || direction < 0 || direction > 1) return {};
    const auto& dir = line.directions[static_cast<std::size_t>(direction)];
    if (!dir) return {};
    const std::int64_t local = localSeconds(when, city.utcOffsetSeconds);
    auto out = line.headway ? headwayVehicles(city, line, direction, local, rules)
                            : timetableVehicles(city, *dir, local);
    sortAlongLine(out);
    return out;
}

std::string approachText(const VehiclePosition& v, int orderNo, std::optional<std::int64_t> secondsAway) {
    if (v.stationNo > orderNo) return "已过站";
    if (v.stationNo == orderNo) return v.inStation ? "已到站" : "即将到站";
    if (secondsAway && *secondsAway > 0) return "还有" + std::to_string((*secondsAway + 59) / 60) + "分钟";
    // A vehicle still coming to stop s has that stop ahead of it too.
    return "还有" + std::to_string(orderNo - v.stationNo + (v.inStation ? 0 : 1)) + "站";
}

const VehiclePosition* nearestComing(const std::vector<VehiclePosition>& vehicles, int orderNo) {
    const VehiclePosition* best = nullptr;
    for (const auto& v : vehicles) {
        if (v.stationNo > orderNo) continue;
        // Nearer means a higher stop number, and at equal numbers the one
        // standing at the stop rather than coming to it.
        if (!best || std::pair(v.stationNo, v.inStation) > std::pair(best->stationNo, best->inStation)) best = &v;
    }
    return best;
}

std::string nearestApproachText(const std::vector<VehiclePosition>& vehicles, int orderNo) {
    const VehiclePosition* v = nearestComing(vehicles, orderNo);
    return v ? approachText(*v, orderNo) : std::string();
}

}  // namespace bus::standin
