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
#include <vector>

#include "city/Answer.h"
#include "model/BusReal.h"
#include "models/Requests.h"
#include "service/Readings.h"

namespace bus::models {

class LiveLine {
public:
    using LineAnswer = city::Answer<ops::LineReading>;
    using VehiclesAnswer = city::Answer<std::vector<BusReal>>;

    // Told on the main thread; a screen that asks no vehicles leaves
    // vehiclesAnswered empty.
    std::function<void(LineAnswer)> lineAnswered;
    std::function<void(VehiclesAnswer)> vehiclesAnswered;

    void askLine(std::int64_t direction, std::int64_t lineId);
    void askVehicles(std::int64_t gprsId, std::int64_t orderNo, std::int64_t direction);
    void forget() { requests_.forget(); }

    bool waiting() const { return requests_.waiting(); }
    bool waitingForLine() const { return requests_.waiting(kLine); }
    bool waitingForVehicles() const { return requests_.waiting(kVehicles); }

private:
    static constexpr char kLine[] = "line";
    static constexpr char kVehicles[] = "vehicles";
    Requests requests_;
};

}  // namespace bus::models
