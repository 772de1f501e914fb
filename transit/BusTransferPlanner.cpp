#include "transit/BusTransferPlanner.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

#include "model/Value.h"
#include "platform/Translation.h"

namespace bus {

namespace {

struct LineKey {
    long long lineId;
    long long direction;
    bool operator<(const LineKey& o) const { return std::tie(lineId, direction) < std::tie(o.lineId, o.direction); }
    bool operator==(const LineKey& o) const { return lineId == o.lineId && direction == o.direction; }
};

// A fetched line: its name, its stop names in travel order and its last
// stop as the line's own reply gives it.
struct Route {
    LineKey key;
    json lineName;
    std::vector<std::string> names;
    json terminus;
};

// By stop name, the fewest stops between an occurrence of `anchor` and that
// stop: later stops for `forward`, earlier ones otherwise.
using Reach = std::map<std::string, int>;

Reach reachFrom(const std::vector<std::string>& names, const std::string& anchor, bool forward) {
    Reach reach;
    const int n = static_cast<int>(names.size());
    for (int a = 0; a < n; ++a) {
        if (names[static_cast<std::size_t>(a)] != anchor) continue;
        for (int k = forward ? a + 1 : a - 1; k >= 0 && k < n; k += forward ? 1 : -1) {
            const int stops = forward ? k - a : a - k;
            auto [it, fresh] = reach.emplace(names[static_cast<std::size_t>(k)], stops);
            if (!fresh) it->second = std::min(it->second, stops);
        }
    }
    return reach;
}

json leg(const Route& route, const std::string& from, const std::string& to, int stops) {
    return {{"lineId", route.key.lineId},         {"lineName", route.lineName}, {"direction", route.key.direction},
            {"terminus", route.terminus},         {"startStation", from},       {"endStation", to},
            {"stationCount", stops}};
}

BusTransfer makePlan(json legs, int stops, std::string walk) {
    BusTransfer plan;
    // TRANSLATORS: a journey plan's stops travelled, on all its legs.
    plan.sxsj = platform::counted("乘车{}站", "乘车{}站", static_cast<unsigned long>(std::max(stops, 0)));
    plan.bxjl = std::move(walk);
    plan.vehicleInfos = std::move(legs);
    return plan;
}

int totalStops(const BusTransfer& plan) {
    int stops = 0;
    for (const auto& l : plan.vehicleInfos) stops += static_cast<int>(integerValue(valueForKey(l, "stationCount")));
    return stops;
}

int changes(const BusTransfer& plan) { return static_cast<int>(plan.vehicleInfos.size()) - 1; }

int cost(const BusTransfer& plan) { return totalStops(plan) + BusTransferPlanner::kChangeCost * changes(plan); }

// "9路" before "10路": runs of digits compare by their value.
bool naturalLess(const std::string& a, const std::string& b) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (!digit(a[i]) || !digit(b[j])) {
            if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
            ++i, ++j;
            continue;
        }
        while (i < a.size() && a[i] == '0') ++i;
        while (j < b.size() && b[j] == '0') ++j;
        std::size_t ei = i, ej = j;
        while (ei < a.size() && digit(a[ei])) ++ei;
        while (ej < b.size() && digit(b[ej])) ++ej;
        const auto x = a.substr(i, ei - i), y = b.substr(j, ej - j);
        if (x.size() != y.size()) return x.size() < y.size();
        if (x != y) return x < y;
        i = ei, j = ej;
    }
    return a.size() - i < b.size() - j;
}

std::vector<std::string> lineNames(const BusTransfer& plan) {
    std::vector<std::string> names;
    for (const auto& l : plan.vehicleInfos) names.push_back(textValue(valueForKey(l, "lineName")));
    return names;
}

bool ranksBefore(const BusTransfer& a, const BusTransfer& b) {
    if (cost(a) != cost(b)) return cost(a) < cost(b);
    if (changes(a) != changes(b)) return changes(a) < changes(b);
    const auto x = lineNames(a), y = lineNames(b);
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(), naturalLess);
}

// The lines and directions whose stop of exactly this name the hits show,
// each once, in reply order; with the name the hit gives each line.
std::vector<std::pair<LineKey, json>> linesCalling(const std::vector<BusQuery>& hits, const std::string& name) {
    std::vector<std::pair<LineKey, json>> lines;
    for (const auto& hit : hits) {
        if (integerValue(hit.attribute) != 1 || textValue(hit.stationName) != name) continue;
        const LineKey key{integerValue(hit.lineId), integerValue(hit.direction)};
        if (std::none_of(lines.begin(), lines.end(), [&](const auto& l) { return l.first == key; }))
            lines.emplace_back(key, hit.lineName);
    }
    return lines;
}

