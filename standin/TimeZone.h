#pragma once
// The zone a published timetable's times are read in. Its offset is looked up
// for the moment in question, so a service day in summer and one in winter
// each get their own, whatever the machine's date, and a stand-in left
// running across a daylight-saving change stays right.
#include <cstdint>
#include <optional>
#include <string>

#include "standin/Clock.h"

namespace date {
class time_zone;
}

namespace bus::standin {

class TimeZone {
public:
    // One offset all year, east of UTC in seconds.
    explicit TimeZone(int fixedOffsetSeconds = 0) : fixed_(fixedOffsetSeconds) {}
    // A zone of the system's tz database, such as "America/New_York";
    // nullopt for a name the database does not know.
    static std::optional<TimeZone> named(const std::string& name);
    // The machine's own zone (TZ when it names one, else the system's), else UTC.
    static TimeZone machine();

    // The database's name, or "+HH:MM" for a fixed offset.
    std::string name() const;
    // Seconds east of UTC in force at that moment.
    int offsetAt(TimePoint when) const;
    // The local calendar day (days since 1970-01-01) at that moment.
    std::int64_t localDay(TimePoint when) const;
    // The POSIX second a service day's times count from: noon minus 12 h of
    // the local day `day`. That is midnight except on the days the clocks
    // change, so times keep their real spacing across a change.
    std::int64_t serviceDayStart(std::int64_t day) const;

private:
    explicit TimeZone(const date::time_zone* zone) : zone_(zone) {}

    const date::time_zone* zone_ = nullptr;  // lives as long as the program; null: fixed_
    int fixed_ = 0;
};

}  // namespace bus::standin
