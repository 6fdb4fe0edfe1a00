// Slot, wrap and snap arithmetic of the matrix grid: pure functions of sizes,
// totals and scroll values, so the widget only applies their results.
#pragma once

#include <cstdint>
#include <optional>

namespace kelpo::grid {

// A cell of the grid (row 0 and column 0 are the headers) or a slot on screen.
struct CellIndex {
    std::int32_t row = 0;
    std::int32_t col = 0;
    bool operator==(const CellIndex&) const = default;
};

enum class Move { Right, Left, Up, Down };

// Where an index falls relative to the scrolled view.
inline constexpr int kSlotBeforeView = -1;
inline constexpr int kSlotAfterView = -2;

// v wrapped into 1..n (headers locked) or 0..n (headers editable), both ends
// wrapping round; n + h must be positive.
std::int32_t wrapIndex(std::int32_t v, std::int32_t n, bool headersEditable);

// The cell a navigation key leads to from `from` on a grid of rows × cols data
// cells; nullopt when locked headers leave no data cell to move to.
std::optional<CellIndex> movedCell(CellIndex from, Move move, std::int32_t rows, std::int32_t cols,
                                   bool headersEditable);

// The slot showing `index` on one axis: 0 for the header (it never scrolls),
// 1..visible-1 when in view, kSlotBeforeView or kSlotAfterView otherwise.
int cellSlot(std::int32_t index, int scroll, int visible);

// The cell shown in a slot on one axis: the header slot shows the header.
std::int32_t slotIndex(int slot, int scroll);

// Nearest whole number, a half going to the even neighbour.
int roundHalfEven(double value);

struct ScrollBarChoice {
    bool horizontal = false;
    bool vertical = false;
};

// Which bars the available area needs to show rowTotal × colTotal cells; a bar
// taken by one direction narrows the room left for the other.
ScrollBarChoice chooseScrollBars(int height, int width, std::int32_t rowTotal, std::int32_t colTotal,
                                 int cellHeight, int cellWidth, int barThickness);

// A length cut down to whole cells, plus the bar running along it when one is on;
// never more than the length given (unless the bar alone is longer).
int snapToCells(int length, int cell, int barThickness, bool barOn);

// One axis of the drawing surface: its length and the number of slots shown,
// header slot included.
struct AxisLayout {
    int surfaceLength = 0;
    int visible = 0;
};
AxisLayout layoutAxis(int frameLength, int cell, std::int32_t total);

}  // namespace kelpo::grid
