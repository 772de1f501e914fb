#pragma once
// Every statement, with its texts as given and `?` where a
// value goes (every value is bound as a parameter).
namespace bus::sql {

inline constexpr char kFileName[] = "bus.sqlite";

inline constexpr char kCreateQuery[] =
    "CREATE TABLE IF NOT EXISTS Bus_Query (stationName TEXT, attribute INTEGER,lineId "
    "INTEGER,lineName TEXT,direction INTEGER,cityId INTEGER)";
inline constexpr char kSelectQuery[] = "SELECT * FROM Bus_Query where cityId = ?";
inline constexpr char kInsertQuery[] =
    "INSERT INTO 'Bus_Query' ('stationName', 'attribute','lineId','lineName','direction','cityId') "
    "VALUES (?, ?,?,?,?,?)";
inline constexpr char kDeleteQuery[] =
    "delete from Bus_Query where lineId = ? and direction = ? and cityId = ?";
inline constexpr char kDeleteAllQuery[] = "delete from Bus_Query where cityId = ?";

inline constexpr char kCreateCollection[] =
    "CREATE TABLE IF NOT EXISTS Bus_Collection (id INTEGER PRIMARY KEY   AUTOINCREMENT,lineName "
    "TEXT,stationName TEXT, direction INTEGER,lineId INTEGER,cityId INTEGER,orderNo "
    "INTEGER,gprsId INTEGER,endLine TEXT)";
inline constexpr char kSelectCollection[] =
    "SELECT lineName,stationName,direction,lineId,cityId,orderNo,gprsId,endLine,id FROM "
    "Bus_Collection where cityId = ? order by id desc ";
inline constexpr char kSelectCollectionOfLine[] =
    "SELECT lineName,stationName,direction,lineId,cityId,orderNo,gprsId,endLine,id FROM "
    "Bus_Collection where cityId = ?  and lineId = ? and direction = ? order by id desc ";
inline constexpr char kInsertCollection[] =
    "INSERT INTO 'Bus_Collection' "
    "('lineName','stationName', 'direction','lineId','cityId','orderNo','gprsId','endLine') "
    "VALUES (?, ?,?,?,?,?,?,?)";
inline constexpr char kDeleteCollection[] = "delete from Bus_Collection where id = ? ";

// The only two log texts of the storage.
inline constexpr char kOpenFailed[] = "数据库打开失败";
inline constexpr char kStatementFailed[] = "数据库操作数据失败!";

}  // namespace bus::sql
