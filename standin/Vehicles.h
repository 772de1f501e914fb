#pragma once
// Where the vehicles of a line are at a given instant, worked out from the
// line's timetable alone so that every request at the same clock time sees
// the same buses.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "standin/Clock.h"
#include "standin/Network.h"

namespace bus::standin {

struct VehiclePosition {
    std::string licensePlate;
    // The stop it stands at, or is on its way to, numbered from 1 along the
    // direction, as the app reads it.
    int stationNo = 0;
    bool inStation = false;  // standing at that stop (else on its way to it from the stop before)
    const Trip* trip = nullptr;  // published timetables: the trip it runs, when known
};

struct VehicleRules {
    // Headway lines run only between their first and last departure; when
    // false they run around the clock. Published timetables always keep
    // their own hours.
    bool serviceHours = false;
};

// The vehicles of one direction of a line, nearest the end of the line first.
// Empty for a line without live data (gprsId 0) or an absent direction.
std::vector<VehiclePosition> vehiclesAt(const City& city, const Line& line, int direction,
                                        TimePoint when, const VehicleRules& rules);

// Where a published trip shows on its line while standing at call `call`,
// or on its way to it: at that stop when the line has it, else on the way to
// the next of its stops that the line has. Empty when the line has none of
// its stops from there on.
std::optional<VehiclePosition> placeOnLine(const Trip& trip, std::size_t call, bool standing);

// The nearest first, as realBus lists them.
void sortAlongLine(std::vector<VehiclePosition>& vehicles);

// What a rider waiting at stop `orderNo` reads beside a vehicle, in the
// city's language. Given the seconds until the vehicle is due there, a coming
// vehicle further than the stop before reads in minutes.
std::string approachText(const VehiclePosition& v, int orderNo, std::optional<std::int64_t> secondsAway = {},
                         TextLanguage language = TextLanguage::chinese);

// The vehicle nearest to stop `orderNo` that has not passed it, or null.
const VehiclePosition* nearestComing(const std::vector<VehiclePosition>& vehicles, int orderNo);

// The text for that vehicle, or "" when none is coming.
std::string nearestApproachText(const std::vector<VehiclePosition>& vehicles, int orderNo,
                                TextLanguage language = TextLanguage::chinese);

}  // namespace bus::standin
