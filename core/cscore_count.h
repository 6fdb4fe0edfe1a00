// The C-score counted anew from the bit lines alone, with no table of pairs: each
// entity's shared counts stream through one row of scratch and are squared. For
// chains that read the statistic now and then rather than follow it every step.
#pragma once

#include <cstdint>
#include <vector>

#include "core/bit_lines.h"

namespace kelpo {

class CScoreCount {
public:
    // lines: one line per site over the species (linesAreSites), or one per species over
    // the sites. Counts whichever side's pairs costs fewer increments; reuses its
    // scratch from call to call. Throws kelpo::Error (OutOfMemory).
    std::int64_t of(const BitLines& lines, bool linesAreSites);

private:
    void listBothWays(const BitLines& lines);

    std::vector<std::int32_t> lineTotals_, bitTotals_;
    std::vector<std::size_t> lineStart_, bitStart_, cursor_;
    std::vector<std::int32_t> lineMembers_, bitMembers_;  // each line's bits, each bit's lines, ascending
    std::vector<std::uint16_t> row_;
};

}  // namespace kelpo
