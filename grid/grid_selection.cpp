// The matrix grid's selected block, its editing keys and the writes that undo and
// redo make, which are not the user's edits.
#include "grid/grid.h"

#include "grid/grid_surface.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace kelpo {

using grid::cellSlot;
using grid::kSlotBeforeView;
using grid::slotIndex;

grid::CellRange Grid::Selection() const {
    const grid::CellIndex current{textRow_, textCol_};
    const grid::CellIndex anchor = anchor_.value_or(current);
    return {std::min(anchor.row, current.row), std::min(anchor.col, current.col),
            std::max(anchor.row, current.row), std::max(anchor.col, current.col)};
}

void Grid::SelectAll() {
    SetCurrentCell(1, 1);
    anchor_ = grid::CellIndex{Rows(), Cols()};
    surface_->update();
}

void Grid::SetCurrentCell(std::int32_t row, std::int32_t col) {
    moveCurrentTo(row, col, false);
    // A jump back past the view: the key moves' scrolling only steps back by one.
    if (cellSlot(row, vsb_->value(), visibleRows_) == kSlotBeforeView) vsb_->setValue(std::max(0, row - 1));
    if (cellSlot(col, hsb_->value(), visibleCols_) == kSlotBeforeView) hsb_->setValue(std::max(0, col - 1));
    scrollToCell(row, col);
    placeEditBox(row, col, Position::Cell);
    PrintMatrix(row, col);
    loadEditBox();
    editBox_->setFocus();
}

void Grid::RestoreMatrix(const SparseArray& cells) {
    editBox_->setModified(false);
    cells_ = cells;
    loadEditBox();
    PrintMatrix(textRow_, textCol_);
}

void Grid::WriteCell(std::int32_t row, std::int32_t col, const std::string& text) {
    cells_.setValue(row, col, text);
    if (row == textRow_ && col == textCol_) loadEditBox();
    surface_->update();
}

void Grid::moveCurrentTo(std::int32_t row, std::int32_t col, bool extend) {
    commitEditBox();
    if (!extend) {
        anchor_.reset();
    } else if (!anchor_) {
        anchor_ = grid::CellIndex{textRow_, textCol_};
    }
    if (anchor_ && *anchor_ == grid::CellIndex{row, col}) anchor_.reset();
    surface_->update();
}

bool Grid::handleEditCommand(const QKeyEvent& event) {
    using Key = QKeySequence::StandardKey;
    for (const Key key : {Key::Copy, Key::Cut, Key::Paste, Key::Undo, Key::Redo, Key::SelectAll}) {
        if (event.matches(key)) {
            emit EditCommand(key);
            return true;
        }
    }
    if (event.key() == Qt::Key_Y && event.modifiers() == Qt::ControlModifier) {
        emit EditCommand(Key::Redo);
        return true;
    }
    // Delete over one cell still deletes characters in the box.
    if (event.key() == Qt::Key_Delete && anchor_) {
        emit EditCommand(Key::Delete);
        return true;
    }
    return false;
}

void Grid::onSurfaceMoved(QPointF position) {
    if (!dragging_) return;
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
        dragging_ = false;
        return;
    }
    const int h = headersEditable_ ? 1 : 0;
    const int slotRow = std::clamp(static_cast<int>(std::floor(position.y() / cellHeight_)), 1 - h, visibleRows_ - 1);
    const int slotCol = std::clamp(static_cast<int>(std::floor(position.x() / cellWidth_)), 1 - h, visibleCols_ - 1);
    const std::int32_t row = std::min(slotIndex(slotRow, vsb_->value()), Rows());
    const std::int32_t col = std::min(slotIndex(slotCol, hsb_->value()), Cols());
    if (row == textRow_ && col == textCol_) return;
    moveCurrentTo(row, col, true);
    placeEditBox(row, col, Position::Cell);
    PrintMatrix(row, col);
    loadEditBox();
}

void Grid::paintSelection(QPainter& painter) const {
    if (!anchor_) return;
    const grid::CellRange range = Selection();
    QColor shade = palette().color(QPalette::Highlight);
    shade.setAlpha(90);
    for (int slotRow = 0; slotRow < visibleRows_; ++slotRow) {
        for (int slotCol = 0; slotCol < visibleCols_; ++slotCol) {
            if (range.contains(slotIndex(slotRow, vsb_->value()), slotIndex(slotCol, hsb_->value()))) {
                painter.fillRect(slotCol * cellWidth_, slotRow * cellHeight_, cellWidth_, cellHeight_, shade);
            }
        }
    }
}

}  // namespace kelpo
