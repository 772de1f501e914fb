#include "models/LiveLine.h"

#include "city/CityService.h"
#include "city/CurrentCity.h"
#include "models/LastKnown.h"
#include "platform/RunLoop.h"
#include "platform/Translation.h"
#include "transit/LiveRules.h"

namespace bus::models {

void LiveLine::askLine(std::int64_t direction, std::int64_t lineId) {
    requests_.ask<LineAnswer>(
        kLine, [cityId = city::currentId(), direction, lineId] { return lineOrCopy(cityId, direction, lineId); },
        [this](LineAnswer answer) {
            heardLine(answer);
            if (lineAnswered) lineAnswered(std::move(answer));
        });
}

void LiveLine::askVehicles(std::int64_t gprsId, std::int64_t orderNo, std::int64_t direction) {
    requests_.ask<VehiclesAnswer>(
        kVehicles, [gprsId, orderNo, direction] { return city::vehicles(gprsId, orderNo, direction); },
        [this](VehiclesAnswer answer) {
            heardVehicles(answer);
            if (vehiclesAnswered) vehiclesAnswered(std::move(answer));
        });
}

void LiveLine::askAlerts(std::int64_t lineId, std::int64_t direction) {
    requests_.ask<AlertsAnswer>(
        kAlerts, [lineId, direction, lang = platform::language()] { return city::alerts(lineId, direction, lang); },
        [this](AlertsAnswer answer) {
            if (alertsAnswered) alertsAnswered(std::move(answer));
        });
}

void LiveLine::heardLine(const LineAnswer& answer) {
    // A failed line leaves the screen as it was, copy or not.
    if (answer.failed()) return;
    if (answer.fromCopy())
        copyAsOf_ = answer.asOf();
    else
        copyAsOf_.reset();
}

void LiveLine::heardVehicles(const VehiclesAnswer& answer) {
    vehiclesFailed_ = answer.failed();
    if (answer.failed()) return;
    vehiclesAnsweredAt_ = platform::RunLoop::main().now();
    copyAsOf_.reset();
}

LiveLine::Age LiveLine::age(long long refreshSeconds) const {
    const auto& loop = platform::RunLoop::main();
    if (copyAsOf_) return {live::offlineAgeText(loop.secondsSince1970() - *copyAsOf_), true};
    if (!vehiclesAnsweredAt_ && !vehiclesFailed_) return {};
    const double seconds = vehiclesAnsweredAt_ ? loop.now() - *vehiclesAnsweredAt_ : 0;
    if (vehiclesFailed_ || static_cast<double>(live::wholeSeconds(seconds)) > live::staleAfterSeconds(refreshSeconds))
        return {platform::tr(live::kStaleText), true};
    return {live::dataAgeText(seconds), false};
}

}  // namespace bus::models
