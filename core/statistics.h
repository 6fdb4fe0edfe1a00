// The three co-occurrence statistics: full computation and the update
// after a checkerboard swap, side by side for each statistic.
//
// Ownership: a statistic object holds its table
// and its last value; the swap chain that walks a working matrix owns one, so two
// chains never share one and nothing here is global.
//
// Terms. Each statistic counts, for pairs of *entities*, the *features* both have:
//   C-score, checkerboards: entities = species, features = sites, S(i, j) = shared sites;
//   combinations:           entities = sites, features = species, S(c, c2) = shared species,
//                           and the sites' difference D(c, c2) = n(c) + n(c2) - 2 S(c, c2).
// The working matrix is stored one bit line per feature (core/bit_lines.h).
//
// Tables. S is 16-bit (a count never exceeds the number of features, at most
// 32767): a full square up to kSquareTableLimit entities, a lower triangle above
// (row x holds S(x, y) for y < x contiguously, so R = 32767 costs 1 GiB instead of
// two 4-byte squares); see TableLayout. The pair totals
// T(i, j) = r(i) + r(j) are not stored: the update needs only r(l) - r(g).
//
// The update after a swap. A swap on entities e1, e2 and features f1, f2 leaves one
// of the two entities, g, with f1 (and no longer f2) and the other, l, with f2. For
// any other entity h the shared counts change only when h has exactly one of f1, f2:
// with d = +1 when h has f1, -1 when it has f2, S(h, g) += d and S(h, l) -= d. The
// textbook update walks h = 1..R testing A(h, k1) and A(h, k2) and applies +1 and -1
// steps that cancel when h has both; visiting only the bits of line f1 XOR line f2 is the same
// arithmetic without the cancelling steps, and skips 64 unchanged entities per word.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/bit_lines.h"
#include "core/bit_rows.h"
#include "core/error.h"
#include "core/presence_matrix.h"
#include "core/row_kernel.h"
#include "core/statistic_id.h"

