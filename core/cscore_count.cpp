#include "core/cscore_count.h"

#include <algorithm>
#include <new>
#include <span>

#include "core/error.h"
#include "core/vector_level.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace kelpo {

namespace {

// A pair of entities per list both are in: sum over lists of n (n - 1) / 2.
double pairIncrements(std::span<const std::int32_t> listLengths) {
    double sum = 0.0;
    for (const std::int32_t n : listLengths) sum += 0.5 * n * (n - 1.0);
    return sum;
}

// Sum over entity pairs x > y of S(x, y)^2, S the lists both are in. ownStart/own list
// each entity's lists, listStart/members each list's entities, both ascending, so
// the entities before x in list f are those before f's cursor. A row touched densely
// is squared and cleared in one sweep; a sparse one along its lists, where a second
// visit of an entry finds it cleared and adds 0.
std::int64_t pairSquares(std::span<const std::size_t> ownStart, std::span<const std::int32_t> own,
                         std::span<const std::size_t> listStart, std::span<const std::int32_t> members,
                         std::vector<std::size_t>& cursor, std::uint16_t* row) {
    const std::size_t entities = ownStart.size() - 1;
    cursor.assign(listStart.begin(), listStart.end() - 1);
    std::int64_t sum = 0;
    for (std::size_t x = 0; x < entities; ++x) {
        std::size_t added = 0;
        for (std::size_t j = ownStart[x]; j < ownStart[x + 1]; ++j) {
            const auto f = static_cast<std::size_t>(own[j]);
            for (std::size_t m = listStart[f]; m < cursor[f]; ++m) ++row[members[m]];
            added += cursor[f] - listStart[f];
        }
        const bool sweep = added * 4 >= x;
        if (sweep) {
            for (std::size_t y = 0; y < x; ++y) {
                sum += std::int64_t{row[y]} * row[y];
                row[y] = 0;
            }
        }
        for (std::size_t j = ownStart[x]; j < ownStart[x + 1]; ++j) {
            const auto f = static_cast<std::size_t>(own[j]);
            if (!sweep) {
                for (std::size_t m = listStart[f]; m < cursor[f]; ++m) {
                    const std::int64_t s = row[members[m]];
                    sum += s * s;
                    row[members[m]] = 0;
                }
            }
            ++cursor[f];
        }
    }
    return sum;
}

#if defined(__x86_64__) && defined(__GNUC__)
// Sum over line pairs f > g of popcount(f AND g)^2, eight words a vector. The lines g
// are taken in tiles that stay in the core's cache while every later line f passes
// over them once: without tiles a 10,000 x 1,000 table's 1,000 lines of 157 words were
// read from memory once per line f. Blocks of four lines f and four g share each load
// across sixteen counts.
#define KELPO_WORDS_TARGET __attribute__((target("avx512f,avx512vl,avx512vpopcntdq")))

KELPO_WORDS_TARGET inline __m512i addShared(__m512i total, __m512i x, __m512i y) {
    return _mm512_add_epi64(total, _mm512_popcnt_epi64(_mm512_and_si512(x, y)));
}

// The counts each line a[i] shares with each line b[k] (full vectors, then the masked
// tail of the lines' last words).
template <int F>
KELPO_WORDS_TARGET inline void blockCounts(const std::uint64_t* const (&a)[F], const std::uint64_t* const (&b)[4],
                                           std::size_t full, __mmask8 tail, std::int64_t (&out)[F][4]) {
    __m512i t[F][4];
    for (int i = 0; i < F; ++i)
        for (int k = 0; k < 4; ++k) t[i][k] = _mm512_setzero_si512();
    for (std::size_t w = 0; w < 8 * full; w += 8) {
        __m512i x[F];
        for (int i = 0; i < F; ++i) x[i] = _mm512_loadu_si512(a[i] + w);
        for (int k = 0; k < 4; ++k) {
            const __m512i y = _mm512_loadu_si512(b[k] + w);
            for (int i = 0; i < F; ++i) t[i][k] = addShared(t[i][k], x[i], y);
        }
    }
    if (tail) {
        __m512i x[F];
        for (int i = 0; i < F; ++i) x[i] = _mm512_maskz_loadu_epi64(tail, a[i] + 8 * full);
        for (int k = 0; k < 4; ++k) {
            const __m512i y = _mm512_maskz_loadu_epi64(tail, b[k] + 8 * full);
            for (int i = 0; i < F; ++i) t[i][k] = addShared(t[i][k], x[i], y);
        }
    }
    for (int i = 0; i < F; ++i)
        for (int k = 0; k < 4; ++k) out[i][k] = _mm512_reduce_add_epi64(t[i][k]);
}

// Tiles of 40 KB (a core's first-level cache) were fastest: 10,000 x 1,000 at 3 % fill,
// 6.2 ms untiled and with 96 or 400 KB tiles, 4.3 ms with 24 to 40 KB, one line f at a
// time; four at a time, 3.9 ms with tiles of 24 to 160 KB alike (1,000 x 500: 205 to
// 185 us).
KELPO_WORDS_TARGET std::int64_t linePairSquaresAvx512(const BitLines& lines, std::span<std::int64_t> sharedSums) {
    const std::int32_t n = lines.lines;
    const std::size_t words = lines.wordsPerLine, full = words / 8;
    const auto tail = static_cast<__mmask8>((1u << (words % 8)) - 1);
    const std::vector<std::uint64_t> zeros(words, 0);
    // Lines past an end are a zero line, which shares nothing and is not counted.
    const auto lineOr0 = [&](std::int32_t f, std::int32_t end) { return f < end ? lines.line(f) : zeros.data(); };
    const auto tile = static_cast<std::int32_t>(std::max<std::size_t>(4, (40 * 1024) / (8 * words)));
    std::int64_t sum = 0;
    const auto add = [&](std::int32_t f, std::int32_t g, std::int64_t shared) {
        sum += shared * shared;
        sharedSums[static_cast<std::size_t>(f)] += shared;
        sharedSums[static_cast<std::size_t>(g)] += shared;
    };
    for (std::int32_t g0 = 0; g0 < n; g0 += tile) {
        const std::int32_t g1 = std::min(g0 + tile, n);
        for (std::int32_t f0 = g0 + 1; f0 < n; f0 += 4) {
            // Every g below common pairs with all four lines f; the few between f0 and
            // each f pair with that f alone.
            const std::int32_t fEnd = std::min(f0 + 4, n), common = std::min(g1, f0);
            const std::uint64_t* const a[4] = {lineOr0(f0, fEnd), lineOr0(f0 + 1, fEnd), lineOr0(f0 + 2, fEnd),
                                               lineOr0(f0 + 3, fEnd)};
            for (std::int32_t g = g0; g < common; g += 4) {
                const std::uint64_t* const b[4] = {lineOr0(g, common), lineOr0(g + 1, common), lineOr0(g + 2, common),
                                                   lineOr0(g + 3, common)};
                std::int64_t counts[4][4];
                blockCounts<4>(a, b, full, tail, counts);
                for (std::int32_t i = 0; i < fEnd - f0; ++i)
                    for (std::int32_t k = 0; k < 4 && g + k < common; ++k) add(f0 + i, g + k, counts[i][k]);
            }
            for (std::int32_t f = f0 + 1; f < fEnd; ++f) {
                const std::int32_t end = std::min(g1, f);
                for (std::int32_t g = common; g < end; g += 4) {
                    const std::uint64_t* const one[1] = {lines.line(f)};
                    const std::uint64_t* const b[4] = {lineOr0(g, end), lineOr0(g + 1, end), lineOr0(g + 2, end),
                                                       lineOr0(g + 3, end)};
                    std::int64_t counts[1][4];
                    blockCounts<1>(one, b, full, tail, counts);
                    for (std::int32_t k = 0; k < 4 && g + k < end; ++k) add(f, g + k, counts[0][k]);
                }
            }
        }
    }
    return sum;
}
#undef KELPO_WORDS_TARGET

bool vectorCountsAvailable() { return vectorLevel() == VectorLevel::Avx512; }
std::int64_t linePairSquaresByWords(const BitLines& lines, std::span<std::int64_t> sharedSums) {
    return linePairSquaresAvx512(lines, sharedSums);
}
#else
bool vectorCountsAvailable() { return false; }
std::int64_t linePairSquaresByWords(const BitLines&, std::span<std::int64_t>) { return 0; }  // never chosen
#endif

}  // namespace

