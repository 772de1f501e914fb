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

// The tables of one feed folder, read in a fixed order so that the first
// fault reported is always the same one, with every needed column checked.
struct FeedTables {
    CsvTable stops;
    CsvTable routes;
    CsvTable trips;
    CsvTable stopTimes;
    std::optional<CsvTable> calendar;
    std::optional<CsvTable> calendarDates;
    std::optional<CsvTable> agency;
};

FeedTables readTables(const std::filesystem::path& feed) {
    FeedTables t{need(feed, "stops.txt"),
                 need(feed, "routes.txt"),
                 need(feed, "trips.txt"),
                 need(feed, "stop_times.txt"),
                 CsvTable::read(feed / "calendar.txt"),
                 CsvTable::read(feed / "calendar_dates.txt"),
                 CsvTable::read(feed / "agency.txt")};
    if (!t.calendar && !t.calendarDates)
        throw std::runtime_error((feed / "calendar.txt").string() + ": missing from the feed");
    needColumns(t.stops, feed / "stops.txt", {"stop_id", "stop_name"});
    needColumns(t.routes, feed / "routes.txt", {"route_id"});
    needColumns(t.trips, feed / "trips.txt", {"route_id", "service_id", "trip_id"});
    needColumns(t.stopTimes, feed / "stop_times.txt",
                {"trip_id", "stop_id", "stop_sequence", "arrival_time", "departure_time"});
    if (t.calendar) needColumns(*t.calendar, feed / "calendar.txt", {"service_id", "start_date", "end_date"});
    return t;
}

std::string folderName(const std::filesystem::path& feed) {
    auto folder = std::filesystem::absolute(feed).lexically_normal();
    if (folder.filename().empty()) folder = folder.parent_path();
    return folder.filename().string();
}

// agency.txt: the city's name and clock, unless the options set them.
// Returns the first agency's name, which every line shows as its operator.
std::string readAgency(const std::optional<CsvTable>& agency, const std::filesystem::path& feed,
                       const GtfsOptions& options, City& city) {
    const bool listed = agency && agency->size() > 0;
    const std::string agencyName = listed ? agency->get(0, "agency_name") : std::string();
    city.name = !options.name.empty() ? options.name : agencyName;
    if (city.name.empty()) city.name = folderName(feed);
    if (options.utcOffsetSeconds) {
        city.utcOffsetSeconds = *options.utcOffsetSeconds;
    } else {
        const auto zone = listed ? zoneOffsetNow(agency->get(0, "agency_timezone")) : std::nullopt;
        city.utcOffsetSeconds = zone ? *zone : machineOffsetNow();
    }
    return agencyName;
}

// The city's services in the order the calendar files first name them; a
// trip keeps the index of its service.
struct Services {
    std::vector<ServiceDays>& days;
    std::unordered_map<std::string, std::size_t> index;

    ServiceDays& named(const std::string& id) {
        auto [it, fresh] = index.emplace(id, days.size());
        if (fresh) {
            days.emplace_back();
            days.back().id = id;
        }
        return days[it->second];
    }
};

void readCalendar(const CsvTable& calendar, const std::filesystem::path& file, Services& services) {
    static const char* weekdays[7] = {"monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday"};
    for (std::size_t r = 0; r < calendar.size(); ++r) {
        ServiceDays& s = services.named(calendar.get(r, "service_id"));
        for (std::size_t d = 0; d < 7; ++d) s.weekdays[d] = trim(calendar.get(r, weekdays[d])) == "1";
        const auto start = parseLong(calendar.get(r, "start_date"));
        const auto end = parseLong(calendar.get(r, "end_date"));
        if (!start || !end)
            throw std::runtime_error(file.string() + ": bad start_date or end_date in row " + std::to_string(r + 2));
        s.startDate = static_cast<std::int32_t>(*start);
        s.endDate = static_cast<std::int32_t>(*end);
    }
}