namespace kelpo {

// How SharedTable::build counts: per feature, the pairs of entities present
// (cost sum over features of n(n-1)/2, best for sparse matrices), or per pair of
// entities, a popcount of their bit rows (cost E(E-1)/2 * F/64, best for dense
// ones). Automatic picks the cheaper; the other two exist for the tests.
enum class SharedKernel { Automatic, PairsPerFeature, BitRowPopcount };

// Triangle: each pair once, 2 bytes per pair (1 GiB at 32767 species); an update
// finds S(h, x) in row max(h, x). Square: both S(h, x) and S(x, h), so the rows of
// the two swapped entities are read contiguously and the update does less index
// arithmetic per entity (about 40% fewer instructions), at twice the memory. The
// chain uses the square up to kSquareTableLimit entities (32 MiB), the triangle above.
enum class TableLayout { Triangle, Square };
constexpr std::int32_t kSquareTableLimit = 4096;
// The whole-row update (SharedTable::moveAll) computes its terms in 16 bits: at most
// this many features keep every C-score term (at most 3 F + 2 in size) below 2^15.
constexpr std::int32_t kDenseFeatureLimit = 8191;
// Up to this many entities the whole-row update writes the symmetric copies into every
// row, branch-free, and needs no bit lines (SharedTable::moveAll).
constexpr std::int32_t kRowsOnlyLimit = 64;

// The square table's rows, and the chain's byte cells, hold a whole number of
// kRowBlock entities; the padding stays 0. The whole-row update then runs in full
// vector blocks, with no scalar tail.
constexpr std::size_t paddedRowLength(std::int32_t entities) {
    return (static_cast<std::size_t>(entities) + kRowBlock - 1) / kRowBlock * kRowBlock;
}

// Fills totals (features per entity) and, for every x, S(x, y) for y < x at
// data + rowStarts[x] + y. Throws kelpo::Error (OutOfMemory) for its work lists.
void countSharedFeatures(const BitLines& lines, SharedKernel kernel, std::int32_t* totals, std::uint16_t* data,
                         const std::size_t* rowStarts);

// Calls visit(h, d) for every entity h other than g and l that has exactly one of
// the features f1 (d = +1) and f2 (d = -1), lines read after the swap. g itself has
// f1 and not f2, l the reverse; both are masked out.
template <class Visit>
inline void forEachChangedEntity(const std::uint64_t* lineF1, const std::uint64_t* lineF2, std::size_t words,
                                 std::int32_t g, std::int32_t l, Visit&& visit) {
    const std::size_t wordG = static_cast<std::size_t>(g) >> 6, wordL = static_cast<std::size_t>(l) >> 6;
    const std::uint64_t bitG = std::uint64_t{1} << (g & 63), bitL = std::uint64_t{1} << (l & 63);
    for (std::size_t w = 0; w < words; ++w) {
        const std::uint64_t a = lineF1[w];
        // One loop over both signs: one loop exit to mispredict instead of two.
        std::uint64_t changed = (a ^ lineF2[w]) & ~(w == wordG ? bitG : 0) & ~(w == wordL ? bitL : 0);
        const auto base = static_cast<std::int32_t>(w * 64);
        for (; changed; changed &= changed - 1) {
            const int bit = std::countr_zero(changed);
            visit(base + bit, static_cast<std::int32_t>((a >> bit) & 1) * 2 - 1);
        }
    }
}

// S(x, y) for every unordered pair of entities, and each entity's total.
template <TableLayout L>
class SharedTable {
public:
    // Rebuilds the table for the entities of the lines. Throws kelpo::Error
    // (OutOfMemory) when it cannot be allocated, (InvalidInput) for more than
    // 65535 features (the counts are 16-bit).
    void build(const BitLines& lines, SharedKernel kernel = SharedKernel::Automatic) {
        const std::int32_t n = lines.bits;
        if (n > 1 && lines.lines > 65535) {
            throw Error(ErrorKind::InvalidInput, "The statistic's tables count at most 65535 shared features; "
                                                 "the matrix has " + std::to_string(lines.lines) + ".");
        }
        n_ = n;
        const auto un = static_cast<std::size_t>(n);
        stride_ = paddedRowLength(n);
        const std::size_t cells = L == TableLayout::Square ? un * stride_ : triangleStart(n);
        try {
            totals_.assign(un, 0);
            rowStarts_.resize(un);
            if (cells > capacity_) {
                data_.reset();
                capacity_ = 0;
                data_.reset(new std::uint16_t[cells]);
                capacity_ = cells;
            }
        } catch (const std::bad_alloc&) {
            throw Error(ErrorKind::OutOfMemory, "Out of memory for the shared-count table of " + std::to_string(n) +
                                                    " x " + std::to_string(n) + " pairs.");
        }
        for (std::size_t x = 0; x < un; ++x)
            rowStarts_[x] = L == TableLayout::Square ? x * stride_ : triangleStart(static_cast<std::int32_t>(x));
        countSharedFeatures(lines, kernel, totals_.data(), data_.get(), rowStarts_.data());
        if constexpr (L == TableLayout::Square) {
            for (std::size_t x = 0; x < un; ++x) {
                data_[x * stride_ + x] = 0;
                for (std::size_t y = 0; y < x; ++y) data_[y * stride_ + x] = data_[x * stride_ + y];
                std::fill(data_.get() + x * stride_ + un, data_.get() + (x + 1) * stride_, std::uint16_t{0});
            }
        }
    }

    std::int32_t entities() const { return n_; }
    const std::vector<std::int32_t>& totals() const { return totals_; }

    // S(x, y) for y < x is row(x)[y].
    const std::uint16_t* row(std::int32_t x) const { return data_.get() + rowStarts_[static_cast<std::size_t>(x)]; }

    struct Counts {
        std::int32_t g, l;
    };
    // S(h, g) += d and S(h, l) -= d (h, g, l distinct); returns the counts before.
    Counts move(std::int32_t h, std::int32_t g, std::int32_t l, std::int32_t d) {
        const auto uh = static_cast<std::uint32_t>(h), ug = static_cast<std::uint32_t>(g), ul = static_cast<std::uint32_t>(l);
        std::uint16_t* data = data_.get();
        const std::size_t* starts = rowStarts_.data();
        if constexpr (L == TableLayout::Square) {
            std::uint16_t* rowG = data + starts[ug];
            std::uint16_t* rowL = data + starts[ul];
            std::uint16_t* rowH = data + starts[uh];
            const Counts before{rowG[uh], rowL[uh]};
            rowG[uh] = rowH[ug] = static_cast<std::uint16_t>(before.g + d);
            rowL[uh] = rowH[ul] = static_cast<std::uint16_t>(before.l - d);
            return before;
        } else {
            // Row max(h, x), entry min(h, x): selects, not branches, since h falls on
            // either side of g and l in no predictable pattern.
            std::uint16_t& sg = data[starts[uh > ug ? uh : ug] + (uh > ug ? ug : uh)];
            std::uint16_t& sl = data[starts[uh > ul ? uh : ul] + (uh > ul ? ul : uh)];
            const Counts before{sg, sl};
            sg = static_cast<std::uint16_t>(before.g + d);
            sl = static_cast<std::uint16_t>(before.l - d);
            return before;
        }
    }

