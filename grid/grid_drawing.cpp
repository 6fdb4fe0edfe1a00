// Drawing of the matrix grid.
#include "grid/grid_drawing.h"

#include <QPainter>
#include <QPen>

namespace kelpo::grid {

namespace {

// Texts start a little inside their slot, in proportion to the slot's size.
QPointF textOrigin(const SlotLayout& layout, int slotRow, int slotCol) {
    return {slotCol * layout.cellWidth + layout.cellWidth * 4.0 / 90.0,
            slotRow * layout.cellHeight + layout.cellHeight * 4.0 / 30.0};
}

QRect slotRect(const SlotLayout& layout, int slotRow, int slotCol) {
    return {slotCol * layout.cellWidth, slotRow * layout.cellHeight, layout.cellWidth, layout.cellHeight};
}

}  // namespace

QPixmap drawBackground(QSize surface, qreal pixelRatio, const SlotLayout& layout, const GridColours& colours,
                       const QColor& headerColour, bool headersEditable) {
    if (surface.isEmpty()) {
        return {};
    }
    QPixmap picture(surface * pixelRatio);
    picture.setDevicePixelRatio(pixelRatio);
    picture.fill(colours.background);

    QPainter painter(&picture);
    const int width = surface.width();
    const int height = surface.height();
    const int cw = layout.cellWidth;
    const int ch = layout.cellHeight;

    painter.setPen(QPen(colours.buttonFace, 1));
    for (int k = 2; k < layout.visibleRows; ++k) {
        painter.drawLine(0, k * ch, width, k * ch);
    }
    for (int k = 2; k < layout.visibleCols; ++k) {
        painter.drawLine(k * cw, 0, k * cw, height);
    }

    painter.fillRect(0, 0, width, ch, headerColour);
    painter.fillRect(0, 0, cw, height, headerColour);

    // Black separators mark the locked headers as a fixed band of labels.
    painter.setPen(QPen(headersEditable ? colours.buttonFace : colours.ink, 1));
    for (int k = 2; k < layout.visibleRows; ++k) {
        painter.drawLine(0, k * ch, cw, k * ch);
    }
    for (int k = 2; k < layout.visibleCols; ++k) {
        painter.drawLine(k * cw, 0, k * cw, ch);
    }
    painter.setPen(QPen(colours.ink, 1));
    painter.drawLine(cw, 0, cw, height);
    painter.drawLine(0, ch, width, ch);
    return picture;
}

void drawSlots(QPainter& painter, const SlotLayout& layout, const GridColours& colours, bool headersEditable,
               const SlotText& textAt) {
    const int cw = layout.cellWidth;
    const int ch = layout.cellHeight;
    const QString absent = QStringLiteral("0");
    for (int i = 0; i < layout.visibleRows; ++i) {
        for (int j = 0; j < layout.visibleCols; ++j) {
            const QRect slot = slotRect(layout, i, j);
            const bool lockedHeader = !headersEditable && (i == 0 || j == 0);
            painter.fillRect(slot.adjusted(2, 2, -2, -2), lockedHeader ? colours.buttonFace : colours.background);
            painter.setPen(QPen(colours.buttonFace, 1));
            painter.drawLine(slot.left(), slot.top() + 3, slot.left(), slot.top() + ch - 3);

            const std::optional<std::string_view> text = textAt(i, j);
            painter.setPen(colours.ink);
            painter.drawText(QRectF(textOrigin(layout, i, j), QSizeF(cw, ch)),
                             Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine,
                             text ? QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size())) : absent);
        }
    }
}

void drawCurrentCellFrame(QPainter& painter, const SlotLayout& layout, const GridColours& colours,
                          CellIndex slot, bool headersEditable) {
    const int firstSelectable = headersEditable ? 0 : 1;
    const int x0 = slot.col == firstSelectable ? 1 : 0;
    const int y0 = slot.row == firstSelectable ? 1 : 0;
    const int x1 = slot.col == layout.visibleCols - 1 ? 1 : 0;
    const int y1 = slot.row == layout.visibleRows - 1 ? 1 : 0;
    const QPointF topLeft(slot.col * layout.cellWidth + x0, slot.row * layout.cellHeight + y0);
    const QPointF bottomRight((slot.col + 1) * layout.cellWidth + 1 - x1, (slot.row + 1) * layout.cellHeight + 1 - y1);
    painter.setPen(QPen(colours.ink, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(topLeft, bottomRight));
}

}  // namespace kelpo::grid
