// A species x sites presence-absence matrix of 0/1 cells, indexed from 1.
#pragma once

#include <cstdint>
#include <vector>

namespace kelpo {

class PresenceMatrix {
public:
    PresenceMatrix() = default;
    // All cells 0. Throws kelpo::Error (InvalidInput) for negative sizes,
    // (OutOfMemory) when the cells cannot be allocated.
    PresenceMatrix(std::int32_t rows, std::int32_t cols);

    std::int32_t rows() const { return rows_; }
    std::int32_t cols() const { return cols_; }

    // Species i (1..rows) at site k (1..cols). No bounds check: callers loop within rows and cols.
    std::uint8_t operator()(std::int32_t i, std::int32_t k) const { return cells_[index(i, k)]; }
    void set(std::int32_t i, std::int32_t k, std::uint8_t value) { cells_[index(i, k)] = value; }

    // The rows() cells of site k (1..cols), species 1 first: the fast way to read a whole column.
    const std::uint8_t* column(std::int32_t k) const { return cells_.data() + index(1, k); }

    std::vector<std::int32_t> rowSums() const;  // index 0 is species 1
    std::vector<std::int32_t> colSums() const;  // index 0 is site 1

    bool operator==(const PresenceMatrix&) const = default;

private:
    // Column-major: the swap updates scan one site's column over all species.
    std::size_t index(std::int32_t i, std::int32_t k) const {
        return static_cast<std::size_t>(k - 1) * static_cast<std::size_t>(rows_) + static_cast<std::size_t>(i - 1);
    }

    std::int32_t rows_ = 0;
    std::int32_t cols_ = 0;
    std::vector<std::uint8_t> cells_;
};

}  // namespace kelpo
