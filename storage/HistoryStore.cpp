#include "storage/HistoryStore.h"

#include "storage/Sqlite.h"
#include "storage/Statements.h"

namespace bus {
namespace {

using nlohmann::json;

// The delete of remove() on a connection of its own, handed back for the
// insert of save(); closed when the delete failed.
db::Connection deleteEntries(const BusQuery& record) {
    auto connection = db::Connection::open();
    connection.exec(sql::kDeleteQuery,
                    {db::whereValue(record.lineId), db::whereValue(record.direction), db::whereValue(record.cityId)});
    return connection;
}

}  // namespace

std::vector<BusQuery> HistoryStore::query(const json& cityId) {
    auto connection = db::Connection::open();
    return connection.query(sql::kSelectQuery, {db::whereValue(cityId)}, [](const db::Row& row) {
        return BusQuery{
            .stationName = row.text(0),
            .attribute = row.integer(1),
            .lineId = row.integer(2),
            .lineName = row.text(3),
            .direction = row.integer(4),
            .cityId = {},
        };
    });
}

void HistoryStore::save(const BusQuery& record) {
    const std::vector<json> values{record.stationName, record.attribute, record.lineId,
                                   record.lineName,    record.direction, record.cityId};
    {
        auto connection = db::Connection::open();
        connection.exec(sql::kCreateQuery);
    }
    // The delete runs on a connection of its own; a failed one has closed
    // it, and the insert is skipped.
    auto connection = deleteEntries(record);
    if (connection) connection.exec(sql::kInsertQuery, values);
}

void HistoryStore::remove(const BusQuery& record) { deleteEntries(record); }

void HistoryStore::removeAll(const json& cityId) {
    auto connection = db::Connection::open();
    connection.exec(sql::kDeleteAllQuery, {db::whereValue(cityId)});
}

}  // namespace bus
