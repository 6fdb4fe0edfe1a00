// The checks a matrix passes before a run: trimmed binary data cells, then the
// 0/1 matrix that the engine takes.
#pragma once

#include "core/presence_matrix.h"
#include "matrix/sparse_array.h"

namespace kelpo {

// Trims the blanks around every stored cell of the copy, in key order (a trimmed
// cell's key moves to the end), and
// throws kelpo::Error (InvalidInput, "Error 05: ...") at the first data cell
// (row and column from 1) that then reads neither "1" nor "0".
void validateMatrix(SparseArray& copy);

// Rows 1..cells.rows(), columns 1..cells.cols(): 1 where a data cell is stored, else 0.
PresenceMatrix buildMatrix(const SparseArray& cells);
// The same with the sides given: a last species or site with no presence and no name still counts.
PresenceMatrix buildMatrix(const SparseArray& cells, std::int32_t rows, std::int32_t cols);

}  // namespace kelpo
