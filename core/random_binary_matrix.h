// Random presence-absence matrices with fixed row and column sums:
// deal the sums out at random (RandomMarginMatrix), then remove every cell above 1
// by random 2 x 2 moves (ReduceSumOfSquares).
#pragma once

#include <cstdint>
#include <vector>

#include "core/presence_matrix.h"
#include "core/random.h"

namespace kelpo {

// The dealt matrix X of non-negative counts, rows x cols, row-major, indices from 1.
// A cell never exceeds min(row sum, column sum) <= 32767, so 16 bits suffice
// (2 GiB at 32767 x 32767 instead of 4).
struct MarginMatrix {
    std::int32_t rows = 0;
    std::int32_t cols = 0;
    std::vector<std::uint16_t> cells;

    std::uint16_t& at(std::int32_t i, std::int32_t k) {
        return cells[static_cast<std::size_t>(i - 1) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(k - 1)];
    }
    std::uint16_t at(std::int32_t i, std::int32_t k) const {
        return cells[static_cast<std::size_t>(i - 1) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(k - 1)];
    }
};

// Deals the units of the margins: two random values per unit, row position then column position.
// Throws kelpo::Error (InvalidInput) for a negative sum or unequal totals, (Overflow)
// when the total or a cell leaves its range, (OutOfMemory) when X cannot be allocated.
MarginMatrix RandomMarginMatrix(const std::vector<std::int32_t>& rowSums, const std::vector<std::int32_t>& colSums,
                                Random& random);

// Random 2 x 2 moves, four random values per pass, until every cell is 0 or 1.
// Passes aimed at the cells above 1 take over once plain passes stop paying (at the
// rate a block of kPlainPassBlock passes measured, finishing would take more than
// kPlainPassBudget passes: large sparse matrices, after their first block) or after
// plainPassLimit passes. Throws kelpo::Error (InvalidInput) when no 0/1
// matrix has X's margins (the loop would never end), (Overflow) when the total or
// the sum of squares exceeds 32 bits.
inline constexpr std::uint64_t kPlainPassLimit = std::uint64_t{1} << 28;
inline constexpr std::uint64_t kPlainPassBlock = std::uint64_t{1} << 16;
inline constexpr std::uint64_t kPlainPassBudget = std::uint64_t{1} << 24;
// The plain passes read X directly when it fits a core's cache (Compact), else through
// a bitmap of its non-zero cells (BeyondCache); both make the same moves from the same
// draws. Automatic picks by size; the others exist for the tests.
enum class ReductionPath { Automatic, Compact, BeyondCache };
void ReduceSumOfSquares(MarginMatrix& x, Random& random, std::uint64_t plainPassLimit = kPlainPassLimit,
                        ReductionPath path = ReductionPath::Automatic);

// The two stages and the copy into a presence-absence matrix. Throws kelpo::Error
// (InvalidInput) when the margins are not those of some 0/1 matrix of
// rowSums.size() x colSums.size() cells (negative, unequal totals, or impossible).
PresenceMatrix RandomBinaryMatrix(const std::vector<std::int32_t>& rowSums, const std::vector<std::int32_t>& colSums,
                                  Random& random);

// True when some 0/1 matrix has these row and column sums (Gale-Ryser).
bool marginsRealisable(const std::vector<std::int32_t>& rowSums, const std::vector<std::int32_t>& colSums);

}  // namespace kelpo
