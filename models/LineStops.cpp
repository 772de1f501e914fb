#include "models/LineStops.h"

#include "city/CityService.h"

namespace bus::models {

void LineStops::ask(std::int64_t direction, std::int64_t lineId) {
    requests_.ask<Reading>(
        "line", [direction, lineId] { return city::line(direction, lineId); },
        [this](Reading reading) {
            if (answered) answered(std::move(reading));
        });
}

}  // namespace bus::models