// calendar_dates.txt: rows without a readable date are skipped.
void readCalendarDates(const CsvTable& dates, Services& services) {
    for (std::size_t r = 0; r < dates.size(); ++r) {
        ServiceDays& s = services.named(dates.get(r, "service_id"));
        const auto date = parseLong(dates.get(r, "date"));
        if (!date) continue;
        const bool added = trim(dates.get(r, "exception_type")) == "1";
        (added ? s.added : s.removed).push_back(static_cast<std::int32_t>(*date));
    }
}

using StopNames = std::unordered_map<std::string, std::string>;

StopNames readStops(const CsvTable& stops) {
    StopNames names;
    for (std::size_t r = 0; r < stops.size(); ++r)
        names[stops.get(r, "stop_id")] = stopName(std::string(trim(stops.get(r, "stop_name"))));
    return names;
}

using TripsById = std::unordered_map<std::string, TripInfo>;

// trips.txt: a trip's vehicle is its block when it has one, so the trips of
// one bus show one licence plate.
TripsById readTrips(const CsvTable& trips) {
    TripsById out;
    for (std::size_t r = 0; r < trips.size(); ++r) {
        TripInfo t;
        t.routeId = trips.get(r, "route_id");
        t.serviceId = trips.get(r, "service_id");
        t.direction = trim(trips.get(r, "direction_id")) == "1" ? 1 : 0;
        const std::string& block = trips.get(r, "block_id");
        t.vehicle = block.empty() ? trips.get(r, "trip_id") : block;
        out.emplace(trips.get(r, "trip_id"), std::move(t));
    }
    return out;
}

// stop_times.txt: calls of trips that trips.txt does not list are skipped.
void readStopTimes(const CsvTable& stopTimes, const std::filesystem::path& file, TripsById& trips) {
    for (std::size_t r = 0; r < stopTimes.size(); ++r) {
        const auto it = trips.find(stopTimes.get(r, "trip_id"));
        if (it == trips.end()) continue;
        const auto seq = parseLong(stopTimes.get(r, "stop_sequence"));
        if (!seq) throw std::runtime_error(file.string() + ": bad stop_sequence in row " + std::to_string(r + 2));
        StopTime st;
        st.sequence = *seq;
        st.stopId = stopTimes.get(r, "stop_id");
        st.arrival = parseGtfsTime(stopTimes.get(r, "arrival_time"));
        st.departure = parseGtfsTime(stopTimes.get(r, "departure_time"));
        it->second.calls.push_back(std::move(st));
    }
}

using TripsByRoute = std::map<std::pair<std::string, int>, std::vector<const TripInfo*>>;

// The usable trips by route and direction, in the order trips.txt lists
// them: calls put in sequence with their blank times filled, on a service
// the calendar knows.
TripsByRoute tripsByRoute(const CsvTable& trips, TripsById& byId, const Services& services) {
    TripsByRoute out;
    for (std::size_t r = 0; r < trips.size(); ++r) {
        auto& t = byId.at(trips.get(r, "trip_id"));
        std::sort(t.calls.begin(), t.calls.end(),
                  [](const StopTime& a, const StopTime& b) { return a.sequence < b.sequence; });
        if (t.calls.size() < 2 || !interpolate(t.calls)) continue;
        if (!services.index.count(t.serviceId)) continue;
        out[{t.routeId, t.direction}].push_back(&t);
    }
    return out;
}

