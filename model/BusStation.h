#pragma once
// One stop of a line in one direction, built from each element of
// the stop array of the "queryLine" result.
#include <nlohmann/json.hpp>

namespace bus {

struct BusStation {
    nlohmann::json uid;          // number, JSON "id"
    nlohmann::json stationName;  // string, "stationName"
    nlohmann::json orderNo;      // number, "orderNo" (counts from 1)
    nlohmann::json direction;    // number, "direction"
    nlohmann::json lineId;       // number, "lineId"
    nlohmann::json cityId;       // number, "cityId"
    nlohmann::json flagId;       // number, "flagId"; 2 marks the last stop

    static BusStation initData(const nlohmann::json& dict);
};

}  // namespace bus
