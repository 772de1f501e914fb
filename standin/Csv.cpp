#include "standin/Csv.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace bus::standin {

namespace {

const std::string kEmpty;

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The offset of the first byte that breaks UTF-8 (overlong forms and
// surrogates included), or npos.
std::size_t invalidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t n = 0;
        std::uint32_t least = 0;
        if ((c & 0xE0) == 0xC0) {
            n = 1, least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2, least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3, least = 0x10000;
        } else {
            return i;
        }
        std::uint32_t cp = c & (0x3Fu >> n);
        for (std::size_t k = 1; k <= n; ++k) {
            if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return i;
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        }
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return i;
        i += n + 1;
    }
    return std::string_view::npos;
}

// The name of a Unicode encoding other than UTF-8 that the first bytes of a
// file show, from its byte order mark or from the zero bytes that every
// ASCII character of UTF-16 text carries.
std::string otherEncoding(std::string_view head) {
    auto starts = [&](std::string_view p) { return head.substr(0, p.size()) == p; };
    using namespace std::string_view_literals;
    if (starts("\xFF\xFE\0\0"sv)) return "UTF-32LE (byte order mark FF FE 00 00)";
    if (starts("\0\0\xFE\xFF"sv)) return "UTF-32BE (byte order mark 00 00 FE FF)";
    if (starts("\xFF\xFE"sv)) return "UTF-16LE (byte order mark FF FE)";
    if (starts("\xFE\xFF"sv)) return "UTF-16BE (byte order mark FE FF)";
    if (head.size() >= 2 && head[0] != '\0' && head[1] == '\0') return "UTF-16LE (no byte order mark)";
    if (head.size() >= 2 && head[0] == '\0' && head[1] != '\0') return "UTF-16BE (no byte order mark)";
    return {};
}

// A file read with stdio; a read error ends the text as the end of the file
// does.
class FileSource final : public CsvSource {
public:
    explicit FileSource(std::FILE* file) : file_(file) {}
    ~FileSource() override { std::fclose(file_); }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    std::size_t read(char* into, std::size_t size) override { return std::fread(into, 1, size, file_); }

private:
    std::FILE* file_;
};

}  // namespace

CsvReader::CsvReader(std::string_view text, std::string name) : name_(std::move(name)), buffer_(text) {
    checkEncoding();
}

CsvReader::CsvReader(std::unique_ptr<CsvSource> source, std::string name, std::size_t blockBytes)
    : name_(std::move(name)), source_(std::move(source)), block_(std::max<std::size_t>(1, blockBytes)) {
    while (buffer_.size() < 4 && fill()) {
    }
    checkEncoding();
}

std::optional<CsvReader> CsvReader::open(const std::filesystem::path& file, std::size_t blockBytes) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return std::nullopt;
    auto source = std::make_unique<FileSource>(f);
    // A block is zeroed before it is read into: a small file gets a block
    // just past its size, which reaches its end in one read.
    std::error_code ec;
    if (std::filesystem::is_regular_file(file, ec)) {
        const auto size = std::filesystem::file_size(file, ec);
        if (!ec && size < blockBytes) blockBytes = static_cast<std::size_t>(size) + 1;
    }
    return CsvReader(std::move(source), file.string(), blockBytes);
}

// The fields are views into the buffer, which a move may reallocate (a short
// one lives inside the string): they stay behind, and field() gives "" until
// the next next().
CsvReader::CsvReader(CsvReader&& o) noexcept
    : name_(std::move(o.name_)), source_(std::move(o.source_)), block_(o.block_), buffer_(std::move(o.buffer_)), pos_(o.pos_),
      line_(o.line_), recordLine_(o.recordLine_), header_(std::move(o.header_)), columns_(std::move(o.columns_)) {}

CsvReader& CsvReader::operator=(CsvReader&& o) noexcept {
    if (this == &o) return *this;
    name_ = std::move(o.name_);
    source_ = std::move(o.source_);
    block_ = o.block_;
    buffer_ = std::move(o.buffer_);
    pos_ = o.pos_;
    line_ = o.line_;
    recordLine_ = o.recordLine_;
    header_ = std::move(o.header_);
    columns_ = std::move(o.columns_);
    fields_.clear();
    return *this;
}

CsvReader::~CsvReader() = default;

// Keeps the unread text and appends the next block; false at the end.
bool CsvReader::fill() {
    if (!source_) return false;
    buffer_.erase(0, pos_);
    pos_ = 0;
    const std::size_t had = buffer_.size();
    buffer_.resize(had + block_);
    const std::size_t got = source_->read(buffer_.data() + had, block_);
    buffer_.resize(had + got);
    if (got == 0) {
        source_.reset();
        return false;
    }
    return true;
}

void CsvReader::checkEncoding() {
    const std::string other = otherEncoding(std::string_view(buffer_).substr(0, 4));
    if (!other.empty())
        throw std::runtime_error(name_ + ": the text is " + other + "; GTFS files must be UTF-8, save it as UTF-8");
    if (buffer_.compare(0, 3, "\xEF\xBB\xBF") == 0) pos_ = 3;
    std::vector<std::string_view> fields;
    if (!readRecord(fields)) return;
    for (std::size_t c = 0; c < fields.size(); ++c) {
        header_.emplace_back(trimmed(fields[c]));
        columns_.emplace(header_.back(), static_cast<int>(c));
    }
}

int CsvReader::column(std::string_view name) const {
    const auto it = columns_.find(name);
    return it == columns_.end() ? -1 : it->second;
}

bool CsvReader::next() { return readRecord(fields_); }

