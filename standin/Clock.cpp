#include "standin/Clock.h"

#include <cctype>
#include <ctime>
#include <string>

namespace bus::standin {

ScaledClock::ScaledClock(TimePoint start, double speed)
    : start_(start), speed_(speed), origin_(std::chrono::steady_clock::now()) {}

TimePoint ScaledClock::now() const {
    const auto real = std::chrono::steady_clock::now() - origin_;
    const auto scaled = std::chrono::duration<double>(real) * speed_;
    return start_ + std::chrono::duration_cast<std::chrono::system_clock::duration>(scaled);
}

namespace {

bool digits(std::string_view s, std::size_t pos, std::size_t n, int& out) {
    if (pos + n > s.size()) return false;
    out = 0;
    for (std::size_t i = pos; i < pos + n; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
        out = out * 10 + (s[i] - '0');
    }
    return true;
}

}  // namespace

std::optional<int> parseUtcOffset(std::string_view text) {
    if (text == "Z" || text == "z") return 0;
    if (text.size() < 3 || (text[0] != '+' && text[0] != '-')) return std::nullopt;
    int hh = 0;
    int mm = 0;
    if (!digits(text, 1, 2, hh)) return std::nullopt;
    std::size_t rest = 3;
    if (rest < text.size() && text[rest] == ':') ++rest;
    if (rest < text.size()) {
        if (!digits(text, rest, 2, mm) || rest + 2 != text.size()) return std::nullopt;
    } else if (rest != text.size()) {
        return std::nullopt;
    }
    if (hh > 14 || mm > 59) return std::nullopt;
    const int sign = text[0] == '-' ? -1 : 1;
    return sign * (hh * 3600 + mm * 60);
}

std::optional<TimePoint> parseTime(std::string_view text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!digits(text, 0, 4, y) || text.size() < 16 || text[4] != '-' || !digits(text, 5, 2, mo) ||
        text[7] != '-' || !digits(text, 8, 2, d) || (text[10] != 'T' && text[10] != ' ') ||
        !digits(text, 11, 2, h) || text[13] != ':' || !digits(text, 14, 2, mi)) {
        return std::nullopt;
    }
    std::size_t pos = 16;
    if (pos < text.size() && text[pos] == ':') {
        if (!digits(text, pos + 1, 2, s)) return std::nullopt;
        pos += 3;
    }
    const std::chrono::year_month_day ymd{std::chrono::year(y), std::chrono::month(static_cast<unsigned>(mo)),
                                          std::chrono::day(static_cast<unsigned>(d))};
    if (!ymd.ok() || h > 23 || mi > 59 || s > 59) return std::nullopt;
    const std::string_view zone = text.substr(pos);
    if (zone.empty()) {
        // Local wall-clock time: let the C library apply the machine's zone.
        std::tm tm{};
        tm.tm_year = y - 1900;
        tm.tm_mon = mo - 1;
        tm.tm_mday = d;
        tm.tm_hour = h;
        tm.tm_min = mi;
        tm.tm_sec = s;
        tm.tm_isdst = -1;
        const std::time_t t = std::mktime(&tm);
        if (t == static_cast<std::time_t>(-1)) return std::nullopt;
        return std::chrono::system_clock::from_time_t(t);
    }
    const auto offset = parseUtcOffset(zone);
    if (!offset) return std::nullopt;
    const auto day = std::chrono::sys_days(ymd);
    return TimePoint(day) + std::chrono::hours(h) + std::chrono::minutes(mi) +
           std::chrono::seconds(s) - std::chrono::seconds(*offset);
}

}  // namespace bus::standin
