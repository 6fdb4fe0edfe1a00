// A block of cells as spreadsheets put it on the clipboard: one line per row, cells
// split by tabs only (a name may hold commas and spaces).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kelpo::grid {

// Inclusive bounds of a rectangle of cells.
struct CellRange {
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::int32_t bottom = 0;
    std::int32_t right = 0;
    std::int32_t rows() const { return bottom - top + 1; }
    std::int32_t cols() const { return right - left + 1; }
    bool contains(std::int32_t row, std::int32_t col) const {
        return row >= top && row <= bottom && col >= left && col <= right;
    }
};

using CellBlock = std::vector<std::vector<std::string>>;

// Lines end in LF or CR LF; the last line break is no row of its own. Rows shorter
// than the widest are padded with empty cells.
CellBlock parseCellBlock(std::string_view text);

// The range's cells, tab between cells and LF after every row.
using CellText = std::function<std::string(std::int32_t row, std::int32_t col)>;
std::string cellBlockText(const CellText& textAt, const CellRange& range);

}  // namespace kelpo::grid
