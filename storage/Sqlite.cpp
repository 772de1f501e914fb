#include "storage/Sqlite.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <utility>

#include "model/Value.h"
#include "platform/Container.h"
#include "platform/Log.h"
#include "storage/Statements.h"

namespace bus::db {
namespace {

using nlohmann::json;

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

bool gaveUpOnLock(int code) { return code == SQLITE_BUSY || code == SQLITE_LOCKED; }

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

}  // namespace

// A prepared statement with its values bound, finalized when it goes.
class Connection::Statement {
public:
    Statement(sqlite3* db, const char* sql, const std::vector<json>& values) {
        if (!db) return;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
            return;
        }
        int index = 1;
        for (const auto& value : values) bindValue(stmt_, index++, value);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(stmt_); }  // a no-op for null

    explicit operator bool() const { return stmt_ != nullptr; }
    int step() { return sqlite3_step(stmt_); }
    sqlite3_stmt* get() const { return stmt_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

std::filesystem::path databasePath() { return platform::Container::documentsDirectory() / sql::kFileName; }

json whereValue(const json& value) {
    if (value.is_null()) return json();
    return integerValue(value);
}

json Row::text(int column) const {
    const auto* text = sqlite3_column_text(statement_, column);
    if (!text) return json();
    const int bytes = sqlite3_column_bytes(statement_, column);
    json value(json::value_t::string);
    value.get_ref<std::string&>().assign(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes));
    return value;
}

json Row::integer(int column) const { return static_cast<std::int64_t>(sqlite3_column_int64(statement_, column)); }

double Row::real(int column) const { return sqlite3_column_double(statement_, column); }

Connection Connection::open() { return open(databasePath()); }

Connection Connection::open(const std::filesystem::path& file) {
    sqlite3* db = nullptr;
    // What sqlite3_open does (read-write, created if missing), without the
    // per-call locking of the connection: a connection lives for one
    // operation on one thread and no other thread touches it.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(file.string().c_str(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(db);  // the half-opened handle (sqlite3_close(nullptr) is a no-op)
        platform::NSLog(sql::kOpenFailed);
        return Connection(nullptr);
    }
    sqlite3_busy_handler(db, waitForLock, nullptr);
    return Connection(db);
}

Connection::Connection(Connection&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

Connection::~Connection() { close(); }

void Connection::close() {
    if (handle_) sqlite3_close(handle_);
    handle_ = nullptr;
}

bool Connection::exec(const char* sql, const std::vector<json>& values) {
    bool ok = false;
    {
        Statement statement(handle_, sql, values);
        if (statement) {
            int rc;
            while ((rc = statement.step()) == SQLITE_ROW) {
            }
            ok = rc == SQLITE_DONE;
        }
    }
    if (!ok) {
        close();
        platform::NSLog(sql::kStatementFailed);
    }
    return ok;
}

bool Connection::eachRow(const char* sql, const std::vector<json>& values, const std::function<void(const Row&)>& each) {
    Statement statement(handle_, sql, values);
    if (!statement) {
        const bool gaveUp = handle_ && gaveUpOnLock(sqlite3_errcode(handle_));
        if (gaveUp) platform::NSLog(sql::kStatementFailed);
        return !gaveUp;
    }
    int rc;
    const Row row(statement.get());
    while ((rc = statement.step()) == SQLITE_ROW) each(row);
    if (rc == SQLITE_DONE) return true;
    platform::NSLog(sql::kStatementFailed);
    return false;
}

}  // namespace bus::db