    // The square table's update for every entity at once: with d(h) = column1[h] -
    // column2[h] (the byte cells of features f1 and f2 after the swap, padded to
    // paddedRowLength(entities()) with zeros), returns the sum of term(d, S(h, g),
    // S(h, l)) over the entities h other than g and l, counts before the step, and
    // applies S(h, g) += d, S(h, l) -= d (moveRows). Branch-free and vectorised over
    // contiguous rows, so for a small matrix it beats visiting the changed entities
    // one by one (about half of them, each a mispredicted exit away).
    // lineF1 and lineF2 are the same two features as bit lines of words words.
    template <RowTerm Term>
    std::int32_t moveAll(const std::uint8_t* column1, const std::uint8_t* column2, const std::uint64_t* lineF1,
                         const std::uint64_t* lineF2, std::size_t words, std::int32_t g, std::int32_t l,
                         std::int16_t totalsDiff = 0) requires(L == TableLayout::Square) {
        const auto ug = static_cast<std::size_t>(g), ul = static_cast<std::size_t>(l);
        std::uint16_t* data = data_.get();
        const std::uint16_t* rowG = data + ug * stride_;
        const std::uint16_t* rowL = data + ul * stride_;
        const std::int32_t sum = moveRows<Term>(column1, column2, data + ug * stride_, data + ul * stride_, stride_,
                                                static_cast<std::int16_t>(g), static_cast<std::int16_t>(l), totalsDiff);
        // The symmetric copies, S(h, g) and S(h, l) in row h. Up to kRowsOnlyLimit
        // entities every row gets them, branch-free (the same value where nothing changed); above,
        // only the rows that changed, whose entities the bit lines name.
        if (n_ <= kRowsOnlyLimit) {
            std::uint16_t* row = data;
            for (std::size_t h = 0; h < static_cast<std::size_t>(n_); ++h, row += stride_) {
                row[ug] = rowG[h];
                row[ul] = rowL[h];
            }
        } else {
            forEachChangedEntity(lineF1, lineF2, words, g, l, [&](std::int32_t h, std::int32_t) {
                const auto uh = static_cast<std::size_t>(h);
                std::uint16_t* row = data + uh * stride_;
                row[ug] = rowG[uh];
                row[ul] = rowL[uh];
            });
        }
        return sum;
    }

    struct RowChange {
        std::int64_t pairs;  // sum of d (S(p, h) - S(q, h) + d), counts before
        std::int64_t total;  // sum of d
    };
    // S(p, h) += d[h] and S(q, h) -= d[h] for every entity h (d[p] = d[q] = 0), d then
    // all zero. Branch-free, the symmetric copies too: a test of d before them
    // mispredicted often enough to cost more than the stores it saved.
    RowChange addToRows(std::int32_t p, std::int32_t q, std::int32_t* d) requires(L == TableLayout::Square) {
        const auto up = static_cast<std::size_t>(p), uq = static_cast<std::size_t>(q);
        const auto n = static_cast<std::size_t>(n_);
        const std::size_t stride = stride_;
        std::uint16_t* data = data_.get();
        std::uint16_t* const rowP = data + up * stride;
        std::uint16_t* const rowQ = data + uq * stride;
        std::int64_t pairs = 0, total = 0;
        for (std::size_t h = 0; h < n; ++h) {
            const std::int32_t x = d[h], sp = rowP[h], sq = rowQ[h];
            pairs += std::int64_t{x} * (sp - sq + x);
            total += x;
            d[h] = 0;
            const auto newP = static_cast<std::uint16_t>(sp + x), newQ = static_cast<std::uint16_t>(sq - x);
            rowP[h] = newP;
            rowQ[h] = newQ;
            std::uint16_t* row = data + h * stride;
            row[up] = newP;
            row[uq] = newQ;
        }
        return {pairs, total};
    }

