#include "screens/personal/BusTransferPlanner.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

#include "model/Value.h"
#include "service/Operations.h"

namespace bus {

namespace {

struct LineKey {
    long long lineId;
    long long direction;
    bool operator<(const LineKey& o) const { return std::tie(lineId, direction) < std::tie(o.lineId, o.direction); }
    bool operator==(const LineKey& o) const { return lineId == o.lineId && direction == o.direction; }
};

// A fetched line: its name and its stop names in travel order.
struct Route {
    LineKey key;
    json lineName;
    std::vector<std::string> names;
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
    return {{"lineId", route.key.lineId},     {"lineName", route.lineName}, {"direction", route.key.direction},
            {"startStation", from},           {"endStation", to},           {"stationCount", stops}};
}

BusTransfer makePlan(json legs, int stops, std::string walk) {
    BusTransfer plan;
    plan.sxsj = "乘车" + std::to_string(stops) + "站";
    plan.bxjl = std::move(walk);
    plan.vehicleInfos = std::move(legs);
    return plan;
}

int totalStops(const BusTransfer& plan) {
    int stops = 0;
    for (const auto& l : plan.vehicleInfos) stops += static_cast<int>(integerValue(valueForKey(l, "stationCount")));
    return stops;
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

// One request budget shared by every fetch of a query.
class Fetcher {
public:
    Fetcher(const BusTransferPlanner::Source& source, int maxRequests) : source_(source), left_(maxRequests) {}

    std::optional<std::vector<BusQuery>> keyword(const std::string& name) {
        if (!spend()) return std::nullopt;
        return source_.queryKeyword ? source_.queryKeyword(name) : std::vector<BusQuery>{};
    }
    // None when the budget is spent; a route without stops when the line
    // could not be read.
    std::optional<Route> line(const LineKey& key, const json& hitName) {
        if (!spend()) return std::nullopt;
        Route route{key, hitName, {}};
        if (!source_.queryLine) return route;
        const auto reading = source_.queryLine(key.direction, key.lineId);
        if (reading.line && !isNone(reading.line->lineName)) route.lineName = reading.line->lineName;
        for (const auto& stop : reading.stations) route.names.push_back(textValue(stop.stationName));
        return route;
    }
    int made() const { return made_; }

private:
    bool spend() {
        if (left_ <= 0) return false;
        --left_;
        ++made_;
        return true;
    }
    const BusTransferPlanner::Source& source_;
    int left_;
    int made_ = 0;
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
    return makePlan(std::move(legs), best->first, at + "同站换乘");
}

// Fetches the lines calling at either stop into `fromStart` and `toEnd` (a
// line calling at both goes into both); false when the budget ran out first.
bool fetchRoutes(Fetcher& fetch, const std::string& start, const std::string& end, std::vector<Route>& fromStart,
                 std::vector<Route>& toEnd) {
    const auto startHits = fetch.keyword(start);
    const auto endHits = fetch.keyword(end);
    if (!startHits || !endHits) return false;
    const auto startLines = linesCalling(*startHits, start);
    const auto endLines = linesCalling(*endHits, end);
    // A stop that no line calls at leaves nothing to change between.
    if (startLines.empty() || endLines.empty()) return true;
    for (const auto& [key, name] : fetchOrder(startLines, endLines)) {
        auto route = fetch.line(key, name);
        if (!route) return false;
        const auto calls = [&route](const auto& lines) {
            return std::any_of(lines.begin(), lines.end(), [&](const auto& l) { return l.first == route->key; });
        };
        if (calls(startLines)) fromStart.push_back(*route);
        if (calls(endLines)) toEnd.push_back(std::move(*route));
    }
    return true;
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
        plans.push_back(makePlan(json::array({leg(fromStart[i], start, end, found->second)}), found->second, "无需换乘"));
    }
    // A change is offered only when neither of its lines goes there direct
    // in as few stops.
    const auto beaten = [&](const Route& route, int stops) {
        const auto d = direct.find(route.key);
        return d != direct.end() && d->second <= stops;
    };
    for (std::size_t i = 0; i < fromStart.size(); ++i)
        for (std::size_t j = 0; j < toEnd.size(); ++j) {
            if (fromStart[i].key.lineId == toEnd[j].key.lineId) continue;
            auto plan = changePlan(fromStart[i], afterStart[i], toEnd[j], beforeEnd[j], start, end);
            if (!plan) continue;
            const int stops = totalStops(*plan);
            if (!beaten(fromStart[i], stops) && !beaten(toEnd[j], stops)) plans.push_back(std::move(*plan));
        }
    std::stable_sort(plans.begin(), plans.end(), [](const BusTransfer& a, const BusTransfer& b) {
        return std::pair(totalStops(a), a.vehicleInfos.size()) < std::pair(totalStops(b), b.vehicleInfos.size());
    });
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

BusTransferPlanner::Source BusTransferPlanner::Source::cityService() {
    return {[](const std::string& keyword) { return ops::queryKeyword(keyword); },
            [](std::int64_t direction, std::int64_t lineId) { return ops::queryLine(direction, lineId); }};
}

BusTransferPlanner::BusTransferPlanner(Source source, int maxRequests)
    : source_(std::move(source)), maxRequests_(maxRequests) {}

BusTransferPlanner::Result BusTransferPlanner::plan(const std::string& start, const std::string& end) const {
    Result result;
    if (start.empty() || end.empty() || start == end) return result;
    Fetcher fetch(source_, maxRequests_);
    std::vector<Route> fromStart, toEnd;
    result.complete = fetchRoutes(fetch, start, end, fromStart, toEnd);
    result.requests = fetch.made();
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
