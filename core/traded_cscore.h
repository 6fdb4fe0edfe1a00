// The C-score under curveball trades, kept through the shared counts of the traded
// lines alone: species pairs when species trade, site pairs when sites trade. A
// trade then costs the moved entries' own lines instead of one update per moved
// pair of cells, and a tall table needs no species-pair table at all.
//
// With r the species' totals, c the sites', S(i, j) the sites species i and j share
// and T(k, l) the species sites k and l share, sum over species pairs of S^2 equals
// sum over site pairs (k = l included) of T (T - 1) / 2, so
//   C = sum_{i<j} r_i r_j - sum_k (c_k - 1) R_k + sum_k c_k (c_k - 1) / 2
//       + sum_{k<l} T(k, l) (T(k, l) - 1),        R_k = sum of r over site k's species,
// which a site-pair table follows as exactly as a species-pair table follows the
// defining sum.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/bit_lines.h"
#include "core/statistics.h"

namespace kelpo {

class TradedCScore {
public:
    // cross: one bit line per line of the other dimension, its bits the traded lines
    // (per site over the species when species trade), at most 65536 traded lines. Builds the table and returns the
    // C-score. Throws kelpo::Error (OutOfMemory) for its table.
    std::int64_t start(const BitLines& cross, bool speciesTrade);

    // Traded line p took the cross lines `gained` from q and gave it `lost` (as many),
    // entries that were each in exactly one of p, q. Returns the C-score after.
    std::int64_t afterTrade(std::int32_t p, std::int32_t q, std::span<const std::int32_t> gained,
                            std::span<const std::int32_t> lost);

    std::int64_t value() const { return value_; }

    // The C-score of cross lines (as start takes them), full computation.
    static std::int64_t of(const BitLines& cross, bool speciesTrade);

private:
    // Each cross line's traded lines, listed from offsets_[e] (a line's count never
    // changes, only which lines it lists): a walk of a list costs a load and an add an
    // entry, where a walk of bits cost a mispredicted exit a word.
    std::vector<std::uint16_t> entries_;
    std::vector<std::size_t> offsets_;
    SharedTable<TableLayout::Square> table_;  // shared counts of the traded lines
    std::vector<std::int32_t> crossTotals_;
    std::vector<std::int32_t> delta_;      // per traded line, zero between trades
    bool speciesTrade_ = true;
    std::int64_t value_ = 0;
};

}  // namespace kelpo
