// The C-score under curveball trades, followed through the counts the traded lines
// share: either kept in a table of the traded lines' pairs, or found anew in each trade
// from the lists of the entries unique to the two lines, whichever costs less for the
// table (see afterTrade).
//
// With r the species' totals, c the sites', S(i, j) the sites species i and j share
// and T(k, l) the species sites k and l share, sum over species pairs of S^2 equals
// sum over site pairs (k = l included) of T (T - 1) / 2, so
//   C = sum_{i<j} r_i r_j - sum_k (c_k - 1) R_k + sum_k c_k (c_k - 1) / 2
//       + sum_{k<l} T(k, l) (T(k, l) - 1),        R_k = sum of r over site k's species,
// and a site trade changes C as a species trade does, through the counts the two
// traded lines share with the others.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/bit_lines.h"
#include "core/statistics.h"

namespace kelpo {

// How a trade of traded lines p and q dealt the entries unique to each: p took
// `gained` from q and gave it `lost` (as many); `keptP` and `keptQ` stayed.
struct Redeal {
    std::span<const std::int32_t> gained, lost, keptP, keptQ;
};

// Where a trade finds the counts: Cheaper picks by the table's margins.
enum class TradedCounts { Cheaper, Table, Lists };

class TradedCScore {
public:
    // cross: one bit line per line of the other dimension, its bits the traded lines
    // (per site over the species when species trade), at most kSquareTableLimit traded
    // lines. Returns the C-score. Throws kelpo::Error (OutOfMemory).
    std::int64_t start(const BitLines& cross, bool speciesTrade, TradedCounts counts = TradedCounts::Cheaper);

    // Returns the C-score after the trade of p and q.
    std::int64_t afterTrade(std::int32_t p, std::int32_t q, const Redeal& redeal);

    std::int64_t value() const { return value_; }

    // The C-score of cross lines (as start takes them), full computation.
    static std::int64_t of(const BitLines& cross, bool speciesTrade);

private:
    std::int64_t afterTradeByTable(std::int32_t p, std::int32_t q, const Redeal& redeal);

    // Each cross line's traded lines, listed from offsets_[e] (a line's count never
    // changes, only which lines it lists): a walk of a list costs a load and an add an
    // entry, where a walk of bits cost a mispredicted exit a word.
    std::vector<std::uint16_t> entries_;
    std::vector<std::size_t> offsets_;
    std::vector<std::int32_t> tradedTotals_;
    std::vector<std::int32_t> perLine_;  // per traded line, zero between trades
    bool byTable_ = false;
    SharedTable<TableLayout::Square> table_;  // shared counts of the traded lines, when byTable_
    std::int64_t value_ = 0;
};

}  // namespace kelpo
