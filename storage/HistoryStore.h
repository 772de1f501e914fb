#pragma once
// The search history, table Bus_Query: one entry per line, direction and
// city, the newest last. Each operation opens its own connection and closes
// it before returning; nothing is kept between operations.
#include <vector>

#include <nlohmann/json.hpp>

#include "model/BusQuery.h"

namespace bus {

class HistoryStore {
public:
    // The city's entries, oldest first. The city column is not read back:
    // each record's cityId stays none.
    std::vector<BusQuery> query(const nlohmann::json& cityId);
    // Stores the record as the newest entry of its line, direction and city.
    void save(const BusQuery& record);
    // Deletes the entries with the record's line, direction and city.
    void remove(const BusQuery& record);
    // Deletes the whole history of the city.
    void removeAll(const nlohmann::json& cityId);
};

}  // namespace bus