// About 1.6 ns an increment with the lists' building, and 2 ns a presence.
double listCountCost(std::span<const std::int32_t> lineTotals, std::span<const std::int32_t> bitTotals) {
    double presences = 0.0;
    for (const std::int32_t n : lineTotals) presences += n;
    return 1.6 * std::min(pairIncrements(lineTotals), pairIncrements(bitTotals)) + 2.0 * presences;
}

void CScoreCount::start(const BitLines& lines, bool linesAreSites) {
    linesAreSites_ = linesAreSites;
    try {
        lineTotals_.assign(static_cast<std::size_t>(lines.lines), 0);
        bitTotals_.assign(static_cast<std::size_t>(lines.bits), 0);
        sharedSums_.assign(static_cast<std::size_t>(lines.lines), 0);
    } catch (const std::bad_alloc&) {
        throw Error(ErrorKind::OutOfMemory, "Out of memory for counting the C-score.");
    }
    for (std::int32_t f = 0; f < lines.lines; ++f) {
        std::int32_t total = 0;
        forEachSetBit(lines.line(f), lines.wordsPerLine, [&](std::int32_t e) {
            ++total;
            ++bitTotals_[static_cast<std::size_t>(e)];
        });
        lineTotals_[static_cast<std::size_t>(f)] = total;
    }
    const std::vector<std::int32_t>& species = linesAreSites ? bitTotals_ : lineTotals_;
    const std::vector<std::int32_t>& sites = linesAreSites ? lineTotals_ : bitTotals_;
    std::int64_t presences = 0, speciesSquares = 0, siteSquares = 0;
    for (const std::int32_t r : species) {
        presences += r;
        speciesSquares += std::int64_t{r} * r;
    }
    for (const std::int32_t c : sites) siteSquares += std::int64_t{c} * c;
    pairProducts_ = (presences * presences - speciesSquares) / 2;
    siteSquaresOverSpecies_ = (siteSquares - speciesSquares) / 2;

    // Pairs of bits cost the lines' increments, pairs of lines the bits' or, counted by
    // words, their vectors and two more a pair for its sums: measured here about 0.36 ns
    // a vector.
    const double byLists = listCountCost(lineTotals_, bitTotals_);
    const double byWords = 0.36 * 0.5 * lines.lines * (lines.lines - 1.0) *
                           static_cast<double>((lines.wordsPerLine + 7) / 8 + 2);
    cost_ = std::min(byLists, byWords);
    byWords_ = vectorCountsAvailable() && byWords < byLists;
    bitPairs_ = !byWords_ && pairIncrements(lineTotals_) <= pairIncrements(bitTotals_);
}

