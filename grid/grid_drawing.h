// Drawing of the matrix grid: the static background picture (lines and header
// bands) and, over it, the boxes, texts and current-cell frame of the visible slots.
#pragma once

#include "grid/grid_geometry.h"

#include <QColor>
#include <QPixmap>
#include <QSize>
#include <functional>
#include <optional>
#include <string_view>
#include <string>

class QPainter;

namespace kelpo::grid {

struct SlotLayout {
    int cellWidth = 60;
    int cellHeight = 20;
    int visibleRows = 0;
    int visibleCols = 0;
};

struct GridColours {
    QColor background;  // the surface behind the cells
    QColor buttonFace;  // grid lines and locked headers
    QColor ink;         // texts, borders and the current-cell frame
};

// Text of the cell shown in a slot, nullptr when that cell is not stored.
using SlotText = std::function<std::optional<std::string_view>(int slotRow, int slotCol)>;

QPixmap drawBackground(QSize surface, qreal pixelRatio, const SlotLayout& layout, const GridColours& colours,
                       const QColor& headerColour, bool headersEditable);

void drawSlots(QPainter& painter, const SlotLayout& layout, const GridColours& colours, bool headersEditable,
               const SlotText& textAt);

void drawCurrentCellFrame(QPainter& painter, const SlotLayout& layout, const GridColours& colours,
                          CellIndex slot, bool headersEditable);

}  // namespace kelpo::grid
