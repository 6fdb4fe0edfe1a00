// What the pairwise test's chains share with its pilot: the triangle order of the pairs,
// the start of a chain and how it is run on by many steps.
#pragma once

#include <algorithm>
#include <cstdint>

#include "core/error.h"
#include "core/presence_matrix.h"
#include "core/random.h"
#include "core/random_binary_matrix.h"
#include "core/statistics.h"
#include "core/swap_chain.h"
#include "engine/progress.h"

namespace kelpo::pair_chain {

// Pair (x, y), y < x, of the shared-count tables at x (x - 1) / 2 + y.
inline std::size_t pairIndex(std::int32_t x, std::int32_t y) {
    return static_cast<std::size_t>(x) * static_cast<std::size_t>(x - 1) / 2 + static_cast<std::size_t>(y);
}

// Steps between two looks at the cancel request when a burn-in or a thinning is long.
inline constexpr std::int64_t kCancelCheckSteps = 1 << 16;

inline void throwIfCancelled(const RunControl& control) {
    if (control.cancelRequested()) throw Error(ErrorKind::Cancelled, "The pairwise test was cancelled.");
}

// A chain started as the hypothesis test starts one: a random matrix with the margins.
template <class Chain>
void start(Chain& chain, const PresenceMatrix& matrix, Random& random) {
    chain.start(featureLines(RandomBinaryMatrix(matrix.rowSums(), matrix.colSums(), random), true),
                SharedKernel::Automatic, ChainUse::SharedCounts);
}

template <class Chain>
void advance(Chain& chain, Random& random, std::int64_t steps, const RunControl& control) {
    while (steps > 0) {
        throwIfCancelled(control);
        const std::int64_t block = std::min(steps, kCancelCheckSteps);
        // The refused steps in the chain's tight loop, each move after its run of them:
        // the same steps as calling step() block times.
        for (std::int64_t left = block; left > 0;) {
            const std::int64_t refused = chain.refusedBeforeSwap(random, left);
            left -= refused < left ? refused + 1 : left;
        }
        steps -= block;
    }
}

// The chain's shared count of pair p = pairIndex(x, y), read from its own table.
template <class Table>
std::uint16_t sharedCount(const Table& table, std::int32_t x, std::int32_t y) {
    return table.row(x)[y];
}

}  // namespace kelpo::pair_chain