    static std::size_t triangleStart(std::int32_t x) {
        const auto ux = static_cast<std::size_t>(x);
        return ux * (ux - (ux > 0)) / 2;
    }

private:
    std::int32_t n_ = 0;
    std::size_t stride_ = 0;
    std::size_t capacity_ = 0;
    std::unique_ptr<std::uint16_t[]> data_;
    std::vector<std::size_t> rowStarts_;
    std::vector<std::int32_t> totals_;
};

// C-score: the sum over unordered species pairs of (r(i) - S(i,j)) (r(j) - S(i,j)).
template <TableLayout L>
class CScoreStatistic {
public:
    static constexpr bool kSpeciesAreEntities = true;

    std::int64_t full(const BitLines& lines, SharedKernel kernel = SharedKernel::Automatic) {
        table_.build(lines, kernel);
        const std::int32_t* r = table_.totals().data();
        // At most 32767^2 / 2 pairs of terms below 32767^2: far inside 64 bits.
        std::int64_t sum = 0;
        for (std::int32_t x = 1; x < table_.entities(); ++x) {
            const std::uint16_t* s = table_.row(x);
            std::int64_t rowSum = 0;
            for (std::int32_t y = 0; y < x; ++y) rowSum += std::int64_t{r[x] - s[y]} * (r[y] - s[y]);
            sum += rowSum;
        }
        return value_ = sum;
    }

    // For a pair (h, x) whose count moves s -> s + d, the term (r(h) - s)(r(x) - s)
    // changes by -d (r(h) + r(x) - 2s) + 1 (2s - t + 1 and -2s + t + 1 with t = r(h) + r(x)).
    // Summed over (h, g) with +d and (h, l) with -d, r(h) cancels:
    //   d (r(l) - r(g)) + 2 d (S(h,g) - S(h,l)) + 2, with the counts before the step.
    std::int64_t afterSwap(const std::uint64_t* lineF1, const std::uint64_t* lineF2, std::size_t words,
                           std::int32_t g, std::int32_t l) {
        const std::int32_t totalsDiff = table_.totals()[l] - table_.totals()[g];
        std::int64_t delta = 0;
        forEachChangedEntity(lineF1, lineF2, words, g, l, [&](std::int32_t h, std::int32_t d) {
            const auto s = table_.move(h, g, l, d);
            delta += d * (totalsDiff + 2 * (s.g - s.l)) + 2;
        });
        return value_ += delta;
    }

    // The same update over the square table's whole rows (SharedTable::moveAll); d is
    // -1, 0 or +1, and a term counts 2 exactly when d is not 0.
    std::int64_t afterSwapDense(const std::uint8_t* column1, const std::uint8_t* column2, const std::uint64_t* lineF1,
                                const std::uint64_t* lineF2, std::size_t words, std::int32_t g,
                                std::int32_t l) requires(L == TableLayout::Square) {
        const auto diff = static_cast<std::int16_t>(table_.totals()[l] - table_.totals()[g]);
        return value_ += table_.template moveAll<RowTerm::CScore>(column1, column2, lineF1, lineF2, words, g, l, diff);
    }

    // The same change from the entities' bit rows (bitRowsChange); the table is left
    // as it was and no longer describes the matrix.
    template <class Word>
    std::int64_t afterSwapBits(std::span<const Word> rows, const BitRowSwap& swap) {
        const std::int32_t diff = table_.totals()[swap.l] - table_.totals()[swap.g];
        return value_ += bitRowsChange(RowTerm::CScore, rows, swap, diff);
    }

    std::int64_t value() const { return value_; }

    // The shared sites of every species pair, as the chain leaves them (the pairwise test reads them).
    const SharedTable<L>& table() const { return table_; }

private:
    SharedTable<L> table_;
    std::int64_t value_ = 0;
};

// Number of checkerboards: unordered species pairs that share no site.
template <TableLayout L>
class CheckerboardsStatistic {
public:
    static constexpr bool kSpeciesAreEntities = true;

    std::int64_t full(const BitLines& lines, SharedKernel kernel = SharedKernel::Automatic) {
        table_.build(lines, kernel);
        std::int64_t count = 0;  // at most 32767 * 32766 / 2 < 2^31
        for (std::int32_t x = 1; x < table_.entities(); ++x) {
            const std::uint16_t* s = table_.row(x);
            std::int32_t zeros = 0;
            for (std::int32_t y = 0; y < x; ++y) zeros += s[y] == 0;
            count += zeros;
        }
        return value_ = count;
    }

