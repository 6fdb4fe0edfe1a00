// The sampler that mixes sooner for a matrix, chosen before any chain runs.
#pragma once

#include <cstdint>

#include "core/presence_matrix.h"
#include "core/sampler.h"

namespace kelpo {

// The share of the swap's proposals (two distinct species, two distinct sites, uniform)
// that the matrix would accept, estimated from `proposals` draws of the seed's own stream.
double swapAcceptance(const PresenceMatrix& matrix, std::int32_t seed, std::int32_t proposals);

// Below this share of accepted proposals the curveball mixes sooner than the swap.
inline constexpr double kCurveballBelowAcceptance = 0.01;

// The swap for matrices on which it moves often, the curveball for sparse ones; the same
// for a seed on every machine and for any thread count.
Sampler chooseSampler(const PresenceMatrix& matrix, std::int32_t seed);

}  // namespace kelpo
