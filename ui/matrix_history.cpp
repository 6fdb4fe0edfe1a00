#include "ui/matrix_history.h"

#include <utility>

#include "grid/grid.h"

namespace kelpo::ui {

MatrixChange::MatrixChange(const QString& text, MatrixState before, MatrixState after, Apply apply)
    : QUndoCommand(text), before_(std::move(before)), after_(std::move(after)), apply_(std::move(apply)) {}

void MatrixChange::undo() { apply_(before_); }

void MatrixChange::redo() {
    if (std::exchange(done_, false)) return;
    apply_(after_);
}

CellChange::CellChange(Grid& grid, std::int32_t row, std::int32_t col, const QString& before, const QString& after)
    : QUndoCommand(QStringLiteral("Edit")),
      grid_(grid),
      row_(row),
      col_(col),
      before_(before.toStdString()),
      after_(after.toStdString()) {}

void CellChange::undo() { grid_.WriteCell(row_, col_, before_); }

void CellChange::redo() {
    if (std::exchange(done_, false)) return;
    grid_.WriteCell(row_, col_, after_);
}

}  // namespace kelpo::ui