// One request budget and one deadline shared by every fetch of a query.
class Fetcher {
public:
    using Cut = BusTransferPlanner::Cut;
    Fetcher(const BusTransferPlanner::Source& source, int maxRequests, double deadlineSeconds)
        : source_(source), requestsLeft_(maxRequests), deadline_(source.now() + deadlineSeconds) {}

    // None when the search was cut (cut() says why) or the reply could not
    // be read (then also counted).
    std::optional<std::vector<BusQuery>> keyword(const std::string& name) {
        auto hits = request([&](BusTransferPlanner::Within within) -> std::optional<std::vector<BusQuery>> {
            if (!source_.queryKeyword) return std::vector<BusQuery>{};
            return source_.queryKeyword(name, within);
        });
        if (!hits && cut_ == Cut::None) searchFailed_ = true;
        return hits;
    }
    std::optional<Route> line(const LineKey& key, const json& hitName) {
        auto reading = request([&](BusTransferPlanner::Within within) -> std::optional<ops::LineReading> {
            if (!source_.queryLine) return std::nullopt;
            return source_.queryLine(key.direction, key.lineId, within);
        });
        if (!reading) {
            if (cut_ == Cut::None) ++unreadLines_;
            return std::nullopt;
        }
        Route route{key, hitName, {}, reading->endStation};
        if (reading->line && !isNone(reading->line->lineName)) route.lineName = reading->line->lineName;
        for (const auto& stop : reading->stations) route.names.push_back(textValue(stop.stationName));
        return route;
    }
    void report(BusTransferPlanner::Result& result) const {
        result.requests = made_;
        result.cut = cut_;
        result.searchFailed = searchFailed_;
        result.unreadLines = unreadLines_;
    }
    bool cut() const { return cut_ != Cut::None; }

private:
    template <class Call>
    auto request(Call&& call) -> decltype(call(BusTransferPlanner::Within{})) {
        if (cut_ != Cut::None) return std::nullopt;
        const double secondsLeft = deadline_ - source_.now();
        if (requestsLeft_ <= 0 || secondsLeft <= 0) {
            cut_ = requestsLeft_ <= 0 ? Cut::RequestBound : Cut::Deadline;
            return std::nullopt;
        }
        --requestsLeft_;
        ++made_;
        auto reply = call(BusTransferPlanner::Within(static_cast<long long>(std::ceil(secondsLeft * 1000))));
        // A request that failed as the deadline passed was cut short by it.
        if (!reply && source_.now() >= deadline_) cut_ = Cut::Deadline;
        return reply;
    }
    const BusTransferPlanner::Source& source_;
    int requestsLeft_;
    const double deadline_;
    int made_ = 0;
    Cut cut_ = Cut::None;
    bool searchFailed_ = false;
    int unreadLines_ = 0;
};

// Lines serving both stops first (the only ones that can go direct), then
// the others of the start and of the end by turns, so a cut-off budget
// still leaves both ends some lines to change between.
std::vector<std::pair<LineKey, json>> fetchOrder(const std::vector<std::pair<LineKey, json>>& fromStart,
                                                 const std::vector<std::pair<LineKey, json>>& toEnd) {
    auto in = [](const auto& lines, const LineKey& key) {
        return std::any_of(lines.begin(), lines.end(), [&](const auto& l) { return l.first == key; });
    };
    std::vector<std::pair<LineKey, json>> order, startOnly, endOnly;
    for (const auto& l : fromStart) (in(toEnd, l.first) ? order : startOnly).push_back(l);
    for (const auto& l : toEnd)
        if (!in(fromStart, l.first)) endOnly.push_back(l);
    for (std::size_t i = 0; i < std::max(startOnly.size(), endOnly.size()); ++i) {
        if (i < startOnly.size()) order.push_back(startOnly[i]);
        if (i < endOnly.size()) order.push_back(endOnly[i]);
    }
    return order;
}

// The best change from `first` to `second`: the stop of the same name with
// the fewest stops in all, the earliest along the first line on a tie.
std::optional<BusTransfer> changePlan(const Route& first, const Reach& afterStart, const Route& second,
                                      const Reach& beforeEnd, const std::string& start, const std::string& end) {
    std::optional<std::pair<int, std::string>> best;
    for (const auto& name : first.names) {
        if (name == start || name == end) continue;
        const auto a = afterStart.find(name);
        const auto b = beforeEnd.find(name);
        if (a == afterStart.end() || b == beforeEnd.end()) continue;
        if (!best || a->second + b->second < best->first) best = {a->second + b->second, name};
    }
    if (!best) return std::nullopt;
    const std::string& at = best->second;
    json legs = json::array({leg(first, start, at, afterStart.at(at)), leg(second, at, end, beforeEnd.at(at))});
    // TRANSLATORS: a journey plan's change between two lines at the stop named.
    return makePlan(std::move(legs), best->first, platform::fill(platform::tr("{}同站换乘"), {at}));
}

