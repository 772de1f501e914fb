#pragma once
// One result of the keyword search and one entry of the query
// history. Also the access object of the table Bus_Query; the
// storage operations are defined in storage/ (link bus_storage to use them).
#include <vector>

#include <nlohmann/json.hpp>

struct sqlite3;

namespace bus {

struct BusQuery {
    nlohmann::json stationName;  // string, JSON "stationName"
    nlohmann::json attribute;    // number, "attribute": 1 stop, 0 line
    nlohmann::json lineId;       // number, "lineId"
    nlohmann::json lineName;     // string, "lineName"
    nlohmann::json direction;    // number, "direction"
    nlohmann::json cityId;       // number, set from the preference "cityId" before saving

    // The connection of the storage operation running on this object; null
    // between operations (every operation closes what it opened).
    sqlite3* db = nullptr;

    static BusQuery initData(const nlohmann::json& dict);

    // Storage (defined in storage/BusQueryStorage.cpp).
    // The history of a city, oldest first (a saved entry moves to the end).
    std::vector<BusQuery> query(const nlohmann::json& cityId);
    // Stores the record as the newest entry of its line, direction and city.
    void save(const BusQuery& record);
    // Deletes the entries with the record's line, direction and city.
    void remove(const BusQuery& record);
    // Deletes the whole history of the city.
    void removeAll(const nlohmann::json& cityId);
};

}  // namespace bus
