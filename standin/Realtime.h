#pragma once
// GTFS-realtime messages read onto a published timetable's city: vehicle
// positions become the vehicles of its lines, trip updates the minutes until
// a vehicle is due at a stop, and alerts the notices of the lines, directions
// and stops they select.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "standin/Alerts.h"
#include "standin/Clock.h"
#include "standin/Network.h"
#include "standin/Vehicles.h"

namespace bus::standin {

// What realtime messages refer to a city's lines by: trip, route and stop
// ids. Built once; refers into the city, which must outlive it.
class LiveIndex {
public:
    explicit LiveIndex(const City& city);

    struct TripRef {
        const Line* line = nullptr;
        int direction = 0;
        const Trip* trip = nullptr;
    };
    const City& city() const { return city_; }
    const TimeZone& zone() const { return zone_; }
    const TripRef* trip(std::string_view tripId) const;
    const Line* route(std::string_view routeId) const;
    int stop(std::string_view stopId) const;  // index into City::stopIds, or -1

    // Where a feed stop lies on the lines: on each direction that has it,
    // by its id or else by its name, the first such stop of the direction.
    struct Place {
        const Line* line = nullptr;
        int direction = 0;
        int orderNo = 0;
    };
    std::vector<Place> placesOf(int stop) const;
    const std::vector<const Line*>& linesOfAgency(std::string_view agencyId) const;
    const std::vector<const Line*>& linesOfType(int routeType) const;

private:
    const City& city_;
    TimeZone zone_;
    std::unordered_map<std::string_view, TripRef> trips_;
    std::unordered_map<std::string_view, const Line*> routes_;
    std::unordered_map<std::string_view, int> stops_;
    std::unordered_map<int, std::vector<Place>> placesById_;
    std::unordered_map<std::string_view, std::vector<Place>> placesByName_;
    std::unordered_map<std::string_view, std::vector<const Line*>> agencies_;
    std::unordered_map<int, std::vector<const Line*>> routeTypes_;
};

// The most alerts one message gives; a message with more is read as far as
// these, so that its alerts cannot take more than a bounded share of memory
// and of each reply's time.
inline constexpr std::size_t kMaxAlertsPerMessage = 10000;
// The most active periods of one alert that count; later ones are dropped.
inline constexpr std::size_t kMaxAlertPeriods = 256;

// The realtime data of a city at one moment.
struct LiveData {
    std::string version;   // the feed's gtfs_realtime_version
    TimePoint time;        // when the oldest message was made, else read
    std::size_t vehicleReports = 0;  // vehicle positions in the messages, placed or not
    // By line id and direction, nearest the end of the line first.
    std::map<std::pair<std::int64_t, int>, std::vector<VehiclePosition>> vehicles;
    // By trip: the POSIX time it is due at each stop of its line ahead,
    // as (orderNo, time) in travel order.
    std::unordered_map<const Trip*, std::vector<std::pair<int, std::int64_t>>> arrivals;
    // The alerts that select something of the city, whether active now or not.
    std::vector<ServiceAlert> alerts;

    // Vehicle positions, when the messages have any, replace the timetable's.
    bool hasVehicles() const { return vehicleReports > 0; }
    std::vector<VehiclePosition> vehiclesOf(std::int64_t lineId, int direction) const;
    // Seconds from `now` until the trip is due at stop orderNo, when known.
    std::optional<std::int64_t> secondsAway(const Trip* trip, int orderNo, TimePoint now) const;
    // Adds the data of another source of the same city.
    void merge(LiveData&& other);
};

// Decodes one GTFS-realtime FeedMessage and reads it onto the index's city.
// `readAt` stands for the message's time when its header has none. Throws
// std::runtime_error when the bytes are not such a message.
LiveData decodeRealtime(std::string_view bytes, const LiveIndex& index, TimePoint readAt);

}  // namespace bus::standin
