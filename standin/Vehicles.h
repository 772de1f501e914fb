#pragma once
// Where the vehicles of a line are at a given instant, worked out from the
// line's timetable alone so that every request at the same clock time sees
// the same buses.
#include <cstdint>
#include <string>
#include <vector>

#include "standin/Clock.h"
#include "standin/Network.h"

namespace bus::standin {

struct VehiclePosition {
    std::string licensePlate;
    int stationNo = 0;     // the stop reached, numbered from 1 along the direction
    bool inStation = false;  // standing at that stop (else on the way to the next)
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

// What a rider waiting at stop `orderNo` reads beside a vehicle.
std::string approachText(const VehiclePosition& v, int orderNo);

// The text for the vehicle nearest to stop `orderNo` that has not passed it,
// or "" when none is coming.
std::string nearestApproachText(const std::vector<VehiclePosition>& vehicles, int orderNo);

}  // namespace bus::standin
