#pragma once
// Reading the comma-separated tables of a GTFS feed (RFC 4180: quoted fields,
// doubled quotes, CRLF or LF, an optional UTF-8 byte order mark).
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bus::standin {

class CsvTable {
public:
    // Parses text whose first record is the header. Throws std::runtime_error
    // on an unterminated quote.
    static CsvTable parse(std::string_view text, const std::string& name = "csv");
    // Reads a file; std::nullopt when it does not exist.
    static std::optional<CsvTable> read(const std::filesystem::path& file);

    std::size_t size() const { return rows_.size(); }
    bool has(std::string_view column) const;
    // The field of the named column in a row, "" when the column is absent or
    // the row is short.
    const std::string& get(std::size_t row, std::string_view column) const;

private:
    std::map<std::string, std::size_t, std::less<>> columns_;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace bus::standin
