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

// Where a trip is `s` seconds into the timetable of its own calls, while it
// is under way.
std::optional<VehiclePosition> placeAt(const Trip& trip, std::int64_t s) {
    const auto& calls = trip.calls;
    if (calls.empty() || s < calls.front().arrival || s > calls.back().departure) return std::nullopt;
    for (std::size_t i = 0; i < calls.size(); ++i)
        if (s <= calls[i].departure) return placeOnLine(trip, i, s >= calls[i].arrival);
    return std::nullopt;
}

// Runs of a trip by headway that are under way `s` seconds into the service
// day: each is where the trip's calls put it that long after its own
// departure, under a plate of its own (the trip's, with the time it left).
void frequencyRuns(const Trip& trip, std::int64_t s, std::vector<VehiclePosition>& out) {
    const auto& calls = trip.calls;
    const std::int64_t leaves = calls.front().departure;  // the template's own departure, no run's
    const std::int64_t waits = leaves - calls.front().arrival;
    const std::int64_t runs = calls.back().departure - leaves;
    for (const Frequency& f : trip.frequencies) {
        const std::int64_t h = f.headwaySeconds;
        // Runs leave at f.start + k h before f.end; one that left at r is under way from r - waits to r + runs.
        for (std::int64_t k = std::max<std::int64_t>(0, -floorDiv(f.start + runs - s, h));; ++k) {
            const std::int64_t r = f.start + k * h;
            if (r >= f.end || r - waits > s) break;
            auto v = placeAt(trip, s - r + leaves);
            if (!v) continue;
            char leftAt[8];
            std::snprintf(leftAt, sizeof leftAt, " %02d%02d", static_cast<int>(r / 3600 % 24), static_cast<int>(r / 60 % 60));
            v->licensePlate += leftAt;
            out.push_back(std::move(*v));
        }
    }
}

// How many service days back a trip of the direction may still be under way:
// times run past 24:00, and a run by headway leaves as late as its window ends.
std::int64_t daysLong(const LineDirection& dir) {
    std::int64_t latest = 0;
    for (const auto& trip : dir.trips) {
        if (trip.calls.empty()) continue;
        const std::int64_t runs = trip.calls.back().departure - trip.calls.front().departure;
        latest = std::max<std::int64_t>(latest, trip.calls.back().departure);
        for (const Frequency& f : trip.frequencies) latest = std::max(latest, f.end + runs);
    }
    return latest / kDay + 1;
}

// Published timetables: a trip belongs to the service day it starts on, whose
// times count from noon minus 12 h in the city's zone and may run past 24:00
// into the next days. Tomorrow's service day may have begun already: the
// night the clocks go forward, it starts at 23:00.
std::vector<VehiclePosition> timetableVehicles(const City& city, const LineDirection& dir, TimePoint when) {
    const TimeZone zone = city.zone();
    const std::int64_t now = std::chrono::floor<std::chrono::seconds>(when).time_since_epoch().count();
    const std::int64_t today = zone.localDay(when);
    std::vector<VehiclePosition> out;
    for (std::int64_t day = today + 1, oldest = today - daysLong(dir); day >= oldest; --day) {
        const std::int64_t s = now - zone.serviceDayStart(day);
        if (s < 0) continue;
        std::int32_t date = 0;
        unsigned weekday = 0;
        civil(day, date, weekday);
        for (const auto& trip : dir.trips) {
            const auto& calls = trip.calls;
            const bool timed = trip.frequencies.empty();
            if (calls.empty() || (timed && (s < calls.front().arrival || s > calls.back().departure))) continue;
            if (trip.service >= city.services.size() || !city.services[trip.service].runsOn(date, weekday)) continue;
            if (!timed) {
                frequencyRuns(trip, s, out);
            } else if (auto v = placeAt(trip, s)) {
                out.push_back(std::move(*v));
            }
        }
    }
    return out;
}

enum class Approach { passed, arrived, arriving, minutes, stops };

// Every text a rider reads beside a vehicle, so that a language is added in
// one place. The Chinese ones are what the app has always shown; English
// counts its units, except "min", which serves one and many alike.
std::string approachWords(TextLanguage language, Approach approach, std::int64_t n = 0) {
    const std::string count = std::to_string(n);
    if (language == TextLanguage::english) {
        switch (approach) {
            case Approach::passed: return "Passed";
            case Approach::arrived: return "Arrived";
            case Approach::arriving: return "Arriving";
            case Approach::minutes: return count + " min";
            case Approach::stops: return count + (n == 1 ? " stop" : " stops");
        }
    }
    switch (approach) {
        case Approach::passed: return "已过站";
        case Approach::arrived: return "已到站";
        case Approach::arriving: return "即将到站";
        case Approach::minutes: return "还有" + count + "分钟";
        case Approach::stops: return "还有" + count + "站";
    }
    return {};
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
    auto out = line.headway ? headwayVehicles(city, line, direction, localSeconds(when, city.utcOffsetSeconds), rules)
                            : timetableVehicles(city, *dir, when);
    sortAlongLine(out);
    return out;
}

std::string approachText(const VehiclePosition& v, int orderNo, std::optional<std::int64_t> secondsAway,
                         TextLanguage language) {
    if (v.stationNo > orderNo) return approachWords(language, Approach::passed);
    if (v.stationNo == orderNo) return approachWords(language, v.inStation ? Approach::arrived : Approach::arriving);
    if (secondsAway && *secondsAway > 0) return approachWords(language, Approach::minutes, (*secondsAway + 59) / 60);
    // A vehicle still coming to stop s has that stop ahead of it too.
    return approachWords(language, Approach::stops, orderNo - v.stationNo + (v.inStation ? 0 : 1));
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

std::string nearestApproachText(const std::vector<VehiclePosition>& vehicles, int orderNo, TextLanguage language) {
    const VehiclePosition* v = nearestComing(vehicles, orderNo);
    return v ? approachText(*v, orderNo, std::nullopt, language) : std::string();
}

}  // namespace bus::standin
