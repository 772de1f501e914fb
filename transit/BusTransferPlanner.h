#pragma once
// Journey plans between two stops, worked out from the two operations every
// city service has: the keyword search tells which lines (in which
// direction) call at a stop of exactly that name, and each of those lines is
// fetched once with its stops in travel order. A plan is one line from the
// start to the end (direct), or two lines with a change at a stop that both
// name alike. The planner keeps no state between calls and makes no call of
// its own: the fetches and the clock are handed in, so it runs on any thread
// and is tested with a network and a time made by hand.
//
// Ranking: a plan costs its stops travelled plus kChangeCost (4 stops) for
// each change, since a change means walking, waiting and a second fare; the
// cheapest plan comes first, then the one with fewer changes, then by line
// names ("9路" before "10路").
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/BusQuery.h"
#include "model/BusTransfer.h"
#include "platform/RunLoop.h"
#include "service/Readings.h"

namespace bus {

class BusTransferPlanner {
public:
    // How long a request may wait: what is left of the planning's deadline.
    using Within = std::chrono::milliseconds;
    // Each gives none when no readable reply came.
    using KeywordFetch = std::function<std::optional<std::vector<BusQuery>>(const std::string& keyword, Within)>;
    using LineFetch =
        std::function<std::optional<ops::LineReading>(std::int64_t direction, std::int64_t lineId, Within)>;
    // Seconds on a clock that never goes back.
    using Clock = std::function<double()>;
    struct Source {
        KeywordFetch queryKeyword;
        LineFetch queryLine;
        // The main run loop's clock: real in the app, virtual in tests.
        Clock now = [] { return platform::RunLoop::main().now(); };
    };

    // A query makes at most this many requests, so a city with many lines at
    // one stop is not searched for long.
    static constexpr int kMaxRequests = 40;
    // And it ends this many seconds after it began, with what it has read.
    static constexpr double kDeadlineSeconds = 10;
    static constexpr std::size_t kMaxPlans = 10;
    // The ranking cost of one change, in stops travelled.
    static constexpr int kChangeCost = 4;

    // What ended the search before every line calling at either stop was read.
    enum class Cut { None, RequestBound, Deadline };

    struct Result {
        // Cheapest first (see above). sxsj: the ride ("乘车8站"); bxjl: the
        // walk between legs; vehicleInfos: one object per leg with "lineId",
        // "lineName", "direction", "terminus" (the line's last stop in that
        // direction), "startStation", "endStation" and "stationCount".
        std::vector<BusTransfer> plans;
        int requests = 0;
        Cut cut = Cut::None;
        // A keyword search got no readable reply: the lines at its stop are
        // unknown, so nothing could be planned.
        bool searchFailed = false;
        // Lines that got no readable reply; the plans leave them out.
        int unreadLines = 0;
    };

    explicit BusTransferPlanner(Source source, int maxRequests = kMaxRequests,
                                double deadlineSeconds = kDeadlineSeconds);

    // Empty or equal names make no request and give no plan.
    Result plan(const std::string& start, const std::string& end) const;

private:
    Source source_;
    int maxRequests_;
    double deadlineSeconds_;
};

// The line names of a plan's legs joined by " → ".
std::string transferLines(const BusTransfer& plan);

}  // namespace bus
