// Picks the chain of a sampler at run time, once per chain.
#pragma once

#include <cstdint>

#include "core/curveball_chain.h"
#include "core/sampler.h"
#include "core/swap_chain.h"

namespace kelpo {

// Runs body(chain) on a new chain of the sampler's kind (withChainOf's table layout):
// Swap, one step a proposed 2 x 2 swap; Curveball, one step a trade. body is
// instantiated for every kind and layout, and must return one type for all.
template <template <TableLayout> class Stat, class Body>
decltype(auto) withSampler(Sampler sampler, std::int32_t rows, std::int32_t cols, Body&& body) {
    if (sampler == Sampler::Curveball) return withChainOf<CurveballChain, Stat>(rows, cols, body);
    return withChainOf<SwapChain, Stat>(rows, cols, body);
}

}  // namespace kelpo
