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

// Stat is CScoreStatistic, CheckerboardsStatistic or CombinationsStatistic: the
// statistic is fixed for the whole chain, so the step has no dispatch at all.
template <class Stat>
class SwapChain {
public:
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
        const std::int32_t i1 = random.draw(rows_) - 1;
        std::int32_t i2;
        do i2 = random.draw(rows_) - 1; while (i2 == i1);
        const std::int32_t k1 = random.draw(cols_) - 1;
        std::int32_t k2;
        do k2 = random.draw(cols_) - 1; while (k2 == k1);
        return trySwap(i1, i2, k1, k2);
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
        const unsigned x11 = (line1[w1] >> b1) & 1, x22 = (line2[w2] >> b2) & 1;
        const unsigned x12 = (line2[w1] >> b1) & 1, x21 = (line1[w2] >> b2) & 1;
        // A checkerboard: one diagonal sums to 2, the other to 0.
        if (((x11 + x22) ^ (x12 + x21)) != 2) return false;

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

}  // namespace kelpo
