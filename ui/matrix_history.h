// Undo and redo of the main window's matrix: a changed cell, or the whole matrix
// with its dimensions and name before and after a command that changes more.
#pragma once

#include <QString>
#include <QUndoCommand>

#include <functional>
#include <string>

#include "matrix/sparse_array.h"
#include "matrix/text_encoding.h"

namespace kelpo {
class Grid;
}

namespace kelpo::ui {

struct MatrixState {
    SparseArray cells;
    QString rows;
    QString cols;
    std::string name;
    QString caption;
    TextEncoding encoding = TextEncoding::Utf8;
};

// The change has happened when the command is pushed: its first redo does nothing.
class MatrixChange : public QUndoCommand {
public:
    using Apply = std::function<void(const MatrixState&)>;
    MatrixChange(const QString& text, MatrixState before, MatrixState after, Apply apply);
    void undo() override;
    void redo() override;

private:
    MatrixState before_;
    MatrixState after_;
    Apply apply_;
    bool done_ = true;
};

class CellChange : public QUndoCommand {
public:
    CellChange(Grid& grid, std::int32_t row, std::int32_t col, const QString& before, const QString& after);
    void undo() override;
    void redo() override;

private:
    Grid& grid_;
    std::int32_t row_;
    std::int32_t col_;
    std::string before_;
    std::string after_;
    bool done_ = true;
};

}  // namespace kelpo::ui
