#pragma once
// A service alert on a line in one direction, as "queryAlert" gives it: a
// detour, a closed stop, a suspended line.
#include <cstdint>
#include <string>
#include <vector>

namespace bus {

struct BusAlert {
    // Most severe first when several are shown.
    enum class Level { Info, Warning, Severe };

    std::string id;
    std::string title;
    std::string text;
    std::string url;
    Level level = Level::Warning;
    std::string cause;   // the feed's cause, e.g. "CONSTRUCTION"
    std::string effect;  // and its effect, e.g. "DETOUR"
    std::int64_t start = 0;  // seconds since 1970; 0 for no bound
    std::int64_t end = 0;
    // The line's stops it names (orderNo); empty for the whole line.
    std::vector<std::int64_t> stations;
};

}  // namespace bus
