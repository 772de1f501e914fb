#include "storage/SqliteUtil.h"

#include <cstdint>
#include <limits>

#include "model/Value.h"
#include "platform/Container.h"
#include "platform/Log.h"
#include "storage/Statements.h"

namespace bus {
namespace {

// A reader on the live bus screen's worker thread may meet a write of the
// main thread; wait for it briefly instead of failing at once.
constexpr int kBusyTimeoutMs = 2000;

void bindValue(sqlite3_stmt* stmt, int index, const json& value) {
    switch (value.type()) {
        case json::value_t::number_integer:
            sqlite3_bind_int64(stmt, index, value.get<std::int64_t>());
            break;
        case json::value_t::number_unsigned:
            sqlite3_bind_int64(stmt, index, integerValue(value));
            break;
        case json::value_t::number_float:
            sqlite3_bind_double(stmt, index, value.get<double>());
            break;
        case json::value_t::boolean:
            sqlite3_bind_int(stmt, index, value.get<bool>() ? 1 : 0);
            break;
        case json::value_t::string: {
            const auto& s = value.get_ref<const std::string&>();
            sqlite3_bind_text64(stmt, index, s.data(), s.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        }
        case json::value_t::array:
        case json::value_t::object: {
            const std::string s = textValue(value);
            sqlite3_bind_text64(stmt, index, s.data(), s.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        }
        default:
            sqlite3_bind_null(stmt, index);
            break;
    }
}

void bindAll(sqlite3_stmt* stmt, const std::vector<json>& values) {
    int index = 1;
    for (const auto& value : values) bindValue(stmt, index++, value);
}

}  // namespace

std::filesystem::path SqliteUtil::databasePath() {
    return platform::Container::documentsDirectory() / sql::kFileName;
}

sqlite3* SqliteUtil::openSqlite() {
    sqlite3* db = nullptr;
    if (sqlite3_open(databasePath().string().c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);  // the half-opened handle (sqlite3_close(nullptr) is a no-op)
        platform::NSLog(sql::kOpenFailed);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    return db;
}

void SqliteUtil::closeSqlite(sqlite3*& db) {
    if (db) sqlite3_close(db);
    db = nullptr;
}

bool SqliteUtil::execSql(const std::string& sql, sqlite3*& db, const std::vector<json>& values) {
    bool ok = false;
    if (db) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()) + 1, &stmt, nullptr) ==
                SQLITE_OK &&
            stmt) {
            bindAll(stmt, values);
            int rc;
            while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            }
            ok = rc == SQLITE_DONE;
        }
        sqlite3_finalize(stmt);
    }
    if (!ok) {
        closeSqlite(db);
        platform::NSLog(sql::kStatementFailed);
    }
    return ok;
}

void SqliteUtil::queryRows(sqlite3* db, const std::string& sql, const std::vector<json>& values,
                           const std::function<void(sqlite3_stmt*)>& row) {
    if (!db) return;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()) + 1, &stmt, nullptr) ==
            SQLITE_OK &&
        stmt) {
        bindAll(stmt, values);
        while (sqlite3_step(stmt) == SQLITE_ROW) row(stmt);
    }
    sqlite3_finalize(stmt);
}

json SqliteUtil::whereValue(const json& value) {
    if (value.is_null()) return json();
    return integerValue(value);
}

json SqliteUtil::textColumn(sqlite3_stmt* stmt, int column) {
    const auto* text = sqlite3_column_text(stmt, column);
    if (!text) return json();
    const int bytes = sqlite3_column_bytes(stmt, column);
    return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes));
}

json SqliteUtil::intColumn(sqlite3_stmt* stmt, int column) {
    return sqlite3_column_int(stmt, column);
}

}  // namespace bus
