// Whether a combination of proportion and distribution satisfies the user's null hypothesis.
#pragma once

#include <cstdint>

#include "engine/analysis_settings.h"
#include "engine/distribution.h"

namespace kelpo {

// False only for "No Interactions Between Species" with a proportion k whose value is not 0.
bool MatchesInteraction(NullHypothesis h, std::int32_t k);

// "Sites Equivalent": every row of X is constant; "Species Equivalent": every column is;
// any other h: true. Exact equality of doubles, as a scan of every cell would find it.
bool MatchesEquivalence(NullHypothesis h, const ProbabilityMatrix& x);

}  // namespace kelpo
