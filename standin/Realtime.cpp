#include "standin/Realtime.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <stdexcept>
#include <unordered_set>

#include "GtfsRealtime.pb.h"

namespace bus::standin {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

std::int64_t posixSeconds(TimePoint t) {
    return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}

// The last second of 2199. Later readings, such as milliseconds taken for
// seconds, are no time: a time point counts nanoseconds and overflows in 2262.
constexpr std::int64_t kLatestSecond = 7258118399;

bool plausibleSecond(std::int64_t t) { return t > 0 && t <= kLatestSecond; }

// Days since 1970-01-01 of a YYYYMMDD text.
std::optional<std::int64_t> dayNumber(const std::string& yyyymmdd) {
    if (yyyymmdd.size() != 8 || yyyymmdd.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const int v = std::stoi(yyyymmdd);
    const std::chrono::year_month_day ymd{std::chrono::year(v / 10000), std::chrono::month(static_cast<unsigned>(v / 100 % 100)),
                                          std::chrono::day(static_cast<unsigned>(v % 100))};
    if (!ymd.ok()) return std::nullopt;
    return std::chrono::sys_days(ymd).time_since_epoch().count();
}

// The POSIX second the times of the service day a trip runs on count from
// (noon minus 12 h there, in the city's zone): its start date's when the
// update gives one, else that of the day whose run of the trip lies nearest
// the message's time. Each day takes the offset in force on it, so an update
// for a summer day reads right in winter and across a change.
std::int64_t serviceDayStart(const Trip& trip, const std::string& startDate, std::int64_t feedTime, const TimeZone& zone) {
    if (const auto day = dayNumber(startDate)) return zone.serviceDayStart(*day);
    const std::int64_t today = zone.localDay(TimePoint(std::chrono::seconds(feedTime)));
    std::int64_t best = 0;
    std::int64_t bestGap = LLONG_MAX;
    for (std::int64_t d = today - 1; d <= today + 1; ++d) {
        const std::int64_t dayStart = zone.serviceDayStart(d);
        const std::int64_t start = dayStart + trip.calls.front().arrival;
        const std::int64_t end = dayStart + trip.calls.back().departure;
        const std::int64_t gap = feedTime < start ? start - feedTime : std::max<std::int64_t>(0, feedTime - end);
        if (gap < bestGap) {
            best = dayStart;
            bestGap = gap;
        }
    }
    return best;
}

// The first call from `from` on that a stop sequence names, else that a stop
// names; kNone when there is none.
std::size_t callOf(const Trip& trip, std::optional<std::uint32_t> sequence, int stop, std::size_t from = 0) {
    for (std::size_t i = from; i < trip.calls.size(); ++i) {
        const Call& c = trip.calls[i];
        if (sequence ? c.sequence == static_cast<int>(*sequence) : (stop >= 0 && c.stop == stop)) return i;
    }
    return kNone;
}

// The stop of a line's direction that a feed stop is, by id or else by name.
std::optional<std::size_t> stopOnLine(const LineDirection& dir, int stop, const City& city) {
    if (stop < 0) return std::nullopt;
    const auto byId = std::find(dir.stopKeys.begin(), dir.stopKeys.end(), stop);
    if (byId != dir.stopKeys.end()) return static_cast<std::size_t>(byId - dir.stopKeys.begin());
    const auto byName = std::find(dir.stops.begin(), dir.stops.end(), city.stopNames[static_cast<std::size_t>(stop)]);
    if (byName != dir.stops.end()) return static_cast<std::size_t>(byName - dir.stops.begin());
    return std::nullopt;
}

struct Placed {
    std::int64_t lineId = 0;
    int direction = 0;
    VehiclePosition vehicle;
};

// A vehicle of a known trip is placed along that trip's calls; one of a trip
// the timetable lacks by its route, direction and stop.
std::optional<Placed> placeVehicle(const gtfsrt::VehiclePosition& p, const std::string& entityId,
                                   const LiveIndex& index) {
    using Status = gtfsrt::VehiclePosition;
    const bool standing = p.current_status() == Status::STOPPED_AT;
    const int stop = p.has_stop_id() ? index.stop(p.stop_id()) : -1;
    const auto sequence = p.has_current_stop_sequence() ? std::optional(p.current_stop_sequence()) : std::nullopt;
    const auto& trip = p.trip();
    std::optional<Placed> out;
    if (const auto* ref = trip.has_trip_id() ? index.trip(trip.trip_id()) : nullptr) {
        const std::size_t call = callOf(*ref->trip, sequence, stop);
        auto v = call == kNone ? std::nullopt : placeOnLine(*ref->trip, call, standing);
        if (!v) return std::nullopt;
        out = Placed{ref->line->lineId, ref->direction, std::move(*v)};
    } else if (const Line* line = trip.has_route_id() ? index.route(trip.route_id()) : nullptr) {
        // Without a direction only a line that runs one way is certain.
        const int d = trip.has_direction_id() ? static_cast<int>(trip.direction_id()) : (line->directions[1] ? -1 : 0);
        if (d < 0 || d > 1 || !line->directions[static_cast<std::size_t>(d)]) return std::nullopt;
        const auto k = stopOnLine(*line->directions[static_cast<std::size_t>(d)], stop, index.city());
        if (!k) return std::nullopt;
        VehiclePosition v;
        v.stationNo = static_cast<int>(*k) + 1;  // standing there, or on its way to it
        v.inStation = standing;
        out = Placed{line->lineId, d, std::move(v)};
    } else {
        return std::nullopt;
    }
    const auto& vd = p.vehicle();
    const std::string& plate = !vd.license_plate().empty() ? vd.license_plate() : !vd.label().empty() ? vd.label() : vd.id();
    if (!plate.empty()) out->vehicle.licensePlate = plate;
    if (out->vehicle.licensePlate.empty()) out->vehicle.licensePlate = entityId;
    return out;
}

// A trip update's times at the stops of the trip's line ahead. An update
// holds at the call it names; its delay holds for the calls after it up to
// the next update.
void predictArrivals(const gtfsrt::TripUpdate& u, const LiveIndex& index, std::int64_t feedTime, LiveData& out) {
    using Update = gtfsrt::TripUpdate::StopTimeUpdate;
    const auto* ref = u.trip().has_trip_id() ? index.trip(u.trip().trip_id()) : nullptr;
    if (!ref) return;
    const Trip& trip = *ref->trip;
    std::vector<const Update*> at(trip.calls.size(), nullptr);
    std::size_t from = 0;
    for (const auto& s : u.stop_time_update()) {
        const auto sequence = s.has_stop_sequence() ? std::optional(s.stop_sequence()) : std::nullopt;
        const std::size_t i = callOf(trip, sequence, s.has_stop_id() ? index.stop(s.stop_id()) : -1, from);
        if (i == kNone) continue;
        at[i] = &s;
        from = i + 1;
    }
    const std::int64_t dayStart = serviceDayStart(trip, u.trip().start_date(), feedTime, index.zone());
    // A plain flag beside the delay: GCC 12 at -O3 takes an optional's value
    // for uninitialised here.
    bool delayed = false;
    std::int64_t delay = 0;
    std::vector<std::pair<int, std::int64_t>> times;
    for (std::size_t i = 0; i < trip.calls.size(); ++i) {
        const Call& c = trip.calls[i];
        bool timed = false;
        std::int64_t due = 0;
        if (const Update* s = at[i]) {
            if (s->schedule_relationship() == gtfsrt::TripUpdate_StopTimeUpdate_ScheduleRelationship_NO_DATA)
                delayed = false;
            if (s->schedule_relationship() != gtfsrt::TripUpdate_StopTimeUpdate_ScheduleRelationship_SCHEDULED) continue;
            const bool arrival = s->has_arrival();
            const auto& event = arrival ? s->arrival() : s->departure();
            const std::int64_t scheduled = dayStart + (arrival ? c.arrival : c.departure);
            if (event.has_time() && plausibleSecond(event.time())) {
                timed = true;
                due = event.time();
                delayed = true;
                delay = event.time() - scheduled;
            } else if (event.has_delay()) {
                delayed = true;
                delay = event.delay();
            }
        }
        if (!timed && delayed) {
            timed = true;
            due = dayStart + c.arrival + delay;
        }
        if (timed && c.orderNo > 0) times.emplace_back(c.orderNo, due);
    }
    if (!times.empty()) out.arrivals[&trip] = std::move(times);
}

// An uint64 time of the format as a second, however large: one past any
// clock stays past it.
std::int64_t secondOf(std::uint64_t t) { return static_cast<std::int64_t>(std::min<std::uint64_t>(t, INT64_MAX)); }

TranslatedText translated(const gtfsrt::TranslatedString& s) {
    TranslatedText out;
    for (const auto& t : s.translation()) {
        if (out.size() == kMaxTranslations) break;
        out.push_back({alertText(t.language()), alertText(t.text())});
    }
    return out;
}

// Adds what one informed entity selects to the alert. The fields given must
// all hold; a trip names its line and direction. A selector the city cannot
// place (an unknown trip, route, agency or stop) selects nothing.
void select(const gtfsrt::EntitySelector& e, const LiveIndex& index, ServiceAlert& alert) {
    std::optional<std::string> route = e.has_route_id() ? std::optional(e.route_id()) : std::nullopt;
    std::optional<int> direction;  // 2 for any past 1: a direction no line has
    if (e.has_direction_id()) direction = static_cast<int>(std::min<std::uint32_t>(e.direction_id(), 2));
    const LiveIndex::TripRef* trip = nullptr;
    if (e.has_trip()) {
        const auto& t = e.trip();
        if (!t.has_trip_id() && !t.has_route_id()) return;
        if (t.has_trip_id() && !(trip = index.trip(t.trip_id()))) return;
        if (t.has_route_id()) {
            if (route && *route != t.route_id()) return;
            route = t.route_id();
        }
        if (t.has_direction_id()) {
            const int d = static_cast<int>(std::min<std::uint32_t>(t.direction_id(), 2));
            if (direction && *direction != d) return;
            direction = d;
        }
        if (trip) {
            if (direction && *direction != trip->direction) return;
            direction = trip->direction;
        }
    }
    const auto admits = [&](const Line* line) {
        return (!trip || line == trip->line) && (!route || line->routeId == *route) &&
               (!e.has_agency_id() || line->agencyId == e.agency_id()) &&
               (!e.has_route_type() || line->routeType == e.route_type());
    };
    if (e.has_stop_id()) {
        const int stop = index.stop(e.stop_id());
        if (stop < 0) return;
        for (const auto& p : index.placesOf(stop))
            if ((!direction || *direction == p.direction) && admits(p.line))
                alert.touches[{p.line->lineId, p.direction}].mark(p.orderNo);
        return;
    }
    std::vector<const Line*> lines;
    if (trip) lines = {trip->line};
    else if (route) lines = {index.route(*route)};
    else if (e.has_agency_id()) lines = index.linesOfAgency(e.agency_id());
    else if (e.has_route_type()) lines = index.linesOfType(e.route_type());
    for (const Line* line : lines) {
        if (!line || !admits(line)) continue;
        for (int d = 0; d < 2; ++d)
            if (line->directions[static_cast<std::size_t>(d)] && (!direction || *direction == d))
                alert.touches[{line->lineId, d}].wholeLine = true;
    }
}

// An alert as the city reads it, or nothing when it selects nothing there.
std::optional<ServiceAlert> readAlert(const gtfsrt::Alert& a, const std::string& entityId, const LiveIndex& index) {
    ServiceAlert out;
    // Many selectors alike would each walk the same lines again: each is
    // followed once.
    std::unordered_set<std::string> followed;
    for (const auto& e : a.informed_entity())
        if (followed.insert(e.SerializeAsString()).second) select(e, index, out);
    if (out.touches.empty()) return std::nullopt;
    out.id = alertText(entityId);
    for (const auto& p : a.active_period()) {
        if (out.periods.size() == kMaxAlertPeriods) break;
        out.periods.push_back({secondOf(p.start()), secondOf(p.end())});
    }
    out.title = translated(a.header_text());
    out.text = translated(a.description_text());
    out.url = translated(a.url());
    out.cause = gtfsrt::Alert_Cause_Name(a.cause());
    out.effect = gtfsrt::Alert_Effect_Name(a.effect());
    out.level = levelFor(a.has_severity_level() ? gtfsrt::Alert_SeverityLevel_Name(a.severity_level()) : "", out.effect);
    return out;
}

}  // namespace

LiveIndex::LiveIndex(const City& city) : city_(city), zone_(city.zone()) {
    for (std::size_t i = 0; i < city.stopIds.size(); ++i) stops_.emplace(city.stopIds[i], static_cast<int>(i));
    for (const auto& line : city.lines) {
        if (!line.routeId.empty()) routes_.emplace(line.routeId, &line);
        for (int d = 0; d < 2; ++d) {
            const auto& dir = line.directions[static_cast<std::size_t>(d)];
            if (!dir) continue;
            for (const auto& t : dir->trips) trips_.emplace(t.id, TripRef{&line, d, &t});
            for (std::size_t k = dir->stops.size(); k-- > 0;) {  // from the end, so the first of a name stays
                const Place place{&line, d, static_cast<int>(k) + 1};
                auto& named = placesByName_[dir->stops[k]];
                if (!named.empty() && named.back().line == &line && named.back().direction == d) named.back() = place;
                else named.push_back(place);
                if (k >= dir->stopKeys.size()) continue;
                auto& byId = placesById_[dir->stopKeys[k]];
                if (!byId.empty() && byId.back().line == &line && byId.back().direction == d) byId.back() = place;
                else byId.push_back(place);
            }
        }
        if (!line.agencyId.empty()) agencies_[line.agencyId].push_back(&line);
        if (line.routeType >= 0) routeTypes_[line.routeType].push_back(&line);
    }
}

std::vector<LiveIndex::Place> LiveIndex::placesOf(int stop) const {
    std::vector<Place> out;
    if (stop < 0 || static_cast<std::size_t>(stop) >= city_.stopNames.size()) return out;
    if (const auto it = placesById_.find(stop); it != placesById_.end()) out = it->second;
    const auto named = placesByName_.find(city_.stopNames[static_cast<std::size_t>(stop)]);
    if (named == placesByName_.end()) return out;
    const std::size_t byId = out.size();
    for (const auto& p : named->second) {
        const auto same = [&](const Place& q) { return q.line == p.line && q.direction == p.direction; };
        if (std::none_of(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(byId), same)) out.push_back(p);
    }
    return out;
}

const std::vector<const Line*>& LiveIndex::linesOfAgency(std::string_view agencyId) const {
    static const std::vector<const Line*> none;
    const auto it = agencies_.find(agencyId);
    return it == agencies_.end() ? none : it->second;
}

const std::vector<const Line*>& LiveIndex::linesOfType(int routeType) const {
    static const std::vector<const Line*> none;
    const auto it = routeTypes_.find(routeType);
    return it == routeTypes_.end() ? none : it->second;
}

const LiveIndex::TripRef* LiveIndex::trip(std::string_view tripId) const {
    const auto it = trips_.find(tripId);
    return it == trips_.end() ? nullptr : &it->second;
}

const Line* LiveIndex::route(std::string_view routeId) const {
    const auto it = routes_.find(routeId);
    return it == routes_.end() ? nullptr : it->second;
}

int LiveIndex::stop(std::string_view stopId) const {
    const auto it = stops_.find(stopId);
    return it == stops_.end() ? -1 : it->second;
}

std::vector<VehiclePosition> LiveData::vehiclesOf(std::int64_t lineId, int direction) const {
    const auto it = vehicles.find({lineId, direction});
    return it == vehicles.end() ? std::vector<VehiclePosition>() : it->second;
}

std::optional<std::int64_t> LiveData::secondsAway(const Trip* trip, int orderNo, TimePoint now) const {
    const auto it = trip ? arrivals.find(trip) : arrivals.end();
    if (it == arrivals.end()) return std::nullopt;
    for (const auto& [order, due] : it->second)
        if (order == orderNo) return due - posixSeconds(now);
    return std::nullopt;
}

void LiveData::merge(LiveData&& other) {
    if (version.empty()) version = std::move(other.version);
    time = std::min(time, other.time);
    vehicleReports += other.vehicleReports;
    for (auto& [key, vs] : other.vehicles) {
        auto& mine = vehicles[key];
        mine.insert(mine.end(), std::make_move_iterator(vs.begin()), std::make_move_iterator(vs.end()));
        sortAlongLine(mine);
    }
    arrivals.merge(other.arrivals);
    alerts.insert(alerts.end(), std::make_move_iterator(other.alerts.begin()), std::make_move_iterator(other.alerts.end()));
}

LiveData decodeRealtime(std::string_view bytes, const LiveIndex& index, TimePoint readAt) {
    gtfsrt::FeedMessage message;
    if (bytes.size() > INT_MAX || !message.ParseFromArray(bytes.data(), static_cast<int>(bytes.size())))
        throw std::runtime_error("not a GTFS-realtime message (" + std::to_string(bytes.size()) + " bytes)");
    LiveData out;
    out.version = message.header().gtfs_realtime_version();
    // A message whose time cannot be a time counts as out of date, as one
    // that cannot be read does.
    const auto stamp = message.header().timestamp();
    if (stamp > static_cast<std::uint64_t>(kLatestSecond))
        throw std::runtime_error("the message's timestamp " + std::to_string(stamp) + " is no time in seconds");
    out.time = stamp > 0 ? TimePoint(std::chrono::seconds(static_cast<std::int64_t>(stamp))) : readAt;
    const std::int64_t feedTime = posixSeconds(out.time);
    for (const auto& e : message.entity()) {
        if (e.is_deleted()) continue;
        if (e.has_vehicle()) {
            ++out.vehicleReports;
            if (auto p = placeVehicle(e.vehicle(), e.id(), index))
                out.vehicles[{p->lineId, p->direction}].push_back(std::move(p->vehicle));
        }
        if (e.has_trip_update()) predictArrivals(e.trip_update(), index, feedTime, out);
        if (e.has_alert() && out.alerts.size() < kMaxAlertsPerMessage)
            if (auto a = readAlert(e.alert(), e.id(), index)) out.alerts.push_back(std::move(*a));
    }
    for (auto& [key, vs] : out.vehicles) sortAlongLine(vs);
    return out;
}

}  // namespace bus::standin
