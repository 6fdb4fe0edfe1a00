// The main window's Edit menu: undo history, the clipboard and the selected block.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QUndoStack>
#include <algorithm>

#include "grid/cell_block.h"
#include "grid/grid.h"
#include "matrix/matrix_file.h"
#include "ui/main_window.h"
#include "ui/matrix_history.h"
#include "widgets/message_box.h"
#include "widgets/wait_cursor.h"

namespace kelpo::ui {

void MainWindow::buildEditMenu() {
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    const auto item = [this, edit](const QString& text, const char* name, QKeySequence keys, auto handler) {
        QAction* action = edit->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    QAction* undo = item(QStringLiteral("&Undo"), "mnuEditUndo", QKeySequence::Undo, &MainWindow::editUndo);
    QAction* redo = item(QStringLiteral("&Redo"), "mnuEditRedo", QKeySequence(Qt::CTRL | Qt::Key_Y), &MainWindow::editRedo);
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    undo->setEnabled(false);
    redo->setEnabled(false);
    connect(history_, &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
    connect(history_, &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
    edit->addSeparator();
    item(QStringLiteral("Cu&t"), "mnuEditCut", QKeySequence::Cut, &MainWindow::editCut);
    item(QStringLiteral("&Copy"), "mnuEditCopy", QKeySequence::Copy, &MainWindow::editCopy);
    item(QStringLiteral("&Paste"), "mnuEditPaste", QKeySequence::Paste, &MainWindow::editPaste);
    edit->addSeparator();
    item(QStringLiteral("Select &All"), "mnuEditSelectAll", QKeySequence::SelectAll, &MainWindow::editSelectAll);
    connect(grd1_, &Grid::CellEdited, this, &MainWindow::onCellEdited);
    connect(grd1_, &Grid::EditCommand, this, &MainWindow::onGridEditCommand);
    connect(history_, &QUndoStack::cleanChanged, this, &MainWindow::updateTitle);
}

MatrixState MainWindow::matrixState() {
    return {grd1_->GetMatrix(), txtRows_->text(), txtCols_->text(), settings_.fileName, lbl1_->text(), matrixEncoding_};
}

void MainWindow::applyMatrixState(const MatrixState& state) {
    const bool outer = !std::exchange(recording_, true);
    const WaitCursor wait;
    txtRows_->setText(state.rows);
    txtCols_->setText(state.cols);
    GridResize();
    grd1_->RestoreMatrix(state.cells);
    GridFrameResize();
    settings_.fileName = state.name;
    lbl1_->setText(state.caption);
    matrixEncoding_ = state.encoding;
    if (outer) recording_ = false;
    updateTitle();
}

void MainWindow::recordChange(const QString& text, const std::function<void()>& change) {
    if (recording_) {
        change();  // part of a command already being recorded
        return;
    }
    grd1_->CommitEdit();  // the text being typed is an edit of its own, undone on its own
    recording_ = true;
    MatrixState before = matrixState();
    change();
    MatrixState after = matrixState();
    recording_ = false;
    history_->push(new MatrixChange(text, std::move(before), std::move(after),
                                    [this](const MatrixState& state) { applyMatrixState(state); }));
    updateTitle();
}

void MainWindow::onCellEdited(std::int32_t row, std::int32_t col, const QString& before, const QString& after) {
    if (recording_) return;
    history_->push(new CellChange(*grd1_, row, col, before, after));
    updateTitle();
}

void MainWindow::updateTitle() {
    const bool modified = !history_->isClean();
    if (settings_.fileName.empty() && !modified) {
        setWindowTitle(QStringLiteral("Kelpo"));
        return;
    }
    const QString name = QString::fromStdString(settings_.fileName.empty() ? "Matrix" : settings_.fileName);
    setWindowTitle(name + (modified ? QStringLiteral("*") : QString()) + QStringLiteral(" \u2014 Kelpo"));
}

void MainWindow::onGridEditCommand(QKeySequence::StandardKey key) {
    switch (key) {
    case QKeySequence::Undo: return editUndo();
    case QKeySequence::Redo: return editRedo();
    case QKeySequence::Cut: return editCut();
    case QKeySequence::Copy: return editCopy();
    case QKeySequence::Paste: return editPaste();
    case QKeySequence::SelectAll: return editSelectAll();
    case QKeySequence::Delete: return recordChange(QStringLiteral("Delete"), [this] { clearSelection(); });
    default: return;
    }
}

void MainWindow::editUndo() {
    grd1_->CommitEdit();
    const bool outer = !std::exchange(recording_, true);
    history_->undo();
    if (outer) recording_ = false;
    updateTitle();
}

void MainWindow::editRedo() {
    grd1_->CommitEdit();
    const bool outer = !std::exchange(recording_, true);
    history_->redo();
    if (outer) recording_ = false;
    updateTitle();
}

void MainWindow::editCopy() {
    grd1_->CommitEdit();
    const std::string text = grid::cellBlockText(
        [this](std::int32_t row, std::int32_t col) { return grd1_->GetText(row, col); }, grd1_->Selection());
    QApplication::clipboard()->setText(QString::fromStdString(text));
}

void MainWindow::editCut() {
    editCopy();
    recordChange(QStringLiteral("Cut"), [this] { clearSelection(); });
}

void MainWindow::clearSelection() {
    // Names are no data: they are copied with the block, never blanked.
    const grid::CellRange range = grd1_->Selection();
    for (std::int32_t row = std::max(range.top, 1); row <= range.bottom; ++row) {
        for (std::int32_t col = std::max(range.left, 1); col <= range.right; ++col) grd1_->WriteCell(row, col, "0");
    }
}

void MainWindow::editSelectAll() { grd1_->SelectAll(); }

void MainWindow::editPaste() {
    const grid::CellBlock block = grid::parseCellBlock(QApplication::clipboard()->text().toStdString());
    if (block.empty() || block.front().empty()) return;
    const grid::CellRange at = grd1_->Selection();
    const auto height = static_cast<std::int64_t>(block.size());
    const auto width = static_cast<std::int64_t>(block.front().size());
    const std::int64_t needRows = std::min<std::int64_t>(at.top + height - 1, kMaxMatrixSide);
    const std::int64_t needCols = std::min<std::int64_t>(at.left + width - 1, kMaxMatrixSide);
    bool enlarge = false;
    QString newRows;
    QString newCols;
    if (needRows > grd1_->Rows() || needCols > grd1_->Cols()) {
        const std::int64_t rows = std::max<std::int64_t>(needRows, grd1_->Rows());
        const std::int64_t cols = std::max<std::int64_t>(needCols, grd1_->Cols());
        enlarge = askYesNo(this, QStringLiteral("The pasted cells need a matrix of %1 species and %2 sites. "
                                                "Enlarge the matrix? (No pastes only what fits.)")
                                     .arg(rows)
                                     .arg(cols)) == Answer::Yes;
        if (enlarge) {
            newRows = QString::number(rows);
            newCols = QString::number(cols);
        }
    }
    recordChange(QStringLiteral("Paste"), [&] {
        const WaitCursor wait;
        if (enlarge) {
            txtRows_->setText(newRows);
            txtCols_->setText(newCols);
            GridResize();
        }
        const std::int64_t lastRow = std::min<std::int64_t>(at.top + height - 1, grd1_->Rows());
        const std::int64_t lastCol = std::min<std::int64_t>(at.left + width - 1, grd1_->Cols());
        for (std::int64_t row = at.top; row <= lastRow; ++row) {
            for (std::int64_t col = at.left; col <= lastCol; ++col) {
                grd1_->WriteCell(static_cast<std::int32_t>(row), static_cast<std::int32_t>(col),
                                 block[static_cast<std::size_t>(row - at.top)][static_cast<std::size_t>(col - at.left)]);
            }
        }
        if (enlarge) GridFrameResize();
    });
}

}  // namespace kelpo::ui
