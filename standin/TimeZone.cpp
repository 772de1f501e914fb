#include "standin/TimeZone.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <date/tz.h>

namespace bus::standin {

namespace {

constexpr std::int64_t kDay = 86400;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

date::sys_seconds sysSeconds(TimePoint t) { return std::chrono::floor<std::chrono::seconds>(t); }

}  // namespace

std::optional<TimeZone> TimeZone::named(const std::string& name) {
    if (name.empty()) return std::nullopt;
    try {
        return TimeZone(date::locate_zone(name));
    } catch (const std::exception&) {  // a name the database lacks, or no database at all
        return std::nullopt;
    }
}

TimeZone TimeZone::machine() {
    // TZ names the zone for this process when set, as for the C library.
    if (const char* tz = std::getenv("TZ")) {
        if (auto zone = named(tz[0] == ':' ? tz + 1 : tz)) return *zone;
    }
    try {
        return TimeZone(date::current_zone());
    } catch (const std::exception&) {
        return TimeZone(0);
    }
}

std::string TimeZone::name() const {
    if (zone_) return std::string(zone_->name());
    const int minutes = std::abs(fixed_) / 60;
    char text[8];
    std::snprintf(text, sizeof text, "%c%02d:%02d", fixed_ < 0 ? '-' : '+', minutes / 60 % 100, minutes % 60);
    return text;
}

int TimeZone::offsetAt(TimePoint when) const {
    if (!zone_) return fixed_;
    return static_cast<int>(zone_->get_info(sysSeconds(when)).offset.count());
}

std::int64_t TimeZone::localDay(TimePoint when) const {
    return floorDiv(sysSeconds(when).time_since_epoch().count() + offsetAt(when), kDay);
}

std::int64_t TimeZone::serviceDayStart(std::int64_t day) const {
    const std::int64_t noon = day * kDay + kDay / 2;
    if (!zone_) return noon - fixed_ - kDay / 2;
    // Noon exists on every day of every zone; "earliest" only guards the rule
    // against a zone that once changed its clocks at noon.
    const date::local_seconds local{std::chrono::seconds(noon)};
    return zone_->to_sys(local, date::choose::earliest).time_since_epoch().count() - kDay / 2;
}

}  // namespace bus::standin
