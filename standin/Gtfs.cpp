#include "standin/Gtfs.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <map>
#include <stdexcept>
#include <unordered_map>

#include "standin/Csv.h"
#include "standin/ZipFeed.h"

namespace bus::standin {

namespace {

constexpr int kBlank = INT_MIN;  // a stop time the feed leaves empty

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

// Hours past midnight stay as the timetable writes them ("25:45"), so that the
// app can say the last trip leaves the next day.
std::string hhmm(int seconds) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d", seconds / 3600, (seconds / 60) % 60);
    return buf;
}

// Look-ups by the text of a field without copying it first.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
using IndexByText = std::unordered_map<std::string, int, TextHash, std::equal_to<>>;

int indexOf(const IndexByText& index, std::string_view key) {
    const auto it = index.find(key);
    return it == index.end() ? -1 : it->second;
}

// A call as stop_times.txt gives it, before it is placed on a line.
struct RawCall {
    int sequence = 0;
    int stop = -1;
    int arrival = kBlank;
    int departure = kBlank;
};

struct RawTrip {
    std::string id;
    std::string vehicle;
    int route = -1;
    int service = -1;
    int direction = 0;
    std::vector<RawCall> calls;
    std::vector<Frequency> frequencies;
};

// Every table a feed is read from.
const std::vector<std::string_view> kTables = {"stops.txt",       "routes.txt",          "trips.txt",
                                               "stop_times.txt",  "calendar.txt",        "calendar_dates.txt",
                                               "agency.txt",      "feed_info.txt",       "fare_attributes.txt",
                                               "fare_rules.txt",  "frequencies.txt"};

std::string folderName(const std::filesystem::path& feed) {
    auto folder = std::filesystem::absolute(feed).lexically_normal();
    if (folder.filename().empty()) folder = folder.parent_path();
    return folder.filename().string();
}

// Where a feed's tables are read from: a folder's files, or a zip's members
// read in place. Either streams through a CsvReader.
class FeedTables {
public:
    FeedTables(const std::filesystem::path& feed, const GtfsOptions& options) : feed_(feed) {
        std::error_code ec;
        const auto status = std::filesystem::status(feed, ec);
        if (std::filesystem::is_regular_file(status))
            zip_ = std::make_unique<ZipFeed>(feed, kTables, ZipBounds{options.zipTableBytes, options.zipFeedBytes});
        else if (!std::filesystem::is_directory(status))
            throw std::runtime_error(feed.string() + ": no such folder or zip file");
    }
    // std::nullopt when the feed has no such table.
    std::optional<CsvReader> stream(std::string_view table) const {
        return zip_ ? zip_->open(table) : CsvReader::open(feed_ / table);
    }
    std::optional<CsvTable> read(std::string_view table) const {
        auto reader = stream(table);
        if (!reader) return std::nullopt;
        return CsvTable::read(*reader);
    }
    // The table as refusals name it.
    std::string name(std::string_view table) const { return zip_ ? zip_->name(table) : (feed_ / table).string(); }
    // The city's name when neither the options nor agency.txt give one: the
    // folder's, or the zip's without its extension.
    std::string cityName() const { return zip_ ? feed_.stem().string() : folderName(feed_); }

private:
    std::filesystem::path feed_;
    std::unique_ptr<ZipFeed> zip_;  // null for a folder
};

// The tables of one feed, opened in a fixed order so that the first fault
// reported is always the same one, with every needed column checked. The
// large ones are read as streams.
struct FeedFiles {
    CsvReader stops;
    CsvTable routes;
    CsvReader trips;
    CsvReader stopTimes;
    std::optional<CsvTable> calendar;
    std::optional<CsvTable> calendarDates;
    std::optional<CsvTable> agency;
    std::optional<CsvTable> feedInfo;
    std::optional<CsvTable> fares;
    std::optional<CsvTable> fareRules;
    std::optional<CsvReader> frequencies;
};

template <typename Table>
Table need(std::optional<Table> table, const std::string& name) {
    if (!table) throw std::runtime_error(name + ": missing from the feed");
    return std::move(*table);
}

template <typename Table>
void needColumns(const Table& t, const std::string& name, std::initializer_list<const char*> cols) {
    for (const char* c : cols)
        if (!t.has(c)) throw std::runtime_error(name + ": no column " + c);
}

FeedFiles openFiles(const FeedTables& feed) {
    FeedFiles f{need(feed.stream("stops.txt"), feed.name("stops.txt")),
                need(feed.read("routes.txt"), feed.name("routes.txt")),
                need(feed.stream("trips.txt"), feed.name("trips.txt")),
                need(feed.stream("stop_times.txt"), feed.name("stop_times.txt")),
                feed.read("calendar.txt"),
                feed.read("calendar_dates.txt"),
                feed.read("agency.txt"),
                feed.read("feed_info.txt"),
                feed.read("fare_attributes.txt"),
                feed.read("fare_rules.txt"),
                feed.stream("frequencies.txt")};
    if (!f.calendar && !f.calendarDates) throw std::runtime_error(feed.name("calendar.txt") + ": missing from the feed");
    needColumns(f.stops, feed.name("stops.txt"), {"stop_id", "stop_name"});
    needColumns(f.routes, feed.name("routes.txt"), {"route_id"});
    needColumns(f.trips, feed.name("trips.txt"), {"route_id", "service_id", "trip_id"});
    needColumns(f.stopTimes, feed.name("stop_times.txt"),
                {"trip_id", "stop_id", "stop_sequence", "arrival_time", "departure_time"});
    if (f.calendar) needColumns(*f.calendar, feed.name("calendar.txt"), {"service_id", "start_date", "end_date"});
    if (f.fares) needColumns(*f.fares, feed.name("fare_attributes.txt"), {"fare_id", "price", "currency_type"});
    if (f.frequencies)
        needColumns(*f.frequencies, feed.name("frequencies.txt"), {"trip_id", "start_time", "end_time", "headway_secs"});
    return f;
}

// agency.txt: the city's name, unless the options give one. Returns the
// first agency's name, which every line shows as its operator.
std::string readAgency(const std::optional<CsvTable>& agency, const FeedTables& feed, const GtfsOptions& options,
                       City& city) {
    const bool listed = agency && agency->size() > 0;
    const std::string agencyName = listed ? agency->get(0, "agency_name") : std::string();
    city.name = !options.name.empty() ? options.name : agencyName;
    if (city.name.empty()) city.name = feed.cityName();
    return agencyName;
}

// The zone the feed's times are read in: utc= when given, else the agencies'
// zone (one for all agencies of a feed), else the zone its stops are in,
// else the machine's. A stop's own zone never moves the times of the trips
// that call there: stop_times.txt gives them all in the agencies' zone.
TimeZone feedZone(const std::optional<CsvTable>& agency, const std::string& stopZone, const GtfsOptions& options) {
    if (options.utcOffsetSeconds) return TimeZone(*options.utcOffsetSeconds);
    const std::string named = agency && agency->size() > 0 ? std::string(trim(agency->get(0, "agency_timezone"))) : "";
    if (auto zone = TimeZone::named(named)) return *zone;
    if (auto zone = TimeZone::named(stopZone)) return *zone;
    return TimeZone::machine();
}

// The language riders read the live texts in: the feed's feed_lang, else
// (none, or "mul" for a feed in several) the first agency's agency_lang.
// Only the primary subtag counts, case aside, so "en-US" and "EN" are
// English; any other language keeps the Chinese texts, having none of its own.
TextLanguage feedLanguage(const std::optional<CsvTable>& feedInfo, const std::optional<CsvTable>& agency) {
    const auto primary = [](const std::optional<CsvTable>& table, std::string_view column) {
        std::string tag(table && table->size() > 0 ? trim(table->get(0, column)) : std::string_view());
        tag.resize(std::min(tag.size(), tag.find_first_of("-_")));
        for (char& c : tag)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return tag;
    };
    std::string tag = primary(feedInfo, "feed_lang");
    if (tag.empty() || tag == "mul") tag = primary(agency, "agency_lang");
    return tag == "en" ? TextLanguage::english : TextLanguage::chinese;
}

// The city's services in the order the calendar files first name them; a
// trip keeps the index of its service.
struct Services {
    std::vector<ServiceDays>& days;
    IndexByText index;

