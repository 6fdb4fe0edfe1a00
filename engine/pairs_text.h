// What a front end tells the user about a pairwise test beyond its table: how its chains
// mixed, and whether its number of samples can make any pair significant at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/pairwise_test.h"

namespace kelpo {

// The smallest adjusted p any run of `samples` samples can give. A tail is at least
// 1 / (m + 1), so a two-sided p at least p0 = min(1, 2 / (m + 1)). Benjamini-Hochberg's
// adjusted p of rank i is min over j >= i of n p(j) / j, and every term is at least p0
// (p(j) >= p0, j <= n): no adjusted p is below p0, and n pairs all at p0 reach it.
double smallestAdjustedP(std::int64_t samples);

// The fewest samples m with min(1, 2 / (m + 1)) <= fdr for `pairs` pairs all at the
// smallest p (pairs = 1), or for a single pair at it among `pairs` others far from
// significance: then its adjusted p is pairs * 2 / (m + 1). 0 < fdr < 1, pairs >= 1.
std::int64_t samplesToReach(double fdr, std::int64_t pairs = 1);

// "Warning: with 30 samples no pair can reach the false discovery rate 0.05 ..." when the
// smallest adjusted p is above fdr and some pair is testable; nothing otherwise.
std::optional<std::string> fdrWarning(const PairwiseResults& results, std::int64_t samples, double fdr);

// "Mixing: R-hat 1.002, ESS 7840 (C-score), worst pair R-hat 1.004 of 256 pairs (swap, 8
// chains; burn-in ..., thinning ... measured by a pilot of ... steps)."
std::string pairsMixingLine(const PairwiseResults& results);

// Whether the chains have mixed: the C-score's R-hat and ESS as the hypothesis test
// wants them, and every monitored pair's R-hat at most 1.05.
bool pairChainsMixed(const PairMixing& mixing);

// "Warning: the eight chains have not mixed (...): the p-values are not reliable. ..."
// when they have not, or when the pilot's step limit came first; nothing otherwise.
std::optional<std::string> pairsMixingWarning(const PairwiseResults& results);

// The warnings above that apply, in that order: what every front end shows.
std::vector<std::string> pairsWarnings(const PairwiseResults& results, std::int64_t samples, double fdr);

}  // namespace kelpo