// Each line's bits and each bit's lines, ascending, placed by the totals.
void CScoreCount::listBothWays(const BitLines& lines) {
    const auto lineCount = static_cast<std::size_t>(lines.lines), bitCount = static_cast<std::size_t>(lines.bits);
    try {
        lineStart_.assign(lineCount + 1, 0);
        for (std::size_t f = 0; f < lineCount; ++f) lineStart_[f + 1] = lineStart_[f] + static_cast<std::size_t>(lineTotals_[f]);
        bitStart_.assign(bitCount + 1, 0);
        for (std::size_t e = 0; e < bitCount; ++e) bitStart_[e + 1] = bitStart_[e] + static_cast<std::size_t>(bitTotals_[e]);
        lineMembers_.resize(lineStart_.back());
        bitMembers_.resize(lineStart_.back());
        cursor_.assign(bitStart_.begin(), bitStart_.end() - 1);
        row_.assign(std::max(lineCount, bitCount), 0);
    } catch (const std::bad_alloc&) {
        throw Error(ErrorKind::OutOfMemory, "Out of memory for counting the C-score.");
    }
    for (std::size_t f = 0; f < lineCount; ++f) {
        std::size_t j = lineStart_[f];
        forEachSetBit(lines.line(static_cast<std::int32_t>(f)), lines.wordsPerLine, [&](std::int32_t e) {
            lineMembers_[j++] = e;
            bitMembers_[cursor_[static_cast<std::size_t>(e)]++] = static_cast<std::int32_t>(f);
        });
    }
}

// With r the species' totals, c the sites', S(i, j) the sites two species share and
// R_k the sum of r over site k's species,
//   C = sum_{i<j} (r_i - S)(r_j - S) = sum_{i<j} r_i r_j - sum_k (c_k - 1) R_k + sum_{i<j} S^2,
// and sum_{i<j} S^2 = sum_{k<l} T^2 + (sum c^2 - sum r^2) / 2 with T(k, l) the species two
// sites share (both sides sum the squared entries of one Gram matrix). So either
// side's square sum gives C, and the cheaper side is counted.
std::int64_t CScoreCount::of(const BitLines& lines) {
    std::int64_t squares = 0, weighted = 0;
    if (byWords_) {
        // A line's shared counts with every other line add up to the totals of its bits
        // less its own total: the weighted sum below without another pass over the bits.
        std::fill(sharedSums_.begin(), sharedSums_.end(), 0);
        squares = linePairSquaresByWords(lines, sharedSums_);
        for (std::size_t f = 0; f < lineTotals_.size(); ++f) {
            const std::int64_t total = lineTotals_[f], held = total + sharedSums_[f];
            weighted += linesAreSites_ ? held * (total - 1) : total * (held - total);
        }
    } else {
        listBothWays(lines);
        squares = bitPairs_ ? pairSquares(bitStart_, bitMembers_, lineStart_, lineMembers_, cursor_, row_.data())
                            : pairSquares(lineStart_, lineMembers_, bitStart_, bitMembers_, cursor_, row_.data());
        for (std::size_t f = 0; f < lineTotals_.size(); ++f) {
            const std::int64_t total = lineTotals_[f];
            std::int64_t held = 0;
            for (std::size_t j = lineStart_[f]; j < lineStart_[f + 1]; ++j) held += bitTotals_[static_cast<std::size_t>(lineMembers_[j])];
            weighted += linesAreSites_ ? held * (total - 1) : total * (held - total);
        }
    }
    const bool speciesPairs = bitPairs_ == linesAreSites_;
    return pairProducts_ - weighted + (speciesPairs ? squares : squares + siteSquaresOverSpecies_);
}

}  // namespace kelpo
