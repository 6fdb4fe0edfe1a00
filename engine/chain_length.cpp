#include "engine/chain_length.h"

#include <algorithm>
#include <numeric>

namespace kelpo {

namespace {

// The largest total the options accept: ten replicates of a 32-bit step count.
constexpr std::int64_t kLargestTotal = 2147483640;

}  // namespace

std::optional<ShortChain> shortChain(const PresenceMatrix& matrix, std::int32_t iterationsPerReplicate) {
    const std::vector<std::int32_t> sums = matrix.rowSums();
    const std::int64_t presences = std::accumulate(sums.begin(), sums.end(), std::int64_t{0});
    if (iterationsPerReplicate >= presences) return std::nullopt;
    // One step per presence in each of the ten replicate chains, within what the options take.
    return ShortChain{presences, std::min(presences * 10, kLargestTotal)};
}

std::string shortChainWarning(const ShortChain& chain, std::int32_t iterationsPerReplicate) {
    return "Warning: each of the hypothesis test's ten chains takes " + std::to_string(iterationsPerReplicate) +
           " iterations, fewer than the matrix's " + std::to_string(chain.presences) +
           " presences, so its random matrices stay close to the matrix itself. At least " +
           std::to_string(chain.suggestedTotal) + " iterations would let the chains move.";
}

}  // namespace kelpo
