#include "standin/Csv.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace bus::standin {

namespace {
const std::string kEmpty;
}

CsvTable CsvTable::parse(std::string_view text, const std::string& name) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string field;
    bool quoted = false;      // inside a quoted field
    bool fieldStarted = false;
    std::size_t i = 0;
    auto endField = [&] {
        record.push_back(std::move(field));
        field.clear();
        fieldStarted = false;
    };
    auto endRecord = [&] {
        endField();
        // A blank line is no record.
        if (!(record.size() == 1 && record[0].empty())) records.push_back(std::move(record));
        record.clear();
    };
    while (i < text.size()) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    i += 2;
                    continue;
                }
                quoted = false;
            } else {
                field += c;
            }
            ++i;
            continue;
        }
        if (c == '"' && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
        } else if (c == ',') {
            endField();
        } else if (c == '\r' || c == '\n') {
            endRecord();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            field += c;
            fieldStarted = true;
        }
        ++i;
    }
    if (quoted) throw std::runtime_error(name + ": a quoted field is not closed");
    if (fieldStarted || !record.empty()) endRecord();

    CsvTable table;
    if (records.empty()) return table;
    for (std::size_t c = 0; c < records[0].size(); ++c) {
        std::string col = records[0][c];
        while (!col.empty() && (col.back() == ' ' || col.back() == '\t')) col.pop_back();
        while (!col.empty() && (col.front() == ' ' || col.front() == '\t')) col.erase(col.begin());
        table.columns_.emplace(std::move(col), c);
    }
    table.rows_.assign(std::make_move_iterator(records.begin() + 1), std::make_move_iterator(records.end()));
    return table;
}

std::optional<CsvTable> CsvTable::read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream buf;
    buf << in.rdbuf();
    return parse(buf.str(), file.string());
}

bool CsvTable::has(std::string_view column) const { return columns_.find(column) != columns_.end(); }

const std::string& CsvTable::get(std::size_t row, std::string_view column) const {
    const auto it = columns_.find(column);
    if (it == columns_.end() || row >= rows_.size() || it->second >= rows_[row].size()) return kEmpty;
    return rows_[row][it->second];
}

}  // namespace bus::standin
