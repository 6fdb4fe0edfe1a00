// Whether the hypothesis test's chains are long enough to leave the user's matrix.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/presence_matrix.h"

namespace kelpo {

// Each replicate chain starts at the user's matrix and swaps at most once per
// step; with fewer steps than presences most cells are never touched, so the
// "random" matrices stay close to the observed one and the p-value means little.
struct ShortChain {
    std::int64_t presences = 0;       // 1-cells of the matrix
    std::int64_t suggestedTotal = 0;  // iterations (as the user counts them, ten chains) that would let it move
};

// A ShortChain when iterationsPerReplicate is below the matrix's presences; none otherwise.
std::optional<ShortChain> shortChain(const PresenceMatrix& matrix, std::int32_t iterationsPerReplicate);

// One sentence for the user, naming the counts and the suggested total.
std::string shortChainWarning(const ShortChain& chain, std::int32_t iterationsPerReplicate);

}  // namespace kelpo
