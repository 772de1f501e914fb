#pragma once
// Where the stand-in reads the time. Vehicles are computed from the clock, so
// demos can run it fast or frozen and tests can set it directly.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

namespace bus::standin {

using TimePoint = std::chrono::system_clock::time_point;

class Clock {
public:
    virtual ~Clock() = default;
    virtual TimePoint now() const = 0;
};

// The machine's wall clock.
class SystemClock final : public Clock {
public:
    TimePoint now() const override { return std::chrono::system_clock::now(); }
};

// Starts at a chosen instant and runs at `speed` times real time (0 freezes
// it). Elapsed time comes from the steady clock so that a change of the
// machine's wall clock does not make buses jump.
class ScaledClock final : public Clock {
public:
    ScaledClock(TimePoint start, double speed);
    TimePoint now() const override;

private:
    TimePoint start_;
    double speed_;
    std::chrono::steady_clock::time_point origin_;
};

// A clock that only moves when told to.
class ManualClock final : public Clock {
public:
    explicit ManualClock(TimePoint t = {}) : ms_(toMs(t)) {}
    TimePoint now() const override {
        return TimePoint(std::chrono::milliseconds(ms_.load()));
    }
    void set(TimePoint t) { ms_.store(toMs(t)); }
    void advance(std::chrono::milliseconds d) { ms_.fetch_add(d.count()); }

private:
    static std::int64_t toMs(TimePoint t) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
    }
    std::atomic<std::int64_t> ms_;
};

// Parses "YYYY-MM-DDTHH:MM[:SS]" followed by "Z" or "+HH:MM"/"-HH:MM"; without
// a zone suffix the text is read in the machine's local time zone.
std::optional<TimePoint> parseTime(std::string_view text);

// Parses a UTC offset "+HH:MM", "-HH:MM", "+HHMM" or "Z" into seconds.
std::optional<int> parseUtcOffset(std::string_view text);

// Seconds since the epoch, shifted into a zone `utcOffsetSeconds` east of UTC.
inline std::int64_t localSeconds(TimePoint t, int utcOffsetSeconds) {
    return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count() +
           utcOffsetSeconds;
}

}  // namespace bus::standin
