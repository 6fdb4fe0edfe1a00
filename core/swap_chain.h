// The sequential swap step (Part 1.3, NextValue) over a chain's own working matrix
// and statistic. One SwapChain per p-value estimate; nothing is shared between chains.
#pragma once

#include <cstdint>
#include <utility>

#include "core/bit_lines.h"
#include "core/presence_matrix.h"
#include "core/random.h"
#include "core/statistics.h"

namespace kelpo {

// Stat is CScoreStatistic<L>, CheckerboardsStatistic<L> or CombinationsStatistic<L>: the
// statistic is fixed for the whole chain, so the step has no dispatch at all.
template <class Stat>
class SwapChain {
public:
    using Statistic = Stat;

    // The working matrix, laid out for Stat (featureLines(matrix, Stat::kSpeciesAreEntities)),
    // with a full computation of the statistic. Returns the value.
    std::int32_t start(BitLines working, SharedKernel kernel = SharedKernel::Automatic) {
        work_ = std::move(working);
        if constexpr (Stat::kSpeciesAreEntities) {
            rows_ = work_.bits;
            cols_ = work_.lines;
        } else {
            rows_ = work_.lines;
            cols_ = work_.bits;
        }
        return stat_.full(work_, kernel);
    }

    // One step; true when the proposal was a checkerboard and was swapped.
    // Requires rows() >= 2 and cols() >= 2.
    bool step(Random& random) {
        // Part 1.3: i1, then i2 != i1 by redrawing, then k1, then k2 != k1.
        std::int32_t i1, i2, k1, k2;
        i1 = random.draw(rows_);
        do i2 = random.draw(rows_); while (i2 == i1);
        k1 = random.draw(cols_);
        do k2 = random.draw(cols_); while (k2 == k1);
        return trySwap(i1 - 1, i2 - 1, k1 - 1, k2 - 1);
    }

    // Swaps the 2 x 2 submatrix on species i1 != i2 and sites k1 != k2 (0-based) when
    // it is a checkerboard and updates the statistic; true when it swapped.
    bool trySwap(std::int32_t i1, std::int32_t i2, std::int32_t k1, std::int32_t k2) {
        // Entities e (bits) and features f (lines): cell (i1, k1) is (e1, f1) and
        // (i2, k2) is (e2, f2) in both layouts; the other diagonal is the other pair.
        std::int32_t e1, e2, f1, f2;
        if constexpr (Stat::kSpeciesAreEntities) {
            e1 = i1; e2 = i2; f1 = k1; f2 = k2;
        } else {
            e1 = k1; e2 = k2; f1 = i1; f2 = i2;
        }
        std::uint64_t* line1 = work_.line(f1);
        std::uint64_t* line2 = work_.line(f2);
        const std::size_t w1 = static_cast<std::size_t>(e1) >> 6, w2 = static_cast<std::size_t>(e2) >> 6;
        const unsigned b1 = static_cast<unsigned>(e1) & 63, b2 = static_cast<unsigned>(e2) & 63;
        const std::uint64_t a1 = line1[w1], a2 = line1[w2], c1 = line2[w1], c2 = line2[w2];
        // A checkerboard: e1 differs between f1 and f2, so does e2, and e1 differs
        // from e2 at f1 (then one diagonal holds two 1s and the other two 0s, the
        // spec's s1 XOR s2 = 2).
        if (!((((a1 ^ c1) >> b1) & ((a2 ^ c2) >> b2) & ((a1 >> b1) ^ (a2 >> b2))) & 1)) return false;
        const unsigned x11 = (a1 >> b1) & 1;

        line1[w1] ^= std::uint64_t{1} << b1;
        line2[w1] ^= std::uint64_t{1} << b1;
        line1[w2] ^= std::uint64_t{1} << b2;
        line2[w2] ^= std::uint64_t{1} << b2;
        // g is the entity that now has feature f1: e1 when (e1, f1) was 0.
        const std::int32_t g = x11 ? e2 : e1, l = x11 ? e1 : e2;
        stat_.afterSwap(line1, line2, work_.wordsPerLine, g, l);
        return true;
    }

    // NextValue: one step, and the statistic after it (the last value when refused).
    std::int32_t nextValue(Random& random) {
        step(random);
        return stat_.value();
    }

    std::int32_t value() const { return stat_.value(); }
    std::int32_t rows() const { return rows_; }
    std::int32_t cols() const { return cols_; }

    // Species i, site k (1-based) of the working matrix.
    std::uint8_t cell(std::int32_t i, std::int32_t k) const {
        if constexpr (Stat::kSpeciesAreEntities) return work_.test(k - 1, i - 1);
        else return work_.test(i - 1, k - 1);
    }

    PresenceMatrix matrix() const {
        PresenceMatrix m(rows_, cols_);
        for (std::int32_t k = 1; k <= cols_; ++k)
            for (std::int32_t i = 1; i <= rows_; ++i) m.set(i, k, cell(i, k));
        return m;
    }

private:
    BitLines work_;
    Stat stat_;
    std::int32_t rows_ = 0, cols_ = 0;
};

// Runs body(chain) on a new SwapChain of the statistic with the table layout that
// suits a rows x cols matrix: the square up to kSquareTableLimit entities.
template <template <TableLayout> class Stat, class Body>
decltype(auto) withChain(std::int32_t rows, std::int32_t cols, Body&& body) {
    const std::int32_t entities = Stat<TableLayout::Triangle>::kSpeciesAreEntities ? rows : cols;
    if (entities <= kSquareTableLimit) {
        SwapChain<Stat<TableLayout::Square>> chain;
        return body(chain);
    }
    SwapChain<Stat<TableLayout::Triangle>> chain;
    return body(chain);
}

}  // namespace kelpo
