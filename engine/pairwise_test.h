// Which species pairs share fewer or more sites than random matrices with the same
// row and column sums: every pair's shared sites against the swap chain's, with a
// Benjamini-Hochberg correction across the pairs.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/presence_matrix.h"
#include "engine/progress.h"

namespace kelpo {

struct PairwiseSettings {
    // Defaults measured on examples/dune.txt (30 species x 20 sites, 6 % of proposals
    // swap): along the chain the autocorrelation of the C-score and of the pairs' shared
    // sites falls as about exp(-lag / 450 steps): 0.15 at 1000 steps, 0.03 (pairs at
    // most 0.065) at 2000. The random start is already at the chain's mean C-score
    // (400 chains, within sampling error at every step), so the burn-in of 5 thinning
    // intervals is a margin, not a need.
    static constexpr std::int32_t kDefaultSamples = 10000;
    static constexpr std::int64_t kDefaultBurnIn = 10000;
    static constexpr std::int32_t kDefaultThin = 2000;
    static constexpr double kDefaultFdr = 0.05;

    std::int32_t samples = kDefaultSamples;  // over all chains, >= 1
    std::int64_t burnIn = kDefaultBurnIn;    // steps per chain before its first sample, >= 0
    std::int32_t thin = kDefaultThin;        // steps between samples, >= 1
    double fdr = kDefaultFdr;                // false discovery rate, 0 < fdr < 1
    std::int32_t seed = 0;
    int threads = 0;  // 0: all cores. Results never depend on it.
};

// Independent chains, each on its own stream; the samples are dealt among them. A fixed
// number, so the results depend on the seed alone and not on the threads.
inline constexpr std::int32_t kPairChains = 8;

enum class PairClass { Random, Segregated, Aggregated, Untestable };
std::string_view pairClassText(PairClass c);  // "random", "segregated", ...

struct PairResult {
    std::int32_t speciesA = 0, speciesB = 0;  // 1-based rows of the matrix, speciesA < speciesB
    std::int32_t sharedObserved = 0;
    std::int64_t checkerboardUnits = 0;  // (r_a - S)(r_b - S)
    double sharedMean = 0.0;             // over the chain's samples
    double sharedSd = 0.0;
    std::optional<double> ses;  // (observed - mean) / sd; none when sd is 0
    // None for an untestable pair (a species at every site or at none: its count is fixed).
    std::optional<double> pLower;     // share of samples with S <= observed
    std::optional<double> pUpper;     // share with S >= observed
    std::optional<double> pAdjusted;  // Benjamini-Hochberg of min(1, 2 min(pLower, pUpper))
    PairClass pairClass = PairClass::Untestable;
};

// One row per pair in the order (1,2), (1,3), ..., (2,3), ...
struct PairwiseResults {
    std::vector<PairResult> pairs;
};

// Throws kelpo::Error (InvalidInput) for settings out of range, (Cancelled) when the
// control's cancel is requested, (OutOfMemory) when the tables do not fit. Progress:
// control.begin(0, kPairChains * slices) then one step per finished slice of a chain.
PairwiseResults PairwiseTest(const PresenceMatrix& matrix, const PairwiseSettings& settings, RunControl& control);

// Classes every testable pair again at another false discovery rate (0 < fdr < 1),
// without a new run: a pair is segregated or aggregated when its adjusted p is at most fdr.
void classifyPairs(PairwiseResults& results, double fdr);

// Throws kelpo::Error (InvalidInput) naming the first setting out of range.
void checkPairwiseSettings(const PairwiseSettings& settings);

}  // namespace kelpo
