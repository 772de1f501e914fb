#pragma once
// One bus line in one direction, built from the "queryLine" result.
#include <nlohmann/json.hpp>

namespace bus {

struct BusLine {
    nlohmann::json uid;          // number, JSON "lineId"
    nlohmann::json lineName;     // string, "lineName"
    nlohmann::json gprsId;       // number, "gprsId"; none or 0: no live data
    nlohmann::json ticketPrice;  // string, "ticketPrice"
    nlohmann::json opTime;       // string, "opTime"
    nlohmann::json gjgs;         // string, "gjgs"
    nlohmann::json cityId;       // number, "cityId"
    nlohmann::json endStation;   // string, set by the live bus screen
    nlohmann::json direction;    // number, set by the live bus screen

    // Reads exactly the listed keys, values unchanged; a missing key or a
    // non-object argument leaves the field none.
    static BusLine initData(const nlohmann::json& dict);
};

}  // namespace bus
