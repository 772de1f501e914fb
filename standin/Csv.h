#pragma once
// Reading the comma-separated tables of a GTFS feed (RFC 4180: quoted fields,
// doubled quotes, CRLF or LF, an optional UTF-8 byte order mark). Text in any
// other encoding is refused with its name.
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bus::standin {

// Where a streamed table's bytes come from: a file, a member of a zip.
class CsvSource {
public:
    virtual ~CsvSource() = default;
    // Reads up to `size` bytes into `into`; 0 at the end. Throws
    // std::runtime_error when the bytes cannot be read.
    virtual std::size_t read(char* into, std::size_t size) = 0;
};

// Reads one table a block at a time, so that a file of a million rows never
// sits in memory whole. Fields are views into the current block, valid until
// the next call of next().
class CsvReader {
public:
    // Text already in memory, whose first record is the header.
    explicit CsvReader(std::string_view text, std::string name = "csv");
    // Bytes from `source`, read `blockBytes` at a time; `name` is the table's
    // in every refusal.
    CsvReader(std::unique_ptr<CsvSource> source, std::string name, std::size_t blockBytes = 1 << 20);
    // A file, read `blockBytes` at a time; std::nullopt when it does not exist.
    static std::optional<CsvReader> open(const std::filesystem::path& file, std::size_t blockBytes = 1 << 20);
    CsvReader(CsvReader&&) noexcept;
    CsvReader& operator=(CsvReader&&) noexcept;
    ~CsvReader();

    // The index of a header column, or -1.
    int column(std::string_view name) const;
    bool has(std::string_view name) const { return column(name) >= 0; }
    const std::vector<std::string>& header() const { return header_; }
    const std::string& name() const { return name_; }

    // Moves to the next record, skipping blank lines; false at the end.
    // Throws std::runtime_error on an unterminated quote or text that is not
    // UTF-8.
    bool next();
    // A field of the current record; "" for column -1 or a short record.
    std::string_view field(int column) const;
    // The line of the file the current record starts on (the header is 1).
    std::size_t line() const { return recordLine_; }

private:
    bool fill();
    bool readRecord(std::vector<std::string_view>& fields);
    void splitFields(std::size_t begin, std::size_t end, std::vector<std::string_view>& fields);
    std::size_t nextQuote(std::size_t from, std::size_t to) const;
    void checkEncoding();

    std::string name_;
    std::unique_ptr<CsvSource> source_;  // null once read to the end, or for text
    std::size_t block_ = 0;
    std::string buffer_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    std::size_t recordLine_ = 0;
    std::vector<std::string> header_;
    std::map<std::string, int, std::less<>> columns_;
    std::vector<std::string_view> fields_;
};

// A whole table in memory, for the small files of a feed.
class CsvTable {
public:
    // Parses text whose first record is the header. Throws std::runtime_error
    // as CsvReader does.
    static CsvTable parse(std::string_view text, const std::string& name = "csv");
    // Reads a file; std::nullopt when it does not exist.
    static std::optional<CsvTable> read(const std::filesystem::path& file);
    // Reads the rest of a stream.
    static CsvTable read(CsvReader& reader);

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