    ServiceDays& named(const std::string& id) {
        auto [it, fresh] = index.emplace(id, static_cast<int>(days.size()));
        if (fresh) {
            days.emplace_back();
            days.back().id = id;
        }
        return days[static_cast<std::size_t>(it->second)];
    }
};

void readCalendar(const CsvTable& calendar, const std::string& file, Services& services) {
    static const char* weekdays[7] = {"monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday"};
    for (std::size_t r = 0; r < calendar.size(); ++r) {
        ServiceDays& s = services.named(calendar.get(r, "service_id"));
        for (std::size_t d = 0; d < 7; ++d) s.weekdays[d] = trim(calendar.get(r, weekdays[d])) == "1";
        const auto start = parseLong(calendar.get(r, "start_date"));
        const auto end = parseLong(calendar.get(r, "end_date"));
        if (!start || !end)
            throw std::runtime_error(file + ": bad start_date or end_date in row " + std::to_string(r + 2));
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

// stops.txt: the places a vehicle calls at, by index, with the name each is
// shown by and a number per distinct name, for matching stops that have the
// same name but other ids. Entrances, generic nodes and boarding areas
// (location_type 2 to 4) are no place to call at, so a call there is
// skipped. A station (location_type 1) should not be called at either, but
// feeds do list calls at one, and a vehicle that calls there does stop there:
// it is kept as a stop under its own name, and also names its platforms that
// have none of their own.
struct Stops {
    IndexByText index;
    std::vector<int> nameKey;
    std::vector<bool> station;  // by index: a location_type 1 entry
    std::string zone;  // the first stop_timezone given
};

Stops readStops(CsvReader& stops, City& city) {
    Stops out;
    const int idCol = stops.column("stop_id"), nameCol = stops.column("stop_name");
    const int typeCol = stops.column("location_type"), parentCol = stops.column("parent_station");
    const int zoneCol = stops.column("stop_timezone");
    std::unordered_map<std::string, std::string> stations;
    std::vector<std::pair<std::size_t, std::string>> unnamed;  // a platform, its station
    while (stops.next()) {
        const std::string_view id = stops.field(idCol), type = trim(stops.field(typeCol));
        if (out.zone.empty()) out.zone = trim(stops.field(zoneCol));
        std::string name = bracketFree(trim(stops.field(nameCol)));
        if (type == "2" || type == "3" || type == "4") continue;
        const bool station = type == "1";
        if (station && !name.empty()) stations.emplace(id, name);
        if (!out.index.emplace(std::string(id), static_cast<int>(city.stopIds.size())).second) continue;
        if (name.empty()) unnamed.emplace_back(city.stopIds.size(), station ? "" : stops.field(parentCol));
        city.stopIds.emplace_back(id);
        city.stopNames.push_back(std::move(name));
        out.station.push_back(station);
    }
    for (const auto& [stop, station] : unnamed) {
        const auto it = stations.find(station);
        city.stopNames[stop] = it != stations.end() ? it->second : bracketFree(city.stopIds[stop]);
    }
    IndexByText names;
    for (const auto& name : city.stopNames)
        out.nameKey.push_back(names.emplace(name, static_cast<int>(names.size())).first->second);
    return out;
}

// trips.txt: a trip's vehicle is its block when it has one, so the trips of
// one bus show one licence plate.
std::vector<RawTrip> readTrips(CsvReader& trips, const IndexByText& routes, const Services& services,
                               IndexByText& index) {
    std::vector<RawTrip> out;
    const int routeCol = trips.column("route_id"), serviceCol = trips.column("service_id");
    const int idCol = trips.column("trip_id"), dirCol = trips.column("direction_id"), blockCol = trips.column("block_id");
    while (trips.next()) {
        RawTrip t;
        t.id = trips.field(idCol);
        t.route = indexOf(routes, trips.field(routeCol));
        t.service = indexOf(services.index, trips.field(serviceCol));
        t.direction = trim(trips.field(dirCol)) == "1" ? 1 : 0;
        const std::string_view block = trips.field(blockCol);
        t.vehicle = block.empty() ? t.id : std::string(block);
        if (index.emplace(t.id, static_cast<int>(out.size())).second) out.push_back(std::move(t));
    }
    return out;
}

// A row of a streamed table that cannot be read: the feed is refused with the
// file, the row, its line in the file and the trip it belongs to.
[[noreturn]] void badRow(const CsvReader& table, std::size_t row, std::string_view trip, const std::string& what) {
    throw std::runtime_error(table.name() + ": " + what + " in row " + std::to_string(row) + " (line " +
                             std::to_string(table.line()) + " of the file, trip " + std::string(trip.substr(0, 80)) + ")");
}

// A stop time, kBlank when the field is empty; a field that holds anything
// but a time refuses the feed rather than passing for a non-timing stop.
int stopTime(const CsvReader& table, int column, const char* field, std::size_t row, std::string_view trip) {
    const std::string_view text = trim(table.field(column));
    if (text.empty()) return kBlank;
    const auto t = parseGtfsTime(text);
    if (!t) badRow(table, row, trip, std::string("bad ") + field + " \"" + std::string(text.substr(0, 40)) + "\"");
    return *t;
}

// stop_times.txt: calls of trips that trips.txt does not list, or at places
// that are no stop, are skipped. Feeds list a trip's calls together, so the
// last trip found is tried first. Calls at a station are kept and counted in
// `atStations`, with the first such station.
struct StationCalls {
    std::size_t count = 0;
    int first = -1;
};

void readStopTimes(CsvReader& stopTimes, const IndexByText& tripIndex, const Stops& stops,
                   std::vector<RawTrip>& trips, StationCalls& atStations) {
    const int tripCol = stopTimes.column("trip_id"), stopCol = stopTimes.column("stop_id");
    const int seqCol = stopTimes.column("stop_sequence"), arrCol = stopTimes.column("arrival_time");
    const int depCol = stopTimes.column("departure_time");
    std::string lastId;
    int last = -1;
    for (std::size_t row = 1; stopTimes.next(); ++row) {
        const std::string_view id = stopTimes.field(tripCol);
        if (id != lastId) {
            lastId = id;
            last = indexOf(tripIndex, id);
        }
        if (last < 0) continue;
        const auto seq = parseLong(stopTimes.field(seqCol));
        if (!seq || *seq < 0 || *seq > INT_MAX) badRow(stopTimes, row, id, "bad stop_sequence");
        RawCall c;
        c.sequence = static_cast<int>(*seq);
        c.stop = indexOf(stops.index, stopTimes.field(stopCol));
        if (c.stop < 0) continue;
        if (stops.station[static_cast<std::size_t>(c.stop)] && atStations.count++ == 0) atStations.first = c.stop;
        c.arrival = stopTime(stopTimes, arrCol, "arrival_time", row, id);
        c.departure = stopTime(stopTimes, depCol, "departure_time", row, id);
        trips[static_cast<std::size_t>(last)].calls.push_back(c);
    }
}

// Fills stop times that a feed leaves blank (non-timing points) by even
// spacing between the known ones; false when the ends are blank too. The
// spacing is worked out in 64 bits: a long run of blank calls between far
// apart times overflows an int.
bool interpolate(std::vector<RawCall>& calls) {
    for (auto& c : calls) {
        if (c.arrival != kBlank && c.departure == kBlank) c.departure = c.arrival;
        if (c.departure != kBlank && c.arrival == kBlank) c.arrival = c.departure;
    }
    if (calls.empty() || calls.front().departure == kBlank || calls.back().arrival == kBlank) return false;
    std::size_t known = 0;
    for (std::size_t i = 1; i < calls.size(); ++i) {
        if (calls[i].arrival == kBlank) continue;
        const std::int64_t from = calls[known].departure;
        const std::int64_t span = std::int64_t{calls[i].arrival} - from;
        const auto gaps = static_cast<std::int64_t>(i - known);
        for (std::size_t k = known + 1; k < i; ++k) {
            const auto t = static_cast<int>(from + span * static_cast<std::int64_t>(k - known) / gaps);
            calls[k].arrival = t;
            calls[k].departure = t;
        }
        known = i;
    }
    return true;
}

// frequencies.txt: the windows in which a trip runs by headway. A row whose
// times or headway cannot be read refuses the feed; one of a trip that
// trips.txt does not list is skipped, and so is an empty window.
void readFrequencies(CsvReader& rows, const IndexByText& tripIndex, std::vector<RawTrip>& trips) {
    const int tripCol = rows.column("trip_id"), startCol = rows.column("start_time");
    const int endCol = rows.column("end_time"), headwayCol = rows.column("headway_secs");
    const int exactCol = rows.column("exact_times");
    for (std::size_t row = 1; rows.next(); ++row) {
        const std::string_view id = rows.field(tripCol);
        const int trip = indexOf(tripIndex, id);
        if (trip < 0) continue;
        Frequency f;
        f.start = stopTime(rows, startCol, "start_time", row, id);
        f.end = stopTime(rows, endCol, "end_time", row, id);
        if (f.start == kBlank || f.end == kBlank) badRow(rows, row, id, "a window without start_time or end_time");
        const auto headway = parseLong(rows.field(headwayCol));
        if (!headway || *headway < 1 || *headway > INT_MAX) badRow(rows, row, id, "bad headway_secs");
        f.headwaySeconds = static_cast<int>(*headway);
        f.exactTimes = trim(rows.field(exactCol)) == "1";
        if (f.end > f.start) trips[static_cast<std::size_t>(trip)].frequencies.push_back(f);
    }
}

using TripsByRoute = std::map<std::pair<int, int>, std::vector<RawTrip*>>;

// The usable trips by route and direction, in the order trips.txt lists
// them: calls put in sequence with their blank times filled, on a service
// the calendar knows.
TripsByRoute tripsByRoute(std::vector<RawTrip>& trips) {
    TripsByRoute out;
    for (auto& t : trips) {
        std::sort(t.calls.begin(), t.calls.end(),
                  [](const RawCall& a, const RawCall& b) { return a.sequence < b.sequence; });
        if (t.route < 0 || t.service < 0 || t.calls.size() < 2 || !interpolate(t.calls)) continue;
        out[{t.route, t.direction}].push_back(&t);
    }
    return out;
}

// The most common stop pattern; ties go to the longer, then the first seen.
std::vector<int> commonPattern(const std::vector<RawTrip*>& trips) {
    std::map<std::vector<int>, std::pair<int, std::size_t>> counts;  // pattern: count, first seen
    std::size_t order = 0;
    for (const RawTrip* t : trips) {
        std::vector<int> pattern;
        pattern.reserve(t->calls.size());
        for (const auto& c : t->calls) pattern.push_back(c.stop);
        ++counts.emplace(std::move(pattern), std::make_pair(0, order++)).first->second.first;
    }
    const std::vector<int>* best = nullptr;
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

// A trip's calls numbered by the stop of the line each is at, matched in
// travel order by stop id, else by stop name; 0 for a stop off the line.
// Calls after its last stop on the line are dropped: it is gone from the
// line then. Empty when no stop of the trip is on the line.
std::vector<Call> callsOnLine(const std::vector<RawCall>& raw, const std::vector<int>& line,
                              const std::vector<int>& lineNames, const Stops& stops) {
    std::vector<Call> calls;
    calls.reserve(raw.size());
    std::size_t at = 0;
    std::size_t lastOnLine = 0;
    for (const auto& r : raw) {
        auto k = static_cast<std::size_t>(std::find(line.begin() + static_cast<long>(at), line.end(), r.stop) - line.begin());
        if (k == line.size()) {
            const int name = stops.nameKey[static_cast<std::size_t>(r.stop)];
            k = static_cast<std::size_t>(std::find(lineNames.begin() + static_cast<long>(at), lineNames.end(), name) -
                                         lineNames.begin());
        }
        Call c;
        c.arrival = r.arrival;
        c.departure = std::max(r.arrival, r.departure);
        c.sequence = r.sequence;
        c.stop = r.stop;
        if (k < line.size()) {
            c.orderNo = static_cast<int>(k) + 1;
            at = k + 1;
            lastOnLine = calls.size() + 1;
        }
        calls.push_back(c);
    }
    calls.resize(lastOnLine);
    return calls;
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

// Every trip of the route and direction runs on the line of its most common
// pattern. The trips' calls are released as they are placed.
LineDirection directionOf(const std::vector<RawTrip*>& trips, const Stops& stops, const City& city, Hours& hours) {
    LineDirection dir;
    dir.stopKeys = commonPattern(trips);
    std::vector<int> names;
    for (int s : dir.stopKeys) {
        dir.stops.push_back(city.stopNames[static_cast<std::size_t>(s)]);
        names.push_back(stops.nameKey[static_cast<std::size_t>(s)]);
    }
    for (RawTrip* t : trips) {
        Trip trip;
        trip.calls = callsOnLine(t->calls, dir.stopKeys, names, stops);
        std::vector<RawCall>().swap(t->calls);
        if (trip.calls.empty()) continue;
        trip.id = std::move(t->id);
        trip.vehicle = std::move(t->vehicle);
        trip.service = static_cast<std::size_t>(t->service);
        trip.frequencies = std::move(t->frequencies);
        if (trip.frequencies.empty()) hours.include(trip.calls.front().departure);
        for (const Frequency& f : trip.frequencies) {
            hours.include(f.start);
            hours.include(f.start + (f.end - 1 - f.start) / f.headwaySeconds * f.headwaySeconds);
        }
        dir.trips.push_back(std::move(trip));
    }
    return dir;
}

// fare_attributes.txt and fare_rules.txt: the lowest fare that a rule gives
// a route, shown with its currency; a route that no rule names has the
// feed's fare when the feed has only one.
std::map<std::string, std::string> routeFares(const std::optional<CsvTable>& fares,
                                              const std::optional<CsvTable>& rules) {
    std::map<std::string, std::string> out;
    if (!fares) return out;
    std::map<std::string, std::pair<double, std::string>> byId;
    for (std::size_t r = 0; r < fares->size(); ++r) {
        const std::string price(trim(fares->get(r, "price")));
        byId[fares->get(r, "fare_id")] = {std::strtod(price.c_str(), nullptr),
                                          price + " " + std::string(trim(fares->get(r, "currency_type")))};
    }
    if (byId.size() == 1) out[""] = byId.begin()->second.second;
    std::map<std::string, double> lowest;
    for (std::size_t r = 0; rules && r < rules->size(); ++r) {
        const auto fare = byId.find(rules->get(r, "fare_id"));
        const std::string& route = rules->get(r, "route_id");
        if (fare == byId.end() || route.empty()) continue;
        const auto low = lowest.find(route);
        if (low != lowest.end() && low->second <= fare->second.first) continue;
        lowest[route] = fare->second.first;
        out[route] = fare->second.second;
    }
    return out;
}

std::string routeName(const CsvTable& routes, std::size_t r) {
    std::string name(trim(routes.get(r, "route_short_name")));
    if (name.empty()) name = std::string(trim(routes.get(r, "route_long_name")));
    if (name.empty()) name = routes.get(r, "route_id");
    return name;
}

// routes.txt: each route with a usable trip becomes a line, numbered from 1
// in the order the file lists them.
void readRoutes(const FeedFiles& files, const TripsByRoute& trips, const Stops& stops, const std::string& agencyName,
                City& city) {
    const auto fares = routeFares(files.fares, files.fareRules);
    const auto anyRoute = fares.find("");
    // A feed of one agency may leave routes' agency_id out.
    const std::string soleAgency = files.agency && files.agency->size() > 0 ? files.agency->get(0, "agency_id") : "";
    std::int64_t nextLineId = 1;
    for (std::size_t r = 0; r < files.routes.size(); ++r) {
        Line line;
        line.routeId = files.routes.get(r, "route_id");
        line.agencyId = files.routes.get(r, "agency_id");
        if (line.agencyId.empty()) line.agencyId = soleAgency;
        if (const auto type = parseLong(files.routes.get(r, "route_type")); type && *type >= 0 && *type <= INT_MAX)
            line.routeType = static_cast<int>(*type);
        line.lineName = bracketFree(routeName(files.routes, r));
        line.gjgs = bracketFree(agencyName);
        const auto fare = fares.find(line.routeId);
        if (fare != fares.end()) line.ticketPrice = bracketFree(fare->second);
        else if (anyRoute != fares.end()) line.ticketPrice = bracketFree(anyRoute->second);
        Hours hours;
        for (int d = 0; d < 2; ++d) {
            const auto it = trips.find({static_cast<int>(r), d});
            if (it != trips.end())
                line.directions[static_cast<std::size_t>(d)] = directionOf(it->second, stops, city, hours);
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
    if (!h || !m || !s || *h < 0 || *h > 99 || *m < 0 || *m > 59 || *s < 0 || *s > 59) return std::nullopt;
    return static_cast<int>(*h * 3600 + *m * 60 + *s);
}

City importGtfs(const std::filesystem::path& feed, const GtfsOptions& options) {
    const FeedTables tables(feed, options);
    FeedFiles files = openFiles(tables);
    City city;
    city.cityId = options.cityId;
    city.port = options.port;
    const std::string agencyName = readAgency(files.agency, tables, options, city);
    Services services{city.services, {}};
    if (files.calendar) readCalendar(*files.calendar, tables.name("calendar.txt"), services);
    if (files.calendarDates) readCalendarDates(*files.calendarDates, services);
    const Stops stops = readStops(files.stops, city);
    city.timeZone = feedZone(files.agency, stops.zone, options);
    city.language = feedLanguage(files.feedInfo, files.agency);
    // For readers that take one offset for the whole feed: the one in force
    // at start-up.
    city.utcOffsetSeconds = city.timeZone->offsetAt(std::chrono::system_clock::now());
    IndexByText routes;
    for (std::size_t r = 0; r < files.routes.size(); ++r)
        routes.emplace(files.routes.get(r, "route_id"), static_cast<int>(r));
    std::vector<RawTrip> trips;
    StationCalls atStations;
    {
        IndexByText tripIndex;
        trips = readTrips(files.trips, routes, services, tripIndex);
        readStopTimes(files.stopTimes, tripIndex, stops, trips, atStations);
        if (files.frequencies) readFrequencies(*files.frequencies, tripIndex, trips);
    }
    if (atStations.count > 0) {
        const auto first = static_cast<std::size_t>(atStations.first);
        city.feedFaults.push_back(tables.name("stop_times.txt") + ": " + std::to_string(atStations.count) +
                                  (atStations.count == 1 ? " call" : " calls") +
                                  " at a station (location_type 1), the first at " + city.stopIds[first] + " \"" +
                                  city.stopNames[first] + "\"; each is served as a stop under the station's name");
    }
    readRoutes(files, tripsByRoute(trips), stops, agencyName, city);
    if (city.lines.empty()) throw std::runtime_error(feed.string() + ": no route with a usable trip");
    validateCity(city);
    return city;
}

}  // namespace bus::standin
