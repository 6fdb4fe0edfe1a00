// One simulated community: a presence-absence matrix drawn from block probabilities,
// with the second species of the first pairs avoiding its partner.
#pragma once

#include <cstdint>

#include "core/presence_matrix.h"
#include "core/random.h"
#include "engine/distribution.h"
#include "engine/interaction_table.h"

namespace kelpo {

// The number of interacting species: speciesCount * proportion in double precision, rounded down.
std::int32_t interactionLimit(std::int32_t speciesCount, double proportion);

// Species i interacts with species i - 1 when i is even and i <= K.
constexpr bool speciesInteracts(std::int32_t i, std::int32_t limit) { return i % 2 == 0 && i <= limit; }

// Draws x.rows() x x.cols() cells row by row, one random value per cell: the cell is 1
// when u < q in single precision, q taken from y for an interacting species (by its
// partner's cell just drawn) and from x otherwise.
PresenceMatrix DrawCommunity(const ProbabilityMatrix& x, const ConditionalTable& y, double proportion,
                             Random& random);

}  // namespace kelpo