// The most common stop pattern; ties go to the longer, then the first seen.
std::vector<std::string> commonPattern(const std::vector<const TripInfo*>& trips) {
    std::map<std::vector<std::string>, std::pair<int, std::size_t>> counts;  // pattern: count, first seen
    std::size_t order = 0;
    for (const TripInfo* t : trips) {
        std::vector<std::string> pattern;
        for (const auto& c : t->calls) pattern.push_back(c.stopId);
        ++counts.emplace(std::move(pattern), std::make_pair(0, order++)).first->second.first;
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
    return *best;
}

// The trip as calls at stops of the pattern, in its order; none when the trip
// calls anywhere else.
std::optional<Trip> tripOnPattern(const TripInfo& t, const std::vector<std::string>& pattern, std::size_t service) {
    Trip trip;
    trip.vehicle = t.vehicle;
    trip.service = service;
    std::size_t at = 0;
    for (const auto& c : t.calls) {
        while (at < pattern.size() && pattern[at] != c.stopId) ++at;
        if (at == pattern.size()) return std::nullopt;
        trip.orderNo.push_back(static_cast<int>(at) + 1);
        trip.arrival.push_back(*c.arrival);
        trip.departure.push_back(std::max(*c.arrival, *c.departure));
        ++at;
    }
    return trip;
}

// The first and last departure from a trip's first stop, for a line's hours.
struct Hours {
    int first = -1;
    int last = -1;
    void include(int departure) {
        first = first < 0 ? departure : std::min(first, departure);
        last = std::max(last, departure);
    }
};

LineDirection directionOf(const std::vector<const TripInfo*>& trips, const StopNames& stopNames,
                          const Services& services, Hours& hours) {
    const auto pattern = commonPattern(trips);
    LineDirection dir;
    for (const auto& id : pattern) {
        const auto name = stopNames.find(id);
        dir.stops.push_back(name != stopNames.end() && !name->second.empty() ? name->second : stopName(id));
    }
    for (const TripInfo* t : trips) {
        auto trip = tripOnPattern(*t, pattern, services.index.at(t->serviceId));
        if (!trip) continue;
        hours.include(trip->departure.front());
        dir.trips.push_back(std::move(*trip));
    }
    return dir;
}

std::string routeName(const CsvTable& routes, std::size_t r) {
    std::string name(trim(routes.get(r, "route_short_name")));
    if (name.empty()) name = std::string(trim(routes.get(r, "route_long_name")));
    if (name.empty()) name = routes.get(r, "route_id");
    return name;
}

// routes.txt: each route with a usable trip becomes a line, numbered from 1
// in the order the file lists them.
void readRoutes(const CsvTable& routes, const TripsByRoute& trips, const StopNames& stopNames,
                const Services& services, const std::string& agencyName, City& city) {
    std::int64_t nextLineId = 1;
    for (std::size_t r = 0; r < routes.size(); ++r) {
        Line line;
        line.lineName = routeName(routes, r);
        line.gjgs = agencyName;
        Hours hours;
        for (int d = 0; d < 2; ++d) {
            const auto it = trips.find({routes.get(r, "route_id"), d});
            if (it != trips.end())
                line.directions[static_cast<std::size_t>(d)] = directionOf(it->second, stopNames, services, hours);
        }
        if (!line.directions[0] && !line.directions[1]) continue;
        line.lineId = nextLineId++;
        line.gprsId = line.lineId;
        if (hours.first >= 0) line.opTime = hhmm(hours.first) + "-" + hhmm(hours.last);
        city.lines.push_back(std::move(line));
    }
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
    const FeedTables tables = readTables(feed);
    City city;
    city.cityId = options.cityId;
    city.port = options.port;
    const std::string agencyName = readAgency(tables.agency, feed, options, city);
    Services services{city.services, {}};
    if (tables.calendar) readCalendar(*tables.calendar, feed / "calendar.txt", services);
    if (tables.calendarDates) readCalendarDates(*tables.calendarDates, services);
    const StopNames stopNames = readStops(tables.stops);
    TripsById trips = readTrips(tables.trips);
    readStopTimes(tables.stopTimes, feed / "stop_times.txt", trips);
    readRoutes(tables.routes, tripsByRoute(tables.trips, trips, services), stopNames, services, agencyName, city);
    if (city.lines.empty()) throw std::runtime_error(feed.string() + ": no route with a usable trip");
    validateCity(city);
    return city;
}

}  // namespace bus::standin
