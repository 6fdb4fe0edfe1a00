// Slot, wrap and snap arithmetic of the matrix grid.
#include "grid/grid_geometry.h"

#include <algorithm>
#include <cmath>

namespace kelpo::grid {

std::int32_t wrapIndex(std::int32_t v, std::int32_t n, bool headersEditable) {
    const std::int32_t h = headersEditable ? 1 : 0;
    const std::int32_t span = n + h;
    std::int32_t wrapped = v % span;  // remainder with the sign of v
    if (wrapped < 0) {
        wrapped += span;
    }
    if (h == 0 && wrapped == 0) {
        wrapped = n;
    }
    return wrapped;
}

std::optional<CellIndex> movedCell(CellIndex from, Move move, std::int32_t rows, std::int32_t cols,
                                   bool headersEditable) {
    const std::int32_t h = headersEditable ? 1 : 0;
    if (rows + h <= 0 || cols + h <= 0) {
        return std::nullopt;
    }
    CellIndex to = from;
    switch (move) {
    case Move::Right:
        to.col = wrapIndex(from.col + 1, cols, headersEditable);
        if (to.col == 1 - h) {
            to.row = wrapIndex(from.row + 1, rows, headersEditable);
        }
        break;
    case Move::Left:
        to.col = wrapIndex(from.col - 1, cols, headersEditable);
        if (to.col == cols) {
            to.row = wrapIndex(from.row - 1, rows, headersEditable);
        }
        break;
    case Move::Up:
        to.row = wrapIndex(from.row - 1, rows, headersEditable);
        break;
    case Move::Down:
        to.row = wrapIndex(from.row + 1, rows, headersEditable);
        break;
    }
    return to;
}

int cellSlot(std::int32_t index, int scroll, int visible) {
    if (index == 0) {
        return 0;
    }
    const std::int64_t p = std::int64_t{index} - scroll;
    if (p > visible - 1) {
        return kSlotAfterView;
    }
    if (p < 1) {
        return kSlotBeforeView;
    }
    return static_cast<int>(p);
}

std::int32_t slotIndex(int slot, int scroll) {
    return slot == 0 ? 0 : scroll + slot;
}

int roundHalfEven(double value) {
    return static_cast<int>(std::nearbyint(value));  // the default rounding mode sends halves to even
}

ScrollBarChoice chooseScrollBars(int height, int width, std::int32_t rowTotal, std::int32_t colTotal,
                                 int cellHeight, int cellWidth, int barThickness) {
    const std::int64_t allRowsHeight = std::int64_t{rowTotal} * cellHeight;
    const std::int64_t allColsWidth = std::int64_t{colTotal} * cellWidth;
    ScrollBarChoice bars;
    if (height < allRowsHeight) {
        bars.vertical = true;
        bars.horizontal = width - barThickness < allColsWidth;
    } else if (width < allColsWidth) {
        bars.horizontal = true;
        bars.vertical = height - barThickness < allRowsHeight;
    }
    return bars;
}

int snapToCells(int length, int cell, int barThickness, bool barOn) {
    // Down, never up: rounding up would push the bars past the space the container gave.
    const int bar = barOn ? barThickness : 0;
    const int cells = static_cast<int>(std::floor(static_cast<double>(length - bar) / cell));
    return std::max(cells, 0) * cell + bar;
}

AxisLayout layoutAxis(int frameLength, int cell, std::int32_t total) {
    const std::int64_t allCells = std::int64_t{total} * cell;
    if (frameLength <= allCells) {
        return {frameLength, roundHalfEven(static_cast<double>(frameLength) / cell)};
    }
    return {static_cast<int>(allCells), total};
}

}  // namespace kelpo::grid
