#pragma once
// Owners of SQLite handles: a connection to "bus.sqlite" that lives for one
// storage operation and closes itself, and the statements it prepares, each
// finalized by its owner. <sqlite3.h> stays out of this header.
//
// Values are bound as parameters:
// - a value written into an INSERT is bound by its JSON type (use the
//   record's field as it is): integer -> 64-bit integer, decimal -> real,
//   boolean -> 1/0, string -> text (its bytes unchanged), none/null -> SQL
//   NULL, array/object -> its compact JSON text. Column affinity then
//   stores what a quoted literal would have stored ("12" into an INTEGER
//   column is kept as 12, 12 into a TEXT column as "12").
// - a value compared in a WHERE clause goes through whereValue(): its
//   integer reading, or NULL for none, which matches no row.
#include <filesystem>
#include <functional>
#include <type_traits>
#include <vector>

#include <nlohmann/json.hpp>

struct sqlite3;
struct sqlite3_stmt;

namespace bus::db {

// "bus.sqlite" in the documents directory.
std::filesystem::path databasePath();

// A value for a WHERE clause: its integer reading, or null for none.
nlohmann::json whereValue(const nlohmann::json& value);

// One result row, read by column.
class Row {
public:
    // The column's text; none for SQL NULL.
    nlohmann::json text(int column) const;
    // The column as a 64-bit integer (ids of real services run past 2^31).
    nlohmann::json integer(int column) const;
    double real(int column) const;

private:
    friend class Connection;
    explicit Row(sqlite3_stmt* statement) : statement_(statement) {}
    sqlite3_stmt* statement_;
};

class Connection {
public:
    // A read-write connection (the file is created if missing). A failed
    // open logs "数据库打开失败" and gives a closed connection, on which
    // every statement fails.
    static Connection open();
    // The same on another file (the cache of offline copies).
    static Connection open(const std::filesystem::path& file);

    Connection(Connection&& other) noexcept;
    Connection& operator=(Connection&& other) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    explicit operator bool() const { return handle_ != nullptr; }
    void close();

    // Runs one statement that returns no rows with `values` bound in order.
    // On failure (a closed connection too) logs "数据库操作数据失败!",
    // closes the connection and returns false: what would have followed on
    // it is skipped.
    bool exec(const char* sql, const std::vector<nlohmann::json>& values = {});

    // One record per result row, made by `read(row)`. A closed connection or
    // a statement that cannot be prepared (no table yet) gives no rows and
    // logs nothing. A query that gives up on the way (the file still locked
    // after the busy wait, a damaged page) logs "数据库操作数据失败!" and
    // gives no rows, never the part it had read.
    template <typename Read>
    auto query(const char* sql, const std::vector<nlohmann::json>& values, Read&& read) {
        std::vector<std::invoke_result_t<Read&, const Row&>> rows;
        if (!eachRow(sql, values, [&](const Row& row) { rows.push_back(read(row)); })) rows.clear();
        return rows;
    }

private:
    class Statement;
    explicit Connection(sqlite3* handle) : handle_(handle) {}
    // False when the query gave up part-way.
    bool eachRow(const char* sql, const std::vector<nlohmann::json>& values, const std::function<void(const Row&)>& each);

    sqlite3* handle_ = nullptr;
};

}  // namespace bus::db