// Fetches the lines calling at either stop into `fromStart` and `toEnd` (a
// line calling at both goes into both), until the fetcher cuts the search.
// A line that cannot be read is left out; the others still make plans.
void fetchRoutes(Fetcher& fetch, const std::string& start, const std::string& end, std::vector<Route>& fromStart,
                 std::vector<Route>& toEnd) {
    const auto startHits = fetch.keyword(start);
    if (!startHits) return;
    const auto endHits = fetch.keyword(end);
    if (!endHits) return;
    const auto startLines = linesCalling(*startHits, start);
    const auto endLines = linesCalling(*endHits, end);
    // A stop that no line calls at leaves nothing to change between.
    if (startLines.empty() || endLines.empty()) return;
    for (const auto& [key, name] : fetchOrder(startLines, endLines)) {
        auto route = fetch.line(key, name);
        if (fetch.cut()) return;
        if (!route) continue;
        const auto calls = [&route](const auto& lines) {
            return std::any_of(lines.begin(), lines.end(), [&](const auto& l) { return l.first == route->key; });
        };
        if (calls(startLines)) fromStart.push_back(*route);
        if (calls(endLines)) toEnd.push_back(std::move(*route));
    }
}

std::vector<BusTransfer> composePlans(const std::vector<Route>& fromStart, const std::vector<Route>& toEnd,
                                      const std::string& start, const std::string& end) {
    std::map<LineKey, int> direct;  // the direct plan's stops, by line
    std::vector<BusTransfer> plans;
    std::vector<Reach> afterStart, beforeEnd;
    for (const auto& route : fromStart) afterStart.push_back(reachFrom(route.names, start, true));
    for (const auto& route : toEnd) beforeEnd.push_back(reachFrom(route.names, end, false));
    for (std::size_t i = 0; i < fromStart.size(); ++i) {
        const auto found = afterStart[i].find(end);
        if (found == afterStart[i].end()) continue;
        direct[fromStart[i].key] = found->second;
        // TRANSLATORS: a journey plan on one line.
        std::string walk = platform::tr("无需换乘");
        plans.push_back(
            makePlan(json::array({leg(fromStart[i], start, end, found->second)}), found->second, std::move(walk)));
    }
    // A change is offered only when neither of its lines goes there direct
    // at no more cost: staying on is then the better ride.
    const auto beaten = [&](const Route& route, int planCost) {
        const auto d = direct.find(route.key);
        return d != direct.end() && d->second <= planCost;
    };
    for (std::size_t i = 0; i < fromStart.size(); ++i)
        for (std::size_t j = 0; j < toEnd.size(); ++j) {
            if (fromStart[i].key.lineId == toEnd[j].key.lineId) continue;
            auto plan = changePlan(fromStart[i], afterStart[i], toEnd[j], beforeEnd[j], start, end);
            if (!plan) continue;
            const int planCost = cost(*plan);
            if (!beaten(fromStart[i], planCost) && !beaten(toEnd[j], planCost)) plans.push_back(std::move(*plan));
        }
    std::stable_sort(plans.begin(), plans.end(), ranksBefore);
    // The same lines in other directions read alike on screen: only the
    // shortest plan of each sequence of lines stays.
    std::set<std::vector<long long>> shown;
    std::vector<BusTransfer> kept;
    for (auto& plan : plans) {
        std::vector<long long> lines;
        for (const auto& l : plan.vehicleInfos) lines.push_back(integerValue(valueForKey(l, "lineId")));
        if (shown.insert(lines).second && kept.size() < BusTransferPlanner::kMaxPlans) kept.push_back(std::move(plan));
    }
    return kept;
}

}  // namespace

BusTransferPlanner::BusTransferPlanner(Source source, int maxRequests, double deadlineSeconds)
    : source_(std::move(source)), maxRequests_(maxRequests), deadlineSeconds_(deadlineSeconds) {}

BusTransferPlanner::Result BusTransferPlanner::plan(const std::string& start, const std::string& end) const {
    Result result;
    if (start.empty() || end.empty() || start == end) return result;
    Fetcher fetch(source_, maxRequests_, deadlineSeconds_);
    std::vector<Route> fromStart, toEnd;
    fetchRoutes(fetch, start, end, fromStart, toEnd);
    fetch.report(result);
    result.plans = composePlans(fromStart, toEnd, start, end);
    return result;
}

std::string transferLines(const BusTransfer& plan) {
    std::string lines;
    if (!plan.vehicleInfos.is_array()) return lines;
    for (const auto& l : plan.vehicleInfos) lines += (lines.empty() ? "" : " → ") + textValue(valueForKey(l, "lineName"));
    return lines;
}

}  // namespace bus
