// The storage operations of BusQuery (the history, table Bus_Query).
#include "model/BusQuery.h"
#include "model/Value.h"
#include "storage/SqliteUtil.h"
#include "storage/Statements.h"

namespace bus {
namespace {

// Opens a connection into `db`, closing the one it replaces.
void openInto(sqlite3*& db) {
    SqliteUtil::closeSqlite(db);
    db = SqliteUtil::openSqlite();
}

// BusQuery::remove up to its delete, leaving the connection in `owner.db`
// for the insert of BusQuery::save. False when the delete failed (its
// connection is closed).
bool deleteEntries(BusQuery& owner, const BusQuery& record) {
    openInto(owner.db);
    return SqliteUtil::execSql(sql::kDeleteQuery, owner.db,
                               {SqliteUtil::whereValue(record.lineId),
                                SqliteUtil::whereValue(record.direction),
                                SqliteUtil::whereValue(record.cityId)});
}

}  // namespace

std::vector<BusQuery> BusQuery::query(const json& cityId) {
    openInto(db);
    auto rows = SqliteUtil::queryRows(db, sql::kSelectQuery, {SqliteUtil::whereValue(cityId)},
                                      [](sqlite3_stmt* stmt) {
                                          // Column 5 (the city) is not read: cityId stays none.
                                          return BusQuery{
                                              .stationName = SqliteUtil::textColumn(stmt, 0),
                                              .attribute = SqliteUtil::intColumn(stmt, 1),
                                              .lineId = SqliteUtil::intColumn(stmt, 2),
                                              .lineName = SqliteUtil::textColumn(stmt, 3),
                                              .direction = SqliteUtil::intColumn(stmt, 4),
                                              .cityId = {},
                                          };
                                      });
    SqliteUtil::closeSqlite(db);
    return rows;
}

void BusQuery::save(const BusQuery& record) {
    // The values first: `record` is usually *this.
    std::vector<json> values{record.stationName, record.attribute, record.lineId,
                             record.lineName,    record.direction, record.cityId};
    openInto(db);
    SqliteUtil::execSql(sql::kCreateQuery, db);
    // The delete of remove() runs on a connection of its own, which replaces
    // (and closes) the first. A failed delete has closed its connection too:
    // the insert is skipped.
    if (deleteEntries(*this, record)) SqliteUtil::execSql(sql::kInsertQuery, db, values);
    SqliteUtil::closeSqlite(db);
}

void BusQuery::remove(const BusQuery& record) {
    deleteEntries(*this, record);
    SqliteUtil::closeSqlite(db);
}

void BusQuery::removeAll(const json& cityId) {
    const json where = SqliteUtil::whereValue(cityId);
    openInto(db);
    SqliteUtil::execSql(sql::kDeleteAllQuery, db, {where});
    SqliteUtil::closeSqlite(db);
}

}  // namespace bus
