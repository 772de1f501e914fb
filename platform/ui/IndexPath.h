#pragma once
// A row of a table: section and row, both counted from 0.
#include <compare>
#include <string>

namespace ui {

struct IndexPath {
    int section = 0;
    int row = 0;
    static IndexPath forRow(int row, int section = 0) { return {section, row}; }
    friend auto operator<=>(const IndexPath&, const IndexPath&) = default;
    friend bool operator==(const IndexPath&, const IndexPath&) = default;
    std::string toString() const { return "[" + std::to_string(section) + ", " + std::to_string(row) + "]"; }
};

}  // namespace ui
