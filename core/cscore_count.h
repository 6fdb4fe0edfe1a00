// The C-score counted anew from the bit lines alone, with no table of pairs: each
// entity's shared counts stream through one row of scratch and are squared. For
// chains that read the statistic now and then rather than follow it every step.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/bit_lines.h"

namespace kelpo {

// What counting the pairs of lines or of bits costs by lists, whichever side is
// cheaper, from the lines' and the bits' totals: in about nanoseconds, measured here.
double listCountCost(std::span<const std::int32_t> lineTotals, std::span<const std::int32_t> bitTotals);

class CScoreCount {
public:
    // lines: one line per site over the species (linesAreSites), or one per species over
    // the sites. Every later count's lines keep these lines' margins, as a chain's do.
    // Chooses the cheapest way to count. Throws kelpo::Error (OutOfMemory).
    void start(const BitLines& lines, bool linesAreSites);
    // The C-score of lines; reuses its scratch from call to call. Throws as start.
    std::int64_t of(const BitLines& lines);
    // What a count costs, in about nanoseconds of a processor with vector popcounts
    // (the same figure on every processor, so that a chain's reads fall alike).
    double cost() const { return cost_; }

private:
    void listBothWays(const BitLines& lines);

    bool linesAreSites_ = true, byWords_ = false, bitPairs_ = false;
    double cost_ = 0.0;
    std::int64_t pairProducts_ = 0, siteSquaresOverSpecies_ = 0;  // sum_{i<j} r_i r_j, (sum c^2 - sum r^2) / 2
    std::vector<std::int32_t> lineTotals_, bitTotals_;
    std::vector<std::int64_t> sharedSums_;  // each line's shared counts with all others, when counted by words
    std::vector<std::size_t> lineStart_, bitStart_, cursor_;
    std::vector<std::int32_t> lineMembers_, bitMembers_;  // each line's bits, each bit's lines, ascending
    std::vector<std::uint16_t> row_;
};

}  // namespace kelpo
