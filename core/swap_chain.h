// The sequential swap step (NextValue) over a chain's own working matrix
// and statistic. One SwapChain per p-value estimate; nothing is shared between chains.
#pragma once

#include <bit>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/bit_lines.h"
#include "core/error.h"
#include "core/presence_matrix.h"
#include "core/random.h"
#include "core/statistics.h"

namespace kelpo {

// Stat is CScoreStatistic<L>, CheckerboardsStatistic<L> or CombinationsStatistic<L>: the
// statistic is fixed for the whole chain, so the step has no dispatch at all.
// Up to this many entities an accepted swap updates the statistic over whole rows
// (C-score and checkerboards, square table): the rows cost about as much as visiting
// the changed entities of a matrix of fill 0.1 there, and less at higher fills.
inline constexpr std::int32_t kDenseUpdateLimit = 128;

// What a chain's caller reads: the statistic's values only, or also the shared
// counts of every pair (the statistic's table, which the bit-row update leaves behind),
// or values now and then, counted anew when read (the curveball's; a swap chain
// follows every step).
enum class ChainUse { Values, SharedCounts, ValuesWhenRead };

template <class Stat>
class SwapChain {
public:
    using Statistic = Stat;

    // The working matrix, laid out for Stat (featureLines(matrix, Stat::kSpeciesAreEntities)),
    // with a full computation of the statistic. Returns the value.
    std::int64_t start(BitLines working, SharedKernel kernel = SharedKernel::Automatic,
                       ChainUse use = ChainUse::Values) {
        work_ = std::move(working);
        if constexpr (Stat::kSpeciesAreEntities) {
            rows_ = work_.bits;
            cols_ = work_.lines;
        } else {
            rows_ = work_.lines;
            cols_ = work_.bits;
        }
        // The same cells as bytes, one feature's entities contiguous: the proposal's
        // four reads are then plain loads instead of variable shifts, which took the
        // refused step from about 7.3 to 6.0 ns (20 x 20); the bit lines stay for the
        // updates that walk line f1 XOR line f2 a word at a time (updateFor).
        try {
            cellStride_ = paddedRowLength(work_.bits);
            cells_.assign(static_cast<std::size_t>(work_.lines) * cellStride_, 0);
        } catch (const std::bad_alloc&) {
            throw Error(ErrorKind::OutOfMemory, "Out of memory for the " + std::to_string(rows_) + " x " +
                                                    std::to_string(cols_) + " working matrix.");
        }
        for (std::int32_t f = 0; f < work_.lines; ++f) {
            std::uint8_t* column = cells_.data() + static_cast<std::size_t>(f) * cellStride_;
            const std::uint64_t* line = work_.line(f);
            forEachSetBit(line, work_.wordsPerLine, [column](std::int32_t e) { column[e] = 1; });
        }
        update_ = updateFor(work_.bits, work_.lines, use);
        if (update_ == Update::BitRows32) fillBitRows(narrowRows_);
        if (update_ == Update::BitRows64) fillBitRows(entityRows_);
        return stat_.full(work_, kernel);
    }

    // A full computation of the statistic on other lines (the observed matrix): the
    // chain's table is reused and then describes those lines until the next start.
    std::int64_t statisticOf(const BitLines& lines) { return stat_.full(lines); }

    // One step; true when the proposal was a checkerboard and was swapped.
    // Requires rows() >= 2 and cols() >= 2.
    bool step(Random& random) {
        // The fixed draw order: i1, i2 != i1, k1, k2 != k1. The second of each pair is
        // drawn among the n - 1 others and steps over the first: the same uniform pair
        // as redrawing on a tie, in exactly four values and without that rare,
        // unpredictable loop branch.
        std::int32_t x[4];
        random.drawIndices4({rows_, rows_ - 1, cols_, cols_ - 1}, x);
        return trySwap(x[0], x[1] + (x[1] >= x[0]), x[2], x[3] + (x[3] >= x[2]));
    }

    // Steps until one swaps, at most limit of them: returns how many were refused
    // before that swap, or limit when none swapped. The same steps as calling step(),
    // with the sizes, the cells and the batch position held in registers across the
    // refused ones.
    [[gnu::noinline]] std::int64_t refusedBeforeSwap(Random& random, std::int64_t limit) {
        const std::int32_t rows = rows_, cols = cols_;
        const std::uint8_t* const cells = cells_.data();
        const std::size_t stride = cellStride_;
        std::int32_t x[4];
        const std::int64_t refused = random.proposeUntil(limit, [&](const std::uint32_t* k) {
            const std::int32_t i1 = Random::index(k[0], rows), k1 = Random::index(k[2], cols);
            std::int32_t i2 = Random::index(k[1], rows - 1), k2 = Random::index(k[3], cols - 1);
            i2 += i2 >= i1;
            k2 += k2 >= k1;
            // The indices are stored only for the swap: a refused step keeps them in registers.
            if (!isCheckerboard(cells, stride, {i1, i2, k1, k2})) [[likely]] return false;
            x[0] = i1, x[1] = i2, x[2] = k1, x[3] = k2;
            return true;
        });
        if (refused < limit) applySwap(x[0], x[1], x[2], x[3]);
        return refused;
    }

