#pragma once
// Helpers of the storage suite: records, statements on the file through a
// connection of the test's own, and the file handles open on it.
#include <filesystem>
#include <string>
#include <vector>

#include "storage/FavouriteStore.h"
#include "storage/HistoryStore.h"

namespace bus::test {

inline const std::string kOpenFailed = "数据库打开失败";
inline const std::string kFailed = "数据库操作数据失败!";

BusQuery hit(long long lineId, int direction, long long cityId, const std::string& stationName = "东站",
             int attribute = 0, const std::string& lineName = "5路");
BusCollection favourite(long long lineId, int direction, long long cityId, int orderNo,
                        const std::string& stationName = "火车站",
                        const std::string& lineName = "5路", long long gprsId = 305,
                        const std::string& endLine = "新开里");
// Stores a record in its store.
inline void save(const BusQuery& record) { HistoryStore().save(record); }
inline void save(const BusCollection& record) { FavouriteStore().save(record); }

std::filesystem::path databaseFile();

// Runs `sql` on a read-write connection of its own and gives every row's
// columns as text ("NULL" for SQL NULL); an empty result if it fails.
std::vector<std::vector<std::string>> rawRows(const std::string& sql);

// File descriptors of this process open on the database file or its journal.
int openHandlesOnDatabase();

}  // namespace bus::test
