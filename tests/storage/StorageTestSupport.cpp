#include "StorageTestSupport.h"

#include <sqlite3.h>

#include "platform/Container.h"

namespace bus::test {

BusQuery hit(long long lineId, int direction, long long cityId, const std::string& stationName, int attribute,
             const std::string& lineName) {
    return BusQuery{.stationName = stationName, .attribute = attribute, .lineId = lineId,
                    .lineName = lineName, .direction = direction, .cityId = cityId};
}

BusCollection favourite(long long lineId, int direction, long long cityId, int orderNo, const std::string& stationName,
                        const std::string& lineName, long long gprsId, const std::string& endLine) {
    return BusCollection{.uid = {}, .lineName = lineName, .stationName = stationName, .direction = direction,
                         .lineId = lineId, .cityId = cityId, .orderNo = orderNo, .gprsId = gprsId,
                         .endLine = endLine};
}

std::filesystem::path databaseFile() { return platform::Container::root() / "Documents" / "bus.sqlite"; }

std::vector<std::vector<std::string>> rawRows(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_open_v2(databaseFile().string().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            auto& row = rows.emplace_back();
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                const auto* text = sqlite3_column_text(stmt, i);
                row.emplace_back(text ? reinterpret_cast<const char*>(text) : "NULL");
            }
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

int openHandlesOnDatabase() {
    std::error_code ec;
    const std::string db = std::filesystem::weakly_canonical(databaseFile(), ec).string();
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        const std::string target = std::filesystem::read_symlink(entry.path(), ec).string();
        if (!ec && (target == db || target == db + "-journal" || target == db + "-wal")) ++count;
    }
    return count;
}

}  // namespace bus::test