    // Swaps the 2 x 2 submatrix on species i1 != i2 and sites k1 != k2 (0-based) when
    // it is a checkerboard and updates the statistic; true when it swapped.
    bool trySwap(std::int32_t i1, std::int32_t i2, std::int32_t k1, std::int32_t k2) {
        if (!isCheckerboard(cells_.data(), cellStride_, {i1, i2, k1, k2})) [[likely]] return false;
        applySwap(i1, i2, k1, k2);
        return true;
    }

    // NextValue: one step, and the statistic after it (the last value when refused).
    std::int64_t nextValue(Random& random) {
        step(random);
        return stat_.value();
    }

    std::int64_t value() const { return stat_.value(); }
    const Stat& statistic() const { return stat_; }
    std::int32_t rows() const { return rows_; }
    std::int32_t cols() const { return cols_; }

    // Species i, site k (1-based) of the working matrix.
    std::uint8_t cell(std::int32_t i, std::int32_t k) const {
        const auto e = static_cast<std::size_t>(Stat::kSpeciesAreEntities ? i - 1 : k - 1);
        const auto f = static_cast<std::size_t>(Stat::kSpeciesAreEntities ? k - 1 : i - 1);
        return cells_[f * cellStride_ + e];
    }

    PresenceMatrix matrix() const {
        PresenceMatrix m(rows_, cols_);
        for (std::int32_t k = 1; k <= cols_; ++k)
            for (std::int32_t i = 1; i <= rows_; ++i) m.set(i, k, cell(i, k));
        return m;
    }

private:
    // Whether species x[0], x[1] and sites x[2], x[3] (0-based) form a checkerboard.
    static bool isCheckerboard(const std::uint8_t* cells, std::size_t stride, const std::int32_t (&x)[4]) {
        const auto i1 = static_cast<std::uint32_t>(x[0]), i2 = static_cast<std::uint32_t>(x[1]);
        const auto k1 = static_cast<std::uint32_t>(x[2]), k2 = static_cast<std::uint32_t>(x[3]);
        const std::size_t e1 = Stat::kSpeciesAreEntities ? i1 : k1, e2 = Stat::kSpeciesAreEntities ? i2 : k2;
        const std::size_t f1 = Stat::kSpeciesAreEntities ? k1 : i1, f2 = Stat::kSpeciesAreEntities ? k2 : i2;
        const std::uint8_t* col1 = cells + f1 * stride;
        const std::uint8_t* col2 = cells + f2 * stride;
        // One diagonal sums to 2, the other to 0.
        return ((col1[e1] + col2[e2]) ^ (col2[e1] + col1[e2])) == 2;
    }

    // Swaps the checkerboard, out of line: the refused path, nine times in ten, then
    // keeps its few values in registers.
    [[gnu::noinline]] void applySwap(std::int32_t i1, std::int32_t i2, std::int32_t k1, std::int32_t k2) {
        // Entities e and features f: species and sites, or sites and species.
        std::int32_t e1, e2, f1, f2;
        if constexpr (Stat::kSpeciesAreEntities) {
            e1 = i1; e2 = i2; f1 = k1; f2 = k2;
        } else {
            e1 = k1; e2 = k2; f1 = i1; f2 = i2;
        }
        std::uint8_t* col1 = cells_.data() + static_cast<std::size_t>(f1) * cellStride_;
        std::uint8_t* col2 = cells_.data() + static_cast<std::size_t>(f2) * cellStride_;
        // Cell (i1, k1) is (e1, f1) in both layouts.
        const unsigned x11 = col1[e1];
        col1[e1] ^= 1; col2[e1] ^= 1; col1[e2] ^= 1; col2[e2] ^= 1;
        // g is the entity that now has feature f1: e1 when (e1, f1) was 0.
        const std::int32_t g = x11 ? e2 : e1, l = x11 ? e1 : e2;
        if constexpr (kHasBitRowUpdate) {
            if (update_ == Update::BitRows32) return swapBitRows(narrowRows_, g, l, f1, f2);
            if (update_ == Update::BitRows64) return swapBitRows(entityRows_, g, l, f1, f2);
        }
        if constexpr (kHasDenseUpdate) {
            // A small matrix is read from its byte cells alone: its bit lines are not
            // kept after the start (cell() reads the cells).
            if (update_ == Update::RowsOnly) {
                stat_.afterSwapDense(col1, col2, nullptr, nullptr, 0, g, l);
                return;
            }
        }
        std::uint64_t* line1 = work_.line(f1);
        std::uint64_t* line2 = work_.line(f2);
        const std::size_t w1 = static_cast<std::size_t>(e1) >> 6, w2 = static_cast<std::size_t>(e2) >> 6;
        const std::uint64_t m1 = std::uint64_t{1} << (e1 & 63), m2 = std::uint64_t{1} << (e2 & 63);
        line1[w1] ^= m1;
        line2[w1] ^= m1;
        line1[w2] ^= m2;
        line2[w2] ^= m2;
        if constexpr (kHasDenseUpdate) {
            if (update_ == Update::Rows) {
                stat_.afterSwapDense(col1, col2, line1, line2, work_.wordsPerLine, g, l);
                return;
            }
        }
        stat_.afterSwap(line1, line2, work_.wordsPerLine, g, l);
    }

