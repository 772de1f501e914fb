#include "StorageTestSupport.h"

#include <sqlite3.h>
#include <unistd.h>

#include "platform/Container.h"

namespace bus::test {

BusQuery hit(int lineId, int direction, int cityId, const std::string& stationName, int attribute,
             const std::string& lineName) {
    BusQuery r;
    r.stationName = stationName;
    r.attribute = attribute;
    r.lineId = lineId;
    r.lineName = lineName;
    r.direction = direction;
    r.cityId = cityId;
    return r;
}

BusCollection favourite(int lineId, int direction, int cityId, int orderNo,
                        const std::string& stationName, const std::string& lineName, int gprsId,
                        const std::string& endLine) {
    BusCollection r;
    r.lineName = lineName;
    r.stationName = stationName;
    r.direction = direction;
    r.lineId = lineId;
    r.cityId = cityId;
    r.orderNo = orderNo;
    r.gprsId = gprsId;
    r.endLine = endLine;
    return r;
}

std::filesystem::path databaseFile() { return platform::Container::root() / "Documents" / "bus.sqlite"; }

std::vector<std::vector<std::string>> rawRows(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(databaseFile().string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                const auto* text = sqlite3_column_text(stmt, i);
                row.emplace_back(text ? reinterpret_cast<const char*>(text) : "NULL");
            }
            rows.push_back(std::move(row));
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

bool tableExists(const std::string& table) {
    return !rawRows("SELECT name FROM sqlite_master WHERE type='table' AND name='" + table + "'")
                .empty();
}

int openHandlesOnDatabase() {
    std::error_code canonEc;
    const std::string db = std::filesystem::weakly_canonical(databaseFile(), canonEc).string();
    int count = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        std::error_code linkEc;
        const auto target = std::filesystem::read_symlink(entry.path(), linkEc);
        if (linkEc) continue;
        const std::string t = target.string();
        if (t == db || t == db + "-journal" || t == db + "-wal") ++count;
    }
    return count;
}

}  // namespace bus::test
