#include "models/LiveLine.h"

#include "city/CityService.h"
#include "city/CurrentCity.h"
#include "models/LastKnown.h"

namespace bus::models {

void LiveLine::askLine(std::int64_t direction, std::int64_t lineId) {
    requests_.ask<LineAnswer>(
        kLine, [cityId = city::currentId(), direction, lineId] { return lineOrCopy(cityId, direction, lineId); },
        [this](LineAnswer answer) {
            if (lineAnswered) lineAnswered(std::move(answer));
        });
}

void LiveLine::askVehicles(std::int64_t gprsId, std::int64_t orderNo, std::int64_t direction) {
    requests_.ask<VehiclesAnswer>(
        kVehicles, [gprsId, orderNo, direction] { return city::vehicles(gprsId, orderNo, direction); },
        [this](VehiclesAnswer answer) {
            if (vehiclesAnswered) vehiclesAnswered(std::move(answer));
        });
}

}  // namespace bus::models
