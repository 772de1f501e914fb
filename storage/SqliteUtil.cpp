#include "storage/SqliteUtil.h"

#include <chrono>
#include <cstdint>
#include <limits>
#include <thread>

#include "model/Value.h"
#include "platform/Container.h"
#include "platform/Log.h"
#include "storage/Statements.h"

namespace bus {
namespace {

// A reader on the live bus screen's worker thread may meet a write of the
// main thread (and the other way round); wait for the lock instead of failing
// at once. SQLite's own busy timeout backs off to 100 ms between tries, which
// can starve a reader behind back-to-back writes; this one tries every
// millisecond, for about two seconds.
constexpr int kBusyTries = 2000;

int waitForLock(void*, int tries) {
    if (tries >= kBusyTries) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 1;
}

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
    // What sqlite3_open does (read-write, created if missing), without the
    // per-call locking of the connection: a connection lives for one
    // operation on one thread and no other thread touches it.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(databasePath().string().c_str(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(db);  // the half-opened handle (sqlite3_close(nullptr) is a no-op)
        platform::NSLog(sql::kOpenFailed);
        return nullptr;
    }
    sqlite3_busy_handler(db, waitForLock, nullptr);
    return db;
}

void SqliteUtil::closeSqlite(sqlite3*& db) {
    if (db) sqlite3_close(db);
    db = nullptr;
}

bool SqliteUtil::execSql(const std::string& sql, sqlite3*& db, const std::vector<json>& values) {
    bool ok = false;
    if (sqlite3_stmt* stmt = prepare(db, sql, values)) {
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        ok = rc == SQLITE_DONE;
        sqlite3_finalize(stmt);
    }
    if (!ok) {
        closeSqlite(db);
        platform::NSLog(sql::kStatementFailed);
    }
    return ok;
}

sqlite3_stmt* SqliteUtil::prepare(sqlite3* db, const std::string& sql,
                                  const std::vector<json>& values) {
    if (!db) return nullptr;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()) + 1, &stmt, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    if (stmt) bindAll(stmt, values);
    return stmt;
}

void SqliteUtil::failedQuery() { platform::NSLog(sql::kStatementFailed); }

json SqliteUtil::whereValue(const json& value) {
    if (value.is_null()) return json();
    return integerValue(value);
}

json SqliteUtil::textColumn(sqlite3_stmt* stmt, int column) {
    const auto* text = sqlite3_column_text(stmt, column);
    if (!text) return json();
    const int bytes = sqlite3_column_bytes(stmt, column);
    json value(json::value_t::string);
    value.get_ref<std::string&>().assign(reinterpret_cast<const char*>(text),
                                         static_cast<std::size_t>(bytes));
    return value;
}

json SqliteUtil::intColumn(sqlite3_stmt* stmt, int column) {
    return static_cast<std::int64_t>(sqlite3_column_int64(stmt, column));
}

}  // namespace bus
