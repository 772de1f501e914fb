#pragma once
// Journey plans between two stops, worked out from the two operations every
// city service has: the keyword search tells which lines (in which
// direction) call at a stop of exactly that name, and each of those lines is
// fetched once with its stops in travel order. A plan is one line from the
// start to the end (direct), or two lines with a change at a stop that both
// name alike. The planner keeps no state between calls and makes no call of
// its own: the fetches are handed in, so it runs on any thread and is tested
// with a network made by hand.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/BusQuery.h"
#include "model/BusTransfer.h"
#include "service/Readings.h"

namespace bus {

class BusTransferPlanner {
public:
    using KeywordFetch = std::function<std::vector<BusQuery>(const std::string& keyword)>;
    using LineFetch = std::function<ops::LineReading(std::int64_t direction, std::int64_t lineId)>;
    struct Source {
        KeywordFetch queryKeyword;
        LineFetch queryLine;
        // The current city's service, through service/Operations.
        static Source cityService();
    };

    // A query makes at most this many requests, so a city with many lines at
    // one stop is not searched for long.
    static constexpr int kMaxRequests = 40;
    static constexpr std::size_t kMaxPlans = 10;

    struct Result {
        // Fewest stops first; on equal stops the direct plan comes first.
        // sxsj: the ride ("乘车8站"); bxjl: the walk between legs;
        // vehicleInfos: one object per leg with "lineId", "lineName",
        // "direction", "startStation", "endStation" and "stationCount".
        std::vector<BusTransfer> plans;
        int requests = 0;
        // False when the request bound stopped the search before every line
        // calling at either stop was looked at.
        bool complete = true;
    };

    explicit BusTransferPlanner(Source source, int maxRequests = kMaxRequests);

    // Empty or equal names make no request and give no plan.
    Result plan(const std::string& start, const std::string& end) const;

private:
    Source source_;
    int maxRequests_;
};

// The line names of a plan's legs joined by " → ".
std::string transferLines(const BusTransfer& plan);

}  // namespace bus
