// The checks a matrix passes before a run: trimmed binary data cells, then the
// 0/1 matrix that the engine takes.
#pragma once

#include "core/error.h"
#include "core/presence_matrix.h"
#include "matrix/sparse_array.h"

namespace kelpo {

// A refused data cell: the window makes it the current cell once the message is read.
class CellError : public Error {
public:
    CellError(const std::string& message, std::int32_t row, std::int32_t col)
        : Error(ErrorKind::InvalidInput, message), row_(row), col_(col) {}
    std::int32_t row() const noexcept { return row_; }
    std::int32_t col() const noexcept { return col_; }

private:
    std::int32_t row_;
    std::int32_t col_;
};

// Trims the blanks around every stored cell of the copy, in key order (a trimmed
// cell's key moves to the end), and
// throws CellError (InvalidInput, "Error 05: ...") at the first data cell
// (row and column from 1) that then reads neither "1" nor "0".
void validateMatrix(SparseArray& copy);

// Rows 1..cells.rows(), columns 1..cells.cols(): 1 where a data cell is stored, else 0.
PresenceMatrix buildMatrix(const SparseArray& cells);
// The same with the sides given: a last species or site with no presence and no name still counts.
PresenceMatrix buildMatrix(const SparseArray& cells, std::int32_t rows, std::int32_t cols);

}  // namespace kelpo