    // A pair enters the count when its shared sites fall to 0 and leaves it when they rise from 0.
    std::int64_t afterSwap(const std::uint64_t* lineF1, const std::uint64_t* lineF2, std::size_t words,
                           std::int32_t g, std::int32_t l) {
        std::int32_t delta = 0;
        forEachChangedEntity(lineF1, lineF2, words, g, l, [&](std::int32_t h, std::int32_t d) {
            const auto s = table_.move(h, g, l, d);
            delta += (s.g + d == 0) - (s.g == 0) + (s.l - d == 0) - (s.l == 0);
        });
        return value_ += delta;
    }

    std::int64_t afterSwapDense(const std::uint8_t* column1, const std::uint8_t* column2, const std::uint64_t* lineF1,
                                const std::uint64_t* lineF2, std::size_t words, std::int32_t g,
                                std::int32_t l) requires(L == TableLayout::Square) {
        return value_ += table_.template moveAll<RowTerm::Checkerboards>(column1, column2, lineF1, lineF2, words, g, l);
    }

    template <class Word>
    std::int64_t afterSwapBits(std::span<const Word> rows, const BitRowSwap& swap) {
        return value_ += bitRowsChange(RowTerm::Checkerboards, rows, swap, 0);
    }

    std::int64_t value() const { return value_; }

private:
    SharedTable<L> table_;
    std::int64_t value_ = 0;
};

// Number of combinations: distinct site columns. Sites c < c2 are equal exactly
// when n(c) = n(c2) = S(c, c2) (D = 0); twins(c), the later-twin counter D(c, 0),
// counts the later sites equal to c, and a site counts when it has no later twin.
template <TableLayout L>
class CombinationsStatistic {
public:
    static constexpr bool kSpeciesAreEntities = false;

    std::int64_t full(const BitLines& lines, SharedKernel kernel = SharedKernel::Automatic) {
        table_.build(lines, kernel);
        const std::int32_t n = table_.entities();
        const std::int32_t* total = table_.totals().data();
        try {
            twins_.assign(static_cast<std::size_t>(n), 0);
        } catch (const std::bad_alloc&) {
            throw Error(ErrorKind::OutOfMemory, "Out of memory for the combinations table.");
        }
        for (std::int32_t x = 1; x < n; ++x) {
            const std::uint16_t* s = table_.row(x);
            for (std::int32_t y = 0; y < x; ++y) twins_[static_cast<std::size_t>(y)] += total[x] == total[y] && s[y] == total[x];
        }
        // With no site at all the count still starts at 1 (the all-absent pattern).
        std::int32_t count = n == 0 ? 1 : 0;
        for (std::int32_t t : twins_) count += t == 0;
        return value_ = count;
    }

    // A difference D(k1, c) -= 2 / += 2 is S(k1, c) += 1 / -= 1 here; a pair whose
    // equality changes moves the twin count of its earlier site, and that site
    // leaves (0 -> 1 twins) or joins (1 -> 0) the count.
    std::int64_t afterSwap(const std::uint64_t* lineF1, const std::uint64_t* lineF2, std::size_t words,
                           std::int32_t g, std::int32_t l) {
        const std::int32_t* total = table_.totals().data();
        std::int32_t delta = 0;
        auto pairStep = [&](std::int32_t h, std::int32_t x, std::int32_t before, std::int32_t after) {
            if (total[h] != total[x]) return;  // sites with different totals are never equal
            const bool wasEqual = before == total[h], isEqual = after == total[h];
            if (wasEqual == isEqual) return;
            std::int32_t& t = twins_[static_cast<std::size_t>(std::min(h, x))];
            if (isEqual) delta -= ++t == 1;
            else delta += --t == 0;
        };
        forEachChangedEntity(lineF1, lineF2, words, g, l, [&](std::int32_t h, std::int32_t d) {
            const auto s = table_.move(h, g, l, d);
            pairStep(h, g, s.g, s.g + d);
            pairStep(h, l, s.l, s.l - d);
        });
        return value_ += delta;
    }

    std::int64_t value() const { return value_; }

private:
    SharedTable<L> table_;
    std::vector<std::int32_t> twins_;
    std::int64_t value_ = 0;
};

// The working-matrix lines of a presence-absence matrix for a statistic: one line per
// site over the species when speciesAreEntities, else one line per species over the
// sites. Throws kelpo::Error (InvalidInput) naming the first cell that is not 0 or 1.
BitLines featureLines(const PresenceMatrix& matrix, bool speciesAreEntities);

// A one-off full computation of the statistic of a matrix; V-Ratio gives 0.
std::int64_t computeStatistic(const PresenceMatrix& matrix, StatisticId id);

}  // namespace kelpo
