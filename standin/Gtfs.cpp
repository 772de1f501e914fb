#include "standin/Gtfs.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <map>
#include <stdexcept>
#include <unordered_map>

#include "standin/Csv.h"

namespace bus::standin {

namespace {

CsvTable need(const std::filesystem::path& feed, const char* name) {
    auto t = CsvTable::read(feed / name);
    if (!t) throw std::runtime_error((feed / name).string() + ": missing from the feed");
    return std::move(*t);
}

void needColumns(const CsvTable& t, const std::filesystem::path& file, std::initializer_list<const char*> cols) {
    for (const char* c : cols)
        if (!t.has(c)) throw std::runtime_error(file.string() + ": no column " + c);
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::optional<long> parseLong(std::string_view s) {
    s = trim(s);
    long v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

// The app cuts the stop array at the first "]", so brackets cannot stay.
std::string stopName(std::string name) {
    for (char& c : name) {
        if (c == '[') c = '(';
        if (c == ']') c = ')';
    }
    return name;
}

// The offset that a named zone has at this moment. The C library only knows
// zones through TZ, so it is set for the look-up and put back.
std::optional<int> zoneOffsetNow(const std::string& zone) {
    if (zone.empty() || zone.find("..") != std::string::npos) return std::nullopt;
    if (!std::filesystem::exists("/usr/share/zoneinfo/" + zone)) return std::nullopt;
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", zone.c_str(), 1);
    ::tzset();
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    if (old) ::setenv("TZ", saved.c_str(), 1); else ::unsetenv("TZ");
    ::tzset();
    return static_cast<int>(tm.tm_gmtoff);
}

int machineOffsetNow() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return static_cast<int>(tm.tm_gmtoff);
}

struct StopTime {
    long sequence = 0;
    std::string stopId;
    std::optional<int> arrival;
    std::optional<int> departure;
};

struct TripInfo {
    std::string routeId;
    std::string serviceId;
    std::string vehicle;
    int direction = 0;
    std::vector<StopTime> calls;
};

// Fills stop times that a feed leaves blank (non-timing points) by even
// spacing between the known ones; false when the ends are blank too.
bool interpolate(std::vector<StopTime>& calls) {
    for (auto& c : calls) {
        if (c.arrival && !c.departure) c.departure = c.arrival;
        if (c.departure && !c.arrival) c.arrival = c.departure;
    }
    if (calls.empty() || !calls.front().departure || !calls.back().arrival) return false;
    std::size_t known = 0;
    for (std::size_t i = 1; i < calls.size(); ++i) {
        if (!calls[i].arrival) continue;
        const int from = *calls[known].departure;
        const int to = *calls[i].arrival;
        const auto gaps = static_cast<int>(i - known);
        for (std::size_t k = known + 1; k < i; ++k) {
            const int t = from + (to - from) * static_cast<int>(k - known) / gaps;
            calls[k].arrival = t;
            calls[k].departure = t;
        }
        known = i;
    }
    return true;
}

std::string hhmm(int seconds) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d:%02d", (seconds / 3600) % 24, (seconds / 60) % 60);
    return buf;
}

}  // namespace

std::optional<int> parseGtfsTime(std::string_view text) {
    text = trim(text);
    const auto c1 = text.find(':');
    if (c1 == std::string_view::npos) return std::nullopt;
    const auto c2 = text.find(':', c1 + 1);
    if (c2 == std::string_view::npos) return std::nullopt;
    const auto h = parseLong(text.substr(0, c1));
    const auto m = parseLong(text.substr(c1 + 1, c2 - c1 - 1));
    const auto s = parseLong(text.substr(c2 + 1));
    if (!h || !m || !s || *h < 0 || *h > 47 || *m < 0 || *m > 59 || *s < 0 || *s > 59) return std::nullopt;
    return static_cast<int>(*h * 3600 + *m * 60 + *s);
}

City importGtfs(const std::filesystem::path& feed, const GtfsOptions& options) {
    if (!std::filesystem::is_directory(feed)) throw std::runtime_error(feed.string() + ": no such folder");
    const CsvTable stops = need(feed, "stops.txt");
    const CsvTable routes = need(feed, "routes.txt");
    const CsvTable trips = need(feed, "trips.txt");
    const CsvTable stopTimes = need(feed, "stop_times.txt");
    const auto calendar = CsvTable::read(feed / "calendar.txt");
    const auto calendarDates = CsvTable::read(feed / "calendar_dates.txt");
    const auto agency = CsvTable::read(feed / "agency.txt");
    if (!calendar && !calendarDates)
        throw std::runtime_error((feed / "calendar.txt").string() + ": missing from the feed");
    needColumns(stops, feed / "stops.txt", {"stop_id", "stop_name"});
    needColumns(routes, feed / "routes.txt", {"route_id"});
    needColumns(trips, feed / "trips.txt", {"route_id", "service_id", "trip_id"});
    needColumns(stopTimes, feed / "stop_times.txt", {"trip_id", "stop_id", "stop_sequence", "arrival_time", "departure_time"});

    City city;
    city.cityId = options.cityId;
    city.port = options.port;
    const std::string agencyName = agency && agency->size() > 0 ? agency->get(0, "agency_name") : std::string();
    city.name = !options.name.empty() ? options.name : agencyName;
    if (city.name.empty()) {
        auto folder = std::filesystem::absolute(feed).lexically_normal();
        if (folder.filename().empty()) folder = folder.parent_path();
        city.name = folder.filename().string();
    }
    if (options.utcOffsetSeconds) {
        city.utcOffsetSeconds = *options.utcOffsetSeconds;
    } else {
        const auto zone = agency && agency->size() > 0 ? zoneOffsetNow(agency->get(0, "agency_timezone")) : std::nullopt;
        city.utcOffsetSeconds = zone ? *zone : machineOffsetNow();
    }

    // Services.
    std::unordered_map<std::string, std::size_t> serviceIndex;
    auto service = [&](const std::string& id) -> ServiceDays& {
        auto [it, fresh] = serviceIndex.emplace(id, city.services.size());
        if (fresh) {
            city.services.emplace_back();
            city.services.back().id = id;
        }
        return city.services[it->second];
    };
    if (calendar) {
        needColumns(*calendar, feed / "calendar.txt", {"service_id", "start_date", "end_date"});
        static const char* days[7] = {"monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday"};
        for (std::size_t r = 0; r < calendar->size(); ++r) {
            ServiceDays& s = service(calendar->get(r, "service_id"));
            for (int d = 0; d < 7; ++d) s.weekdays[static_cast<std::size_t>(d)] = trim(calendar->get(r, days[d])) == "1";
            const auto start = parseLong(calendar->get(r, "start_date"));
            const auto end = parseLong(calendar->get(r, "end_date"));
            if (!start || !end)
                throw std::runtime_error((feed / "calendar.txt").string() + ": bad start_date or end_date in row " +
                                         std::to_string(r + 2));
            s.startDate = static_cast<std::int32_t>(*start);
            s.endDate = static_cast<std::int32_t>(*end);
        }
    }
    if (calendarDates) {
        for (std::size_t r = 0; r < calendarDates->size(); ++r) {
            ServiceDays& s = service(calendarDates->get(r, "service_id"));
            const auto date = parseLong(calendarDates->get(r, "date"));
            const std::string_view type = trim(calendarDates->get(r, "exception_type"));
            if (!date) continue;
            (type == "1" ? s.added : s.removed).push_back(static_cast<std::int32_t>(*date));
        }
    }

    std::unordered_map<std::string, std::string> stopNames;
    for (std::size_t r = 0; r < stops.size(); ++r)
        stopNames[stops.get(r, "stop_id")] = stopName(std::string(trim(stops.get(r, "stop_name"))));

    std::unordered_map<std::string, TripInfo> tripInfo;
    for (std::size_t r = 0; r < trips.size(); ++r) {
        TripInfo t;
        t.routeId = trips.get(r, "route_id");
        t.serviceId = trips.get(r, "service_id");
        t.direction = trim(trips.get(r, "direction_id")) == "1" ? 1 : 0;
        const std::string& block = trips.get(r, "block_id");
        t.vehicle = block.empty() ? trips.get(r, "trip_id") : block;
        tripInfo.emplace(trips.get(r, "trip_id"), std::move(t));
    }
    for (std::size_t r = 0; r < stopTimes.size(); ++r) {
        const auto it = tripInfo.find(stopTimes.get(r, "trip_id"));
        if (it == tripInfo.end()) continue;
        StopTime st;
        const auto seq = parseLong(stopTimes.get(r, "stop_sequence"));
        if (!seq)
            throw std::runtime_error((feed / "stop_times.txt").string() + ": bad stop_sequence in row " +
                                     std::to_string(r + 2));
        st.sequence = *seq;
        st.stopId = stopTimes.get(r, "stop_id");
        st.arrival = parseGtfsTime(stopTimes.get(r, "arrival_time"));
        st.departure = parseGtfsTime(stopTimes.get(r, "departure_time"));
        it->second.calls.push_back(std::move(st));
    }

    // Trips by route and direction, in the order the feed lists them.
    std::map<std::pair<std::string, int>, std::vector<const TripInfo*>> byRoute;
    for (std::size_t r = 0; r < trips.size(); ++r) {
        auto& t = tripInfo.at(trips.get(r, "trip_id"));
        std::sort(t.calls.begin(), t.calls.end(),
                  [](const StopTime& a, const StopTime& b) { return a.sequence < b.sequence; });
        if (t.calls.size() < 2 || !interpolate(t.calls)) continue;
        if (!serviceIndex.count(t.serviceId)) continue;
        byRoute[{t.routeId, t.direction}].push_back(&t);
    }

    std::int64_t nextLineId = 1;
    for (std::size_t r = 0; r < routes.size(); ++r) {
        const std::string routeId = routes.get(r, "route_id");
        Line line;
        std::string name(trim(routes.get(r, "route_short_name")));
        if (name.empty()) name = std::string(trim(routes.get(r, "route_long_name")));
        if (name.empty()) name = routeId;
        line.lineName = name;
        line.gjgs = agencyName;
        int first = -1;
        int last = -1;
        for (int d = 0; d < 2; ++d) {
            const auto it = byRoute.find({routeId, d});
            if (it == byRoute.end()) continue;
            // The most common stop pattern; ties go to the longer, then the first seen.
            std::map<std::vector<std::string>, std::pair<int, std::size_t>> counts;
            std::size_t order = 0;
            for (const TripInfo* t : it->second) {
                std::vector<std::string> pattern;
                for (const auto& c : t->calls) pattern.push_back(c.stopId);
                auto [pos, fresh] = counts.emplace(std::move(pattern), std::make_pair(0, order++));
                (void)fresh;
                ++pos->second.first;
            }
            const std::vector<std::string>* best = nullptr;
            std::pair<int, std::size_t> bestScore{0, 0};
            for (const auto& [pattern, score] : counts) {
                const bool better = !best || score.first > bestScore.first ||
                                    (score.first == bestScore.first &&
                                     (pattern.size() > best->size() ||
                                      (pattern.size() == best->size() && score.second < bestScore.second)));
                if (better) {
                    best = &pattern;
                    bestScore = score;
                }
            }
            LineDirection dir;
            for (const auto& id : *best) {
                const auto name = stopNames.find(id);
                dir.stops.push_back(name != stopNames.end() && !name->second.empty() ? name->second : stopName(id));
            }
            for (const TripInfo* t : it->second) {
                Trip trip;
                trip.vehicle = t->vehicle;
                trip.service = serviceIndex.at(t->serviceId);
                std::size_t at = 0;
                bool fits = true;
                for (const auto& c : t->calls) {
                    while (at < best->size() && (*best)[at] != c.stopId) ++at;
                    if (at == best->size()) {
                        fits = false;
                        break;
                    }
                    trip.orderNo.push_back(static_cast<int>(at) + 1);
                    trip.arrival.push_back(*c.arrival);
                    trip.departure.push_back(std::max(*c.arrival, *c.departure));
                    ++at;
                }
                if (!fits) continue;
                first = first < 0 ? trip.departure.front() : std::min(first, trip.departure.front());
                last = std::max(last, trip.departure.front());
                dir.trips.push_back(std::move(trip));
            }
            line.directions[static_cast<std::size_t>(d)] = std::move(dir);
        }
        if (!line.directions[0] && !line.directions[1]) continue;
        line.lineId = nextLineId++;
        line.gprsId = line.lineId;
        if (first >= 0) line.opTime = hhmm(first) + "-" + hhmm(last);
        city.lines.push_back(std::move(line));
    }
    if (city.lines.empty()) throw std::runtime_error(feed.string() + ": no route with a usable trip");
    validateCity(city);
    return city;
}

}  // namespace bus::standin
