#pragma once
// One favourite, a stop of a line in one direction. Never built
// from JSON. Also the access object of the table Bus_Collection;
// the storage operations are defined in storage/ (link bus_storage).
#include <vector>

#include <nlohmann/json.hpp>

struct sqlite3;

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

    // The connection of the storage operation running on this object; null
    // between operations.
    sqlite3* db = nullptr;

    // Storage (defined in storage/BusCollectionStorage.cpp).
    // The city's favourites, newest first.
    std::vector<BusCollection> query(const nlohmann::json& cityId);
    // The city's favourites on one line and direction, newest first.
    std::vector<BusCollection> query(const nlohmann::json& cityId, const nlohmann::json& lineId,
                                     const nlohmann::json& direction);
    // Stores a new favourite (the record's uid is not set by it).
    void save(const BusCollection& record);
    // Deletes the favourite with the record's uid.
    void remove(const BusCollection& record);
};

}  // namespace bus
