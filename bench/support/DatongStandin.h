#pragma once
// 大同 served by the bundled stand-in on a free loopback port, for the
// benchmarks that measure the app against a real service. Its clock is held
// at a weekday noon, so every request sees the same vehicles.
#include <cstdint>
#include <memory>

#include "standin/Standin.h"

namespace bench {

struct DatongStandin {
    static constexpr std::int64_t kCityId = 16;

    DatongStandin();
    // Makes it the app's current city in the standard preference store.
    void makeCurrentCity() const;

    bus::standin::ManualClock clock;
    bus::standin::RequestLog log{nullptr};  // counts requests only
    std::unique_ptr<bus::standin::Standin> standin;
};

}  // namespace bench
