#pragma once
// A line in one direction with its stops, as the line stations screen shows
// it. Each ask goes out on a worker thread; the answer to the last ask comes
// back on the main thread, and an answer that a newer ask overtook (the
// rider switched direction again) is dropped.
#include <cstdint>
#include <functional>

#include "city/Answer.h"
#include "models/Requests.h"
#include "service/Readings.h"

namespace bus::models {

class LineStops {
public:
    using Reading = city::Answer<ops::LineReading>;

    // Told on the main thread with the answer to the last ask.
    std::function<void(Reading)> answered;

    void ask(std::int64_t direction, std::int64_t lineId);
    bool waiting() const { return requests_.waiting(); }

private:
    Requests requests_;
};

}  // namespace bus::models
