#pragma once
// One favourite, a stop of a line in one direction: a plain value, never
// built from JSON (storage/FavouriteStore keeps the favourites).
#include <nlohmann/json.hpp>

namespace bus {

struct BusCollection {
    nlohmann::json uid;          // number: the row id, none until read back
    nlohmann::json lineName;     // string
    nlohmann::json stationName;  // string
    nlohmann::json direction;    // number
    nlohmann::json lineId;       // number
    nlohmann::json cityId;       // number
    nlohmann::json orderNo;      // number
    nlohmann::json gprsId;       // number
    nlohmann::json endLine;      // string, shown as "%@方向"
};

}  // namespace bus
