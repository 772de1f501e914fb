#pragma once
// Helpers of the storage suite: records, raw looks into the file, and the
// number of open file handles on it.
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/BusCollection.h"
#include "model/BusQuery.h"

namespace bus::test {

BusQuery hit(int lineId, int direction, int cityId, const std::string& stationName = "东站",
             int attribute = 0, const std::string& lineName = "5路");

BusCollection favourite(int lineId, int direction, int cityId, int orderNo,
                        const std::string& stationName = "火车站",
                        const std::string& lineName = "5路", int gprsId = 305,
                        const std::string& endLine = "新开里");

std::filesystem::path databaseFile();

// Runs `sql` on its own raw connection and gives every row's columns as
// text ("NULL" for SQL NULL); an empty result if the statement fails.
std::vector<std::vector<std::string>> rawRows(const std::string& sql);
bool tableExists(const std::string& table);

// File descriptors of this process open on the database file or its journal.
int openHandlesOnDatabase();

}  // namespace bus::test
