#include "core/cscore_count.h"

#include <algorithm>
#include <new>
#include <span>

#include "core/error.h"

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

}  // namespace

void CScoreCount::listBothWays(const BitLines& lines) {
    const auto lineCount = static_cast<std::size_t>(lines.lines), bitCount = static_cast<std::size_t>(lines.bits);
    try {
        lineTotals_.assign(lineCount, 0);
        bitTotals_.assign(bitCount, 0);
        lineStart_.assign(lineCount + 1, 0);
        lineMembers_.clear();
        for (std::size_t f = 0; f < lineCount; ++f) {
            forEachSetBit(lines.line(static_cast<std::int32_t>(f)), lines.wordsPerLine, [&](std::int32_t e) {
                lineMembers_.push_back(e);
                ++bitTotals_[static_cast<std::size_t>(e)];
            });
            lineStart_[f + 1] = lineMembers_.size();
            lineTotals_[f] = static_cast<std::int32_t>(lineStart_[f + 1] - lineStart_[f]);
        }
        bitStart_.assign(bitCount + 1, 0);
        for (std::size_t e = 0; e < bitCount; ++e) bitStart_[e + 1] = bitStart_[e] + static_cast<std::size_t>(bitTotals_[e]);
        bitMembers_.resize(lineMembers_.size());
        cursor_.assign(bitStart_.begin(), bitStart_.end() - 1);
        for (std::size_t f = 0; f < lineCount; ++f)
            for (std::size_t j = lineStart_[f]; j < lineStart_[f + 1]; ++j)
                bitMembers_[cursor_[static_cast<std::size_t>(lineMembers_[j])]++] = static_cast<std::int32_t>(f);
        row_.assign(std::max(lineCount, bitCount), 0);
    } catch (const std::bad_alloc&) {
        throw Error(ErrorKind::OutOfMemory, "Out of memory for counting the C-score.");
    }
}

// With r the species' totals, c the sites', S(i, j) the sites two species share and
// R_k the sum of r over site k's species,
//   C = sum_{i<j} (r_i - S)(r_j - S) = sum_{i<j} r_i r_j - sum_k (c_k - 1) R_k + sum_{i<j} S^2,
// and sum_{i<j} S^2 = sum_{k<l} T^2 + (sum c^2 - sum r^2) / 2 with T(k, l) the species two
// sites share (both sides sum the squared entries of one Gram matrix). So either
// side's square sum gives C, and the cheaper side is counted.
std::int64_t CScoreCount::of(const BitLines& lines, bool linesAreSites) {
    listBothWays(lines);
    const std::vector<std::int32_t>& species = linesAreSites ? bitTotals_ : lineTotals_;
    const std::vector<std::int32_t>& sites = linesAreSites ? lineTotals_ : bitTotals_;
    std::int64_t presences = 0, speciesSquares = 0, siteSquares = 0;
    for (const std::int32_t r : species) {
        presences += r;
        speciesSquares += std::int64_t{r} * r;
    }
    for (const std::int32_t c : sites) siteSquares += std::int64_t{c} * c;

    // Pairs of bits cost the lines' increments, pairs of lines the bits'.
    const bool bitPairs = pairIncrements(lineTotals_) <= pairIncrements(bitTotals_);
    const std::int64_t squares = bitPairs ? pairSquares(bitStart_, bitMembers_, lineStart_, lineMembers_, cursor_, row_.data())
                                          : pairSquares(lineStart_, lineMembers_, bitStart_, bitMembers_, cursor_, row_.data());
    const bool speciesSide = bitPairs == linesAreSites;
    const std::int64_t speciesPairSquares = speciesSide ? squares : squares + (siteSquares - speciesSquares) / 2;

    // sum_k (c_k - 1) R_k = sum over presences (i, k) of r_i (c_k - 1).
    std::int64_t weighted = 0;
    for (std::size_t f = 0; f < lineTotals_.size(); ++f) {
        for (std::size_t j = lineStart_[f]; j < lineStart_[f + 1]; ++j) {
            const auto e = static_cast<std::size_t>(lineMembers_[j]);
            weighted += linesAreSites ? std::int64_t{bitTotals_[e]} * (lineTotals_[f] - 1)
                                      : std::int64_t{lineTotals_[f]} * (bitTotals_[e] - 1);
        }
    }
    return (presences * presences - speciesSquares) / 2 - weighted + speciesPairSquares;
}

}  // namespace kelpo
