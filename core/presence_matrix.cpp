#include "core/presence_matrix.h"

#include <new>

#include "core/error.h"

namespace kelpo {

PresenceMatrix::PresenceMatrix(std::int32_t rows, std::int32_t cols) : rows_(rows), cols_(cols) {
    if (rows < 0 || cols < 0) {
        throw Error(ErrorKind::InvalidInput, "A presence-absence matrix cannot have a negative size.");
    }
    try {
        cells_.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), 0);
    } catch (const std::bad_alloc&) {
        throw Error(ErrorKind::OutOfMemory, "Out of memory for a " + std::to_string(rows) + " x " +
                                                std::to_string(cols) + " presence-absence matrix.");
    }
}

std::vector<std::int32_t> PresenceMatrix::rowSums() const {
    std::vector<std::int32_t> sums(static_cast<std::size_t>(rows_), 0);
    for (std::int32_t k = 1; k <= cols_; ++k)
        for (std::int32_t i = 1; i <= rows_; ++i) sums[static_cast<std::size_t>(i - 1)] += (*this)(i, k);
    return sums;
}

std::vector<std::int32_t> PresenceMatrix::colSums() const {
    std::vector<std::int32_t> sums(static_cast<std::size_t>(cols_), 0);
    for (std::int32_t k = 1; k <= cols_; ++k)
        for (std::int32_t i = 1; i <= rows_; ++i) sums[static_cast<std::size_t>(k - 1)] += (*this)(i, k);
    return sums;
}

}  // namespace kelpo
