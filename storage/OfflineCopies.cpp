#include "storage/OfflineCopies.h"

#include "platform/Container.h"
#include "storage/Sqlite.h"

namespace bus {
namespace {

constexpr char kLine[] = "line";
constexpr char kStationText[] = "stationText";

constexpr char kCreate[] =
    "CREATE TABLE IF NOT EXISTS Offline_Copy (kind TEXT NOT NULL, cityId INTEGER NOT NULL, key TEXT NOT NULL, "
    "content TEXT NOT NULL, savedAt REAL NOT NULL, usedAt REAL NOT NULL, PRIMARY KEY (kind, cityId, key))";
constexpr char kKeep[] =
    "INSERT OR REPLACE INTO Offline_Copy (kind, cityId, key, content, savedAt, usedAt) VALUES (?, ?, ?, ?, ?, ?)";
// The kind's entries past the most recently used kMaxCopies go.
constexpr char kTrim[] =
    "DELETE FROM Offline_Copy WHERE kind = ? AND rowid NOT IN "
    "(SELECT rowid FROM Offline_Copy WHERE kind = ? ORDER BY usedAt DESC, rowid DESC LIMIT ?)";
constexpr char kNoSync[] = "PRAGMA synchronous = OFF";
constexpr char kBegin[] = "BEGIN IMMEDIATE";
constexpr char kCommit[] = "COMMIT";
constexpr char kRead[] = "SELECT content, savedAt FROM Offline_Copy WHERE kind = ? AND cityId = ? AND key = ?";
constexpr char kUse[] = "UPDATE Offline_Copy SET usedAt = ? WHERE kind = ? AND cityId = ? AND key = ?";

std::string keyOf(std::initializer_list<std::int64_t> parts) {
    std::string key;
    for (const auto part : parts) {
        if (!key.empty()) key.push_back('/');
        key.append(std::to_string(part));
    }
    return key;
}

}  // namespace

OfflineCopies::OfflineCopies() : file_(platform::Container::cachesDirectory() / kFileName) {}

void OfflineCopies::keepLine(const nlohmann::json& cityId, std::int64_t lineId, std::int64_t direction,
                             const std::string& text, double at) {
    keep(kLine, cityId, {{keyOf({lineId, direction}), text}}, at);
}

std::optional<OfflineCopy> OfflineCopies::line(const nlohmann::json& cityId, std::int64_t lineId,
                                               std::int64_t direction, double at) {
    return read(kLine, cityId, keyOf({lineId, direction}), at);
}

void OfflineCopies::keepStationTexts(const nlohmann::json& cityId, const std::vector<StopText>& texts, double at) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const auto& t : texts) entries.emplace_back(keyOf({t.gprsId, t.orderNo, t.direction}), t.text);
    keep(kStationText, cityId, entries, at);
}

std::optional<OfflineCopy> OfflineCopies::stationText(const nlohmann::json& cityId, std::int64_t gprsId,
                                                      std::int64_t orderNo, std::int64_t direction, double at) {
    return read(kStationText, cityId, keyOf({gprsId, orderNo, direction}), at);
}

void OfflineCopies::keep(const char* kind, const nlohmann::json& cityId,
                         const std::vector<std::pair<std::string, std::string>>& entries, double at) {
    const auto city = db::whereValue(cityId);
    if (city.is_null() || entries.empty()) return;
    auto connection = db::Connection::open(file_);
    // A file that is no database (damaged, or cut short by a crash) holds
    // nothing worth keeping: it is made again.
    if (connection && !connection.exec(kCreate)) {
        std::error_code ec;
        std::filesystem::remove(file_, ec);
        connection = db::Connection::open(file_);
        if (connection) connection.exec(kCreate);
    }
    // Each step runs only if the one before went through: a failed one has
    // closed the connection, which rolls back what it began. The entries
    // and the trim are one transaction, which does not wait for the disk: a
    // copy lost to a power cut is a cache entry lost.
    if (connection) connection.exec(kNoSync);
    if (connection) connection.exec(kBegin);
    for (const auto& [key, text] : entries)
        if (connection) connection.exec(kKeep, {kind, city, key, text, at, at});
    if (connection) connection.exec(kTrim, {kind, kind, static_cast<std::int64_t>(kMaxCopies)});
    if (connection) connection.exec(kCommit);
}

std::optional<OfflineCopy> OfflineCopies::read(const char* kind, const nlohmann::json& cityId,
                                               const std::string& key, double at) {
    const auto city = db::whereValue(cityId);
    if (city.is_null()) return std::nullopt;
    auto connection = db::Connection::open(file_);
    auto rows = connection.query(kRead, {kind, city, key}, [](const db::Row& row) {
        return OfflineCopy{row.text(0).get<std::string>(), row.real(1)};
    });
    if (rows.empty()) return std::nullopt;
    if (connection) connection.exec(kNoSync);
    if (connection) connection.exec(kUse, {at, kind, city, key});
    return std::move(rows.front());
}

}  // namespace bus
