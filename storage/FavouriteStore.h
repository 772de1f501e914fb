#pragma once
// The favourites, table Bus_Collection: stops of a line in one direction,
// each with its own row id, the newest first. Each operation opens its own
// connection and closes it before returning.
#include <vector>

#include <nlohmann/json.hpp>

#include "model/BusCollection.h"

namespace bus {

class FavouriteStore {
public:
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
