#pragma once
// One result of the keyword search and one entry of the query
// history: a plain value (storage/HistoryStore keeps the history).
#include <nlohmann/json.hpp>

namespace bus {

struct BusQuery {
    nlohmann::json stationName;  // string, JSON "stationName"
    nlohmann::json attribute;    // number, "attribute": 1 stop, 0 line
    nlohmann::json lineId;       // number, "lineId"
    nlohmann::json lineName;     // string, "lineName"
    nlohmann::json direction;    // number, "direction"
    nlohmann::json cityId;       // number, set from the preference "cityId" before saving

    static BusQuery initData(const nlohmann::json& dict);
};

}  // namespace bus
