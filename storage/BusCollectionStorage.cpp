// The storage operations of BusCollection (favourites, table
// Bus_Collection).
#include "model/BusCollection.h"
#include "model/Value.h"
#include "storage/SqliteUtil.h"
#include "storage/Statements.h"

namespace bus {
namespace {

void openInto(sqlite3*& db) {
    SqliteUtil::closeSqlite(db);
    db = SqliteUtil::openSqlite();
}

std::vector<BusCollection> readFavourites(sqlite3*& db, const char* statement,
                                          const std::vector<json>& where) {
    openInto(db);
    auto rows = SqliteUtil::queryRows(db, statement, where, [](sqlite3_stmt* stmt) {
        // Columns: lineName, stationName, direction, lineId, cityId, orderNo,
        // gprsId, endLine, id.
        return BusCollection{
            .uid = SqliteUtil::intColumn(stmt, 8),
            .lineName = SqliteUtil::textColumn(stmt, 0),
            .stationName = SqliteUtil::textColumn(stmt, 1),
            .direction = SqliteUtil::intColumn(stmt, 2),
            .lineId = SqliteUtil::intColumn(stmt, 3),
            .cityId = SqliteUtil::intColumn(stmt, 4),
            .orderNo = SqliteUtil::intColumn(stmt, 5),
            .gprsId = SqliteUtil::intColumn(stmt, 6),
            .endLine = SqliteUtil::textColumn(stmt, 7),
        };
    });
    SqliteUtil::closeSqlite(db);
    return rows;
}

}  // namespace

std::vector<BusCollection> BusCollection::query(const json& cityId) {
    return readFavourites(db, sql::kSelectCollection, {SqliteUtil::whereValue(cityId)});
}

std::vector<BusCollection> BusCollection::query(const json& cityId, const json& lineId,
                                                const json& direction) {
    return readFavourites(db, sql::kSelectCollectionOfLine,
                          {SqliteUtil::whereValue(cityId), SqliteUtil::whereValue(lineId),
                           SqliteUtil::whereValue(direction)});
}

void BusCollection::save(const BusCollection& record) {
    std::vector<json> values{record.lineName, record.stationName, record.direction,
                             record.lineId,   record.cityId,      record.orderNo,
                             record.gprsId,   record.endLine};
    openInto(db);
    // A failed create closes the connection: the insert is skipped.
    if (SqliteUtil::execSql(sql::kCreateCollection, db))
        SqliteUtil::execSql(sql::kInsertCollection, db, values);
    SqliteUtil::closeSqlite(db);
}

void BusCollection::remove(const BusCollection& record) {
    const json where = SqliteUtil::whereValue(record.uid);
    openInto(db);
    SqliteUtil::execSql(sql::kDeleteCollection, db, {where});
    SqliteUtil::closeSqlite(db);
}

}  // namespace bus
