// The stream ids that split one seed into independent random sequences, one per unit of
// work. Ids may be related (small, consecutive, in ratios): Random mixes them with the seed.
#pragma once

#include <cstdint>

namespace kelpo::streams {

// Each replicate of the hypothesis test, 1..10.
constexpr std::uint64_t replicate(std::int32_t replicateIndex) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(replicateIndex));
}

// The bootstrap of the hypothesis test, after the ten replicates.
constexpr std::uint64_t kBootstrap = 11;

// Chain c (0-based) of the pairwise test, after the bootstrap.
constexpr std::uint64_t pairChain(std::int32_t chainIndex) {
    return 12 + static_cast<std::uint64_t>(static_cast<std::uint32_t>(chainIndex));
}

// The pairwise test's pilot chain, which measures how far apart its samples must be.
constexpr std::uint64_t kPairPilot = 20;  // pairChain(8): after the eight chains

// The draws that choose a sampler for the matrix: above every id the test and the
// pairs use, below every community's.
constexpr std::uint64_t kSamplerPilot = 0xFFFFFFFF;

// A simulated community of the power analysis: its table row (1-based) in the high
// half, its index within the row (1-based) in the low half. Rows start at 1, so these
// ids never meet the small ids above.
constexpr std::uint64_t community(std::int32_t tableRow, std::int32_t communityIndex) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(tableRow)) << 32) |
           static_cast<std::uint64_t>(static_cast<std::uint32_t>(communityIndex));
}

}  // namespace kelpo::streams
