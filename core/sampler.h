// Which chain walks the matrices with the observed margins.
#pragma once

#include <string_view>

namespace kelpo {

// Both leave the uniform distribution over the matrices with the margins unchanged:
// the sequential swap moves one 2 x 2 checkerboard a step, the curveball trades the
// entries unique to two lines a step.
enum class Sampler { Swap, Curveball };

// How a chain's values are read: after every step, or (a curveball chain) every so
// many trades, counted anew, each read standing for the trades since the last.
enum class ChainReading { EveryStep, NowAndThen };

constexpr std::string_view samplerName(Sampler sampler) {
    return sampler == Sampler::Swap ? "swap" : "curveball";
}

}  // namespace kelpo