    // One row of features per entity (at most 32 or 64), zero rows up to a whole vector
    // of 64 bytes.
    template <class Word>
    void fillBitRows(std::vector<Word>& rows) const {
        constexpr std::size_t kPerVector = 64 / sizeof(Word);
        rows.assign((static_cast<std::size_t>(work_.bits) + kPerVector - 1) / kPerVector * kPerVector, 0);
        for (std::int32_t f = 0; f < work_.lines; ++f)
            for (std::int32_t e = 0; e < work_.bits; ++e)
                if (work_.test(f, e)) rows[static_cast<std::size_t>(e)] |= Word{1} << f;
    }

    // Entity g gained feature f1 and lost f2, l the reverse.
    template <class Word>
    void swapBitRows(std::vector<Word>& rows, std::int32_t g, std::int32_t l, std::int32_t f1, std::int32_t f2) {
        const auto moved = static_cast<Word>(Word{1} << f1 | Word{1} << f2);
        Word& rowG = rows[static_cast<std::size_t>(g)];
        Word& rowL = rows[static_cast<std::size_t>(l)];
        const BitRowSwap swap{g, l, f1, f2, rowG, rowL};
        rowG ^= moved;
        rowL ^= moved;
        stat_.afterSwapBits(std::span<const Word>(rows), swap);
    }

    // How an accepted swap updates the statistic. For small matrices: from the
    // entities' bit rows (32 or 64 bits) where the processor has a vector popcount and
    // no one reads the table, else over whole table rows (RowsOnly up to
    // kRowsOnlyLimit entities, where the table's copies are written without the bit
    // lines). For larger ones the changed entities only, whose rows are mostly
    // unchanged (sparse) and long.
    enum class Update { BitRows32, BitRows64, RowsOnly, Rows, ChangedEntities };
    static constexpr bool kHasDenseUpdate = requires(Stat s, const std::uint8_t* c, const std::uint64_t* w) {
        s.afterSwapDense(c, c, w, w, std::size_t{0}, 0, 0);
    };
    static constexpr bool kHasBitRowUpdate = requires(Stat s, std::span<const std::uint64_t> rows) {
        s.afterSwapBits(rows, BitRowSwap{});
    };

    static Update updateFor(std::int32_t entities, std::int32_t features, ChainUse use) {
        if (kHasBitRowUpdate && use == ChainUse::Values && entities <= kDenseUpdateLimit && features <= 64 &&
            bitRowsAvailable()) {
            return features <= 32 ? Update::BitRows32 : Update::BitRows64;
        }
        if (!kHasDenseUpdate || entities > kDenseUpdateLimit || features > kDenseFeatureLimit) {
            return Update::ChangedEntities;
        }
        return entities <= kRowsOnlyLimit ? Update::RowsOnly : Update::Rows;
    }

    BitLines work_;  // as started; kept current only by the Rows and ChangedEntities updates
    std::vector<std::uint8_t> cells_;
    std::size_t cellStride_ = 0;  // paddedRowLength(entities): padding bytes stay 0
    Stat stat_;
    Update update_ = Update::ChangedEntities;
    std::vector<std::uint32_t> narrowRows_;  // BitRows32: entity e's features as bits
    std::vector<std::uint64_t> entityRows_;  // BitRows64: the same for up to 64 features
    std::int32_t rows_ = 0, cols_ = 0;
};

// Runs body(chain) on a new Chain<Stat<L>> (SwapChain, CurveballChain) with the table
// layout L that suits a rows x cols matrix: the square up to kSquareTableLimit entities.
template <template <class> class Chain, template <TableLayout> class Stat, class Body>
decltype(auto) withChainOf(std::int32_t rows, std::int32_t cols, Body&& body) {
    const std::int32_t entities = Stat<TableLayout::Triangle>::kSpeciesAreEntities ? rows : cols;
    if (entities <= kSquareTableLimit) {
        Chain<Stat<TableLayout::Square>> chain;
        return body(chain);
    }
    Chain<Stat<TableLayout::Triangle>> chain;
    return body(chain);
}

// withChainOf for the SwapChain.
template <template <TableLayout> class Stat, class Body>
decltype(auto) withChain(std::int32_t rows, std::int32_t cols, Body&& body) {
    return withChainOf<SwapChain, Stat>(rows, cols, body);
}

}  // namespace kelpo
