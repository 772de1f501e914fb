#pragma once
// Opening "bus.sqlite" and running one statement. No state.
//
// Values are bound as parameters:
// - a value written into an INSERT is bound by its JSON type (use the
//   record's field as it is): integer -> 64-bit integer, decimal -> real,
//   boolean -> 1/0, string -> text (its bytes unchanged), none/null -> SQL
//   NULL, array/object -> its compact JSON text. Column affinity then
//   stores what a quoted literal would have stored ("12" into an INTEGER
//   column is kept as 12, 12 into a TEXT column as "12").
// - a value compared in a WHERE clause goes through whereValue(): its
//   integer reading (integerValue, the decimal text a statement would hold), or
//   NULL for none, which matches no row.
#include <filesystem>
#include <string>
#include <type_traits>
#include <vector>

#include <nlohmann/json.hpp>
#include <sqlite3.h>

namespace bus {

class SqliteUtil {
public:
    // Documents directory + "bus.sqlite".
    static std::filesystem::path databasePath();

    // A new read-write connection to "bus.sqlite" (created if missing). On
    // failure logs "数据库打开失败", closes the half-opened handle and returns
    // null.
    static sqlite3* openSqlite();

    // Closes `db` (if any) and sets it to null.
    static void closeSqlite(sqlite3*& db);

    // Runs one statement that returns no rows with `values` bound to its
    // parameters in order. On failure (also when `db` is null: no
    // connection) logs "数据库操作数据失败!", closes the connection, sets
    // `db` to null and returns false; callers skip what would have followed
    // on that connection.
    static bool execSql(const std::string& sql, sqlite3*& db,
                        const std::vector<nlohmann::json>& values = {});

    // Runs a query and gives one record per result row, made by
    // `read(stmt)`. A null connection or a statement that cannot be prepared
    // (no table yet) gives no rows and logs nothing. A query that gives up on
    // the way (the file still locked after the busy wait, a damaged page) is
    // a failed statement: it logs "数据库操作数据失败!" and gives no rows,
    // never the part it had read.
    template <typename Read>
    static auto queryRows(sqlite3* db, const std::string& sql,
                          const std::vector<nlohmann::json>& values, Read&& read) {
        std::vector<std::invoke_result_t<Read&, sqlite3_stmt*>> rows;
        sqlite3_stmt* stmt = prepare(db, sql, values);
        if (!stmt) {
            if (db && gaveUpOnLock(sqlite3_errcode(db))) failedQuery();
            return rows;
        }
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) rows.push_back(read(stmt));
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE) {
            rows.clear();
            failedQuery();
        }
        return rows;
    }

    // A prepared statement with `values` bound, or null (no connection, or
    // the statement cannot be prepared). The caller finalizes it.
    static sqlite3_stmt* prepare(sqlite3* db, const std::string& sql,
                                 const std::vector<nlohmann::json>& values);

    // A value for a WHERE clause: its integer reading, or null for none.
    static nlohmann::json whereValue(const nlohmann::json& value);

    // Column readers: text (none for SQL NULL) and 64-bit integer (ids of
    // real services run past 2^31).
    static nlohmann::json textColumn(sqlite3_stmt* stmt, int column);
    static nlohmann::json intColumn(sqlite3_stmt* stmt, int column);

private:
    static bool gaveUpOnLock(int code) { return code == SQLITE_BUSY || code == SQLITE_LOCKED; }
    // Out of line, to keep the log and the statement texts out of this header.
    static void failedQuery();
};

}  // namespace bus
