#include "storage/FavouriteStore.h"

#include "storage/Sqlite.h"
#include "storage/Statements.h"

namespace bus {
namespace {

using nlohmann::json;

std::vector<BusCollection> readFavourites(const char* statement, const std::vector<json>& where) {
    auto connection = db::Connection::open();
    return connection.query(statement, where, [](const db::Row& row) {
        // Columns: lineName, stationName, direction, lineId, cityId, orderNo,
        // gprsId, endLine, id.
        return BusCollection{
            .uid = row.integer(8),
            .lineName = row.text(0),
            .stationName = row.text(1),
            .direction = row.integer(2),
            .lineId = row.integer(3),
            .cityId = row.integer(4),
            .orderNo = row.integer(5),
            .gprsId = row.integer(6),
            .endLine = row.text(7),
        };
    });
}

}  // namespace

std::vector<BusCollection> FavouriteStore::query(const json& cityId) {
    return readFavourites(sql::kSelectCollection, {db::whereValue(cityId)});
}

std::vector<BusCollection> FavouriteStore::query(const json& cityId, const json& lineId, const json& direction) {
    return readFavourites(sql::kSelectCollectionOfLine,
                          {db::whereValue(cityId), db::whereValue(lineId), db::whereValue(direction)});
}

void FavouriteStore::save(const BusCollection& record) {
    auto connection = db::Connection::open();
    // A failed create closes the connection: the insert is skipped.
    if (connection.exec(sql::kCreateCollection))
        connection.exec(sql::kInsertCollection, {record.lineName, record.stationName, record.direction, record.lineId,
                                                 record.cityId, record.orderNo, record.gprsId, record.endLine});
}

void FavouriteStore::remove(const BusCollection& record) {
    auto connection = db::Connection::open();
    connection.exec(sql::kDeleteCollection, {db::whereValue(record.uid)});
}

}  // namespace bus
