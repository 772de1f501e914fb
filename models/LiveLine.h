#pragma once
// A line's requests: the line with its stops (the line stations screen and
// the live line ask it), and the vehicles of a waiting stop (the live line).
// The line is answered from its last good reply when its service cannot be
// reached (models/LastKnown); vehicles never are, as they only hold while
// they are fresh.
// Each is asked on a worker thread and answered on the main thread; an
// answer that a newer ask of its kind overtook (the rider switched direction
// or moved the waiting stop again) is dropped, and so is every answer once
// the model is told to forget (a direction switch takes the route over) or
// is gone with its screen.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "city/Answer.h"
#include "model/BusAlert.h"
#include "model/BusReal.h"
#include "models/Requests.h"
#include "service/Readings.h"

namespace bus::models {

class LiveLine {
public:
    using LineAnswer = city::Answer<ops::LineReading>;
    using VehiclesAnswer = city::Answer<std::vector<BusReal>>;
    using AlertsAnswer = city::Answer<std::vector<BusAlert>>;

    // Told on the main thread; a screen that asks no vehicles leaves
    // vehiclesAnswered empty.
    std::function<void(LineAnswer)> lineAnswered;
    std::function<void(VehiclesAnswer)> vehiclesAnswered;
    std::function<void(AlertsAnswer)> alertsAnswered;

    void askLine(std::int64_t direction, std::int64_t lineId);
    void askVehicles(std::int64_t gprsId, std::int64_t orderNo, std::int64_t direction);
    // The line's alerts; never a notice, and nothing at all from a service
    // without them (city::alerts).
    void askAlerts(std::int64_t lineId, std::int64_t direction);
    void forget() { requests_.forget(); }

    // The line or its vehicles, which the busy indicator stands for; alerts
    // come when they come.
    bool waiting() const { return waitingForLine() || waitingForVehicles(); }
    bool waitingForLine() const { return requests_.waiting(kLine); }
    bool waitingForVehicles() const { return requests_.waiting(kVehicles); }

    // How old what the line shows is, from the answers so far, told as the
    // age label tells it: nothing before any vehicle answer; "离线 · " with
    // the copy's age while the line is a copy and no vehicle request has
    // been answered since; stale after a failed vehicle request or past the
    // interval's stale point; else the vehicles' age. Stale and offline
    // texts warn, and a tap on them refreshes.
    struct Age {
        std::string text;
        bool warns = false;
    };
    Age age(long long refreshSeconds) const;

private:
    void heardLine(const LineAnswer& answer);
    void heardVehicles(const VehiclesAnswer& answer);

    static constexpr char kLine[] = "line";
    static constexpr char kVehicles[] = "vehicles";
    static constexpr char kAlerts[] = "alerts";
    Requests requests_;
    std::optional<double> vehiclesAnsweredAt_;  // run loop time of the last answered vehicle request
    bool vehiclesFailed_ = false;               // the last vehicle request got no answer
    std::optional<double> copyAsOf_;            // seconds since 1970 of the copy shown
};

}  // namespace bus::models
