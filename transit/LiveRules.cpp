#include "transit/LiveRules.h"

#include <cmath>
#include <cstdio>
#include <string_view>

#include "model/Value.h"

namespace bus::live {

using platform::counted;
using platform::fill;
using platform::tr;

namespace {

// A count of units as the plural forms take it; ages are never negative here.
unsigned long count(long long n) { return static_cast<unsigned long>(n < 0 ? 0 : n); }

// "HH:MM" (one or two digits of hours), as minutes since midnight of the
// first trip's day; none for anything else.
std::optional<int> minutesOf(std::string_view text, int maxHours) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon < 1 || colon > 2 || text.size() != colon + 3) return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i != colon && !digit(text[i])) return std::nullopt;
    const int hours = colon == 1 ? text[0] - '0' : (text[0] - '0') * 10 + (text[1] - '0');
    const int minutes = (text[colon + 1] - '0') * 10 + (text[colon + 2] - '0');
    if (hours > maxHours || minutes > 59) return std::nullopt;
    return hours * 60 + minutes;
}

// The hours as the heading shows them: the served text, unless its last
// trip is the next day's.
std::string hoursText(const std::string& opTime) {
    const std::size_t dash = opTime.find('-');
    if (dash == std::string::npos) return opTime;
    const std::string_view first = std::string_view(opTime).substr(0, dash);
    const auto start = minutesOf(first, 23);
    // GTFS counts a trip after midnight on from 24:00, up to two days.
    const auto end = minutesOf(std::string_view(opTime).substr(dash + 1), 47);
    if (!start || !end) return opTime;
    const int day = 24 * 60;
    if (*end < day && *end >= *start) return opTime;
    char last[8];
    std::snprintf(last, sizeof last, "%02d:%02d", (*end % day) / 60, *end % 60);
    // TRANSLATORS: a line's first and last trip, the last one after midnight: "05:20-次日01:45".
    return fill(tr("{0}-次日{1}"), {first, last});
}

bool isBareNumber(std::string_view text) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() || (point != std::string_view::npos && fraction.empty())) return false;
    for (const std::string_view part : {whole, fraction})
        for (const char c : part)
            if (!digit(c)) return false;
    return true;
}

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

long long wholeSeconds(double seconds) {
    // The clock's sums of intervals may land a hair off a whole second.
    return static_cast<long long>(std::floor(seconds + 1e-6));
}

std::string dataAgeText(double seconds) {
    const long long whole = wholeSeconds(seconds);
    if (whole < 5) return tr("刚刚更新");
    if (whole < 60) return counted("{}秒前更新", "{}秒前更新", count(whole));
    return counted("{}分钟前更新", "{}分钟前更新", count(whole / 60));
}

std::string offlineAgeText(double seconds) {
    const long long whole = wholeSeconds(seconds);
    std::string age;
    if (whole < 5)
        age = tr("刚刚");
    else if (whole < 60)
        // TRANSLATORS: how old an offline copy is; the age label is narrow (about 18 letters with "offline · ").
        age = counted("{}秒前", "{}秒前", count(whole));
    else if (whole < 3600)
        age = counted("{}分钟前", "{}分钟前", count(whole / 60));
    else if (whole < 86400)
        age = counted("{}小时前", "{}小时前", count(whole / 3600));
    else
        age = counted("{}天前", "{}天前", count(whole / 86400));
    // TRANSLATORS: the offline mark and the copy's age: "离线 · 3分钟前".
    return fill(tr("离线 · {}"), {age});
}

double staleAfterSeconds(long long refreshSeconds) {
    return refreshSeconds > 0 ? 2.0 * static_cast<double>(refreshSeconds) : kStaleByHandSeconds;
}

std::optional<Approach> nearestApproach(const std::vector<BusReal>& vehicles, long long waitingStop) {
    std::optional<Approach> nearest;
    for (const auto& vehicle : vehicles) {
        const long long s = integerValue(vehicle.stationNo);
        if (s > waitingStop) continue;
        const Approach here{saturatingSub(waitingStop, s), s == waitingStop && integerValue(vehicle.inStation) == 1};
        if (!nearest || here.stops < nearest->stops || (here.stops == 0 && here.standing)) nearest = here;
    }
    return nearest;
}

std::string distanceText(const Approach& approach) {
    // TRANSLATORS: the bus stands at the rider's stop.
    if (approach.standing) return tr("已到本站");
    // TRANSLATORS: the bus is pulling in at the rider's stop.
    if (approach.stops == 0) return tr("正在进站");
    // TRANSLATORS: how many stops the bus still has to the rider's stop.
    return counted("还有{}站", "还有{}站", count(approach.stops));
}

std::string arrivalText(const Approach& approach) {
    // TRANSLATORS: the arrival notice: its title (车辆即将到站), then how far the bus is.
    return fill(platform::trc("arrival notice", "{0}：{1}"), {tr(kArrivalTitle), distanceText(approach)});
}

std::string hoursAndFareText(const std::string& opTime, const std::string& ticketPrice) {
    // TRANSLATORS: the first and last trips' times at the top of the live screen; with the fare it must fit
    // about 32 letters.
    std::string text = fill(tr("首末班:{}"), {hoursText(opTime)});
    const std::string_view price = trimmed(ticketPrice);
    if (price.empty()) return text;
    // TRANSLATORS: a fare the service gave as a bare number, in yuan.
    return text + " " + (isBareNumber(price) ? fill(tr("￥{}"), {price}) : std::string(price));
}

}  // namespace bus::live