std::string_view CsvReader::field(int column) const {
    if (column < 0 || static_cast<std::size_t>(column) >= fields_.size()) return {};
    return fields_[static_cast<std::size_t>(column)];
}

bool CsvReader::readRecord(std::vector<std::string_view>& fields) {
    // Find where the record ends: a line break outside quotes. A quote opens
    // a quoted field only at the field's start. The scan's state outlives a
    // block, so that a record longer than a block (one huge field) is
    // scanned once, not once more with every block added.
    bool quoted = false;
    bool fieldStart = true;
    std::size_t lines = 0;
    std::size_t scanned = 0;  // from pos_; fill() moves pos_, not this
    for (;;) {
        bool needMore = false;
        std::size_t end = pos_ + scanned;
        for (; end < buffer_.size(); ++end) {
            if (quoted) {
                // Inside quotes only a quote matters: on to the next one.
                const std::size_t from = end;
                end = nextQuote(from, buffer_.size());
                lines += static_cast<std::size_t>(std::count(buffer_.data() + from, buffer_.data() + end, '\n'));
                if (end == buffer_.size()) break;
                if (end + 1 < buffer_.size() && buffer_[end + 1] == '"') {
                    ++end;
                } else if (end + 1 == buffer_.size() && source_) {
                    needMore = true;  // a doubled quote may go on in the next block
                    break;
                } else {
                    quoted = false;
                }
                continue;
            }
            const char c = buffer_[end];
            if (c == '\n' || c == '\r') break;
            if (c == '"' && fieldStart) quoted = true;
            fieldStart = c == ',';
        }
        // A record cut by the block's end, or a CR whose LF may follow in
        // the next block, waits for more text.
        needMore = needMore || end >= buffer_.size() || (buffer_[end] == '\r' && end + 1 == buffer_.size());
        if (needMore && source_) {
            scanned = end - pos_;  // the byte at `end` is looked at again
            fill();
            continue;
        }
        if (quoted) throw std::runtime_error(name_ + ": a quoted field is not closed");
        const std::size_t begin = pos_;
        pos_ = end;
        if (pos_ < buffer_.size()) {
            if (buffer_[pos_] == '\r' && pos_ + 1 < buffer_.size() && buffer_[pos_ + 1] == '\n') ++pos_;
            ++pos_;
        }
        if (begin == end) {
            if (pos_ >= buffer_.size() && !source_) return false;
            ++line_;
            scanned = 0;
            continue;  // a blank line is no record
        }
        recordLine_ = line_;
        line_ += lines + 1;
        const std::string_view text(buffer_.data() + begin, end - begin);
        if (const auto bad = invalidUtf8(text); bad != std::string_view::npos) {
            char byte[8];
            std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(text[bad]));
            throw std::runtime_error(name_ + ": line " + std::to_string(recordLine_) + " is not UTF-8 (byte " + byte +
                                     "); GTFS files must be UTF-8, save it as UTF-8");
        }
        splitFields(begin, end, fields);
        return true;
    }
}

// The offset of the first quote in [from, to), else `to`.
std::size_t CsvReader::nextQuote(std::size_t from, std::size_t to) const {
    const void* q = std::memchr(buffer_.data() + from, '"', to - from);
    return q ? static_cast<std::size_t>(static_cast<const char*>(q) - buffer_.data()) : to;
}

// Splits a record into fields in place: a quoted field's doubled quotes are
// folded where they stand, so every field stays a view into the buffer.
void CsvReader::splitFields(std::size_t begin, std::size_t end, std::vector<std::string_view>& fields) {
    fields.clear();
    std::size_t i = begin;
    for (;;) {
        const std::size_t start = i;
        if (i < end && buffer_[i] == '"') {
            std::size_t w = i++;
            while (i < end) {
                const std::size_t q = nextQuote(i, end);
                std::memmove(buffer_.data() + w, buffer_.data() + i, q - i);
                w += q - i;
                i = q;
                if (i >= end) break;
                if (i + 1 < end && buffer_[i + 1] == '"') {
                    buffer_[w++] = '"';
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            while (i < end && buffer_[i] != ',') buffer_[w++] = buffer_[i++];
            fields.emplace_back(buffer_.data() + start, w - start);
        } else {
            while (i < end && buffer_[i] != ',') ++i;
            fields.emplace_back(buffer_.data() + start, i - start);
        }
        if (i >= end) return;
        ++i;  // the comma
    }
}

CsvTable CsvTable::read(CsvReader& reader) {
    CsvTable table;
    for (std::size_t c = 0; c < reader.header().size(); ++c) table.columns_.emplace(reader.header()[c], c);
    const std::size_t width = reader.header().size();
    while (reader.next()) {
        std::vector<std::string> row;
        for (std::size_t c = 0; c < width; ++c) row.emplace_back(reader.field(static_cast<int>(c)));
        table.rows_.push_back(std::move(row));
    }
    return table;
}

CsvTable CsvTable::parse(std::string_view text, const std::string& name) {
    CsvReader reader(text, name);
    return read(reader);
}

std::optional<CsvTable> CsvTable::read(const std::filesystem::path& file) {
    auto reader = CsvReader::open(file);
    if (!reader) return std::nullopt;
    return read(*reader);
}

bool CsvTable::has(std::string_view column) const { return columns_.find(column) != columns_.end(); }

const std::string& CsvTable::get(std::size_t row, std::string_view column) const {
    const auto it = columns_.find(column);
    if (it == columns_.end() || row >= rows_.size() || it->second >= rows_[row].size()) return kEmpty;
    return rows_[row][it->second];
}

}  // namespace bus::standin
