#pragma once
// One vehicle under way on a line, built from each element of the
// "realBus" result.
#include <nlohmann/json.hpp>

namespace bus {

struct BusReal {
    nlohmann::json licensePlate;  // string, JSON "licensePlate"
    nlohmann::json stationNo;     // number, "stationNo" (a stop's orderNo)
    nlohmann::json inStation;     // number, "inStation" (0 or 1)
    nlohmann::json toNextStop;    // string, "toNextStop" (display text)
    nlohmann::json busNum;        // number of vehicles drawn as one; 1 from initData

    static BusReal initData(const nlohmann::json& dict);
};

}  // namespace bus
