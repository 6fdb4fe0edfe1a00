// Which species pairs share fewer or more sites than random matrices with the same
// row and column sums: every pair's shared sites against those of a chain (swap or
// curveball) whose lengths are measured on the matrix, with a
// Benjamini-Hochberg correction across the pairs.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "core/presence_matrix.h"
#include "core/sampler.h"
#include "engine/progress.h"

namespace kelpo {

struct PairwiseSettings {
    static constexpr std::int32_t kDefaultSamples = 10000;
    static constexpr double kDefaultFdr = 0.05;

    std::int32_t samples = kDefaultSamples;  // over all chains, >= 1
    // Unset: measured on the matrix by a pilot chain (engine/pair_pilot.h).
    std::optional<std::int64_t> burnIn;  // steps per chain before its first sample, >= 0
    std::optional<std::int32_t> thin;    // steps between samples, >= 1
    double fdr = kDefaultFdr;            // false discovery rate, 0 < fdr < 1
    std::int32_t seed = 0;
    int threads = 0;  // 0: all cores. Results never depend on it.
    Sampler sampler = Sampler::Swap;  // a step is a swap proposal or a curveball trade
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
    // (b + 1) / (m + 1) of the m samples, b of them with S <= observed (lower) or >= (upper):
    // never 0, and a true null gives P(p <= a) <= a.
    std::optional<double> pLower;
    std::optional<double> pUpper;
    std::optional<double> pAdjusted;  // Benjamini-Hochberg of min(1, 2 min(pLower, pUpper))
    PairClass pairClass = PairClass::Untestable;
};

// Whether the chains met: rank-normalized split R-hat and bulk ESS (engine/mixing.h) of the
// C-score over the chains, and the largest R-hat of the monitored pairs' shared counts, on
// at most 1,000 evenly spaced samples per chain. NaN and 0 when no chain ran.
struct PairMixing {
    double rhat = std::numeric_limits<double>::quiet_NaN();
    double ess = 0.0;
    double worstPairRhat = std::numeric_limits<double>::quiet_NaN();
    std::int32_t monitoredPairs = 0;
};

// The lengths the chains ran, given or measured.
struct PairLengths {
    std::int64_t burnIn = 0;
    std::int32_t thin = 1;
    bool burnInMeasured = false, thinMeasured = false;
    double autocorrelationSteps = std::numeric_limits<double>::quiet_NaN();  // measured: the pilot's
    std::int64_t pilotSteps = 0;
    bool pilotLimitReached = false;  // the pilot stopped at its step limit: the lengths are a floor
};

// One row per pair in the order (1,2), (1,3), ..., (2,3), ...
struct PairwiseResults {
    std::vector<PairResult> pairs;
    Sampler sampler = Sampler::Swap;
    PairLengths lengths;
    PairMixing mixing;
    std::int64_t testablePairs = 0;
};

// Throws kelpo::Error (InvalidInput) for settings out of range, (Cancelled) when the
// control's cancel is requested, (OutOfMemory) when the tables do not fit. Progress:
// control.begin(0, kPairChains * slices), the pilot when a length is to be measured, then
// one step per finished slice of a chain. Memory: the tallies once per worker thread,
// not per chain (their sums are integers, so the threads' order changes nothing).
PairwiseResults PairwiseTest(const PresenceMatrix& matrix, const PairwiseSettings& settings, RunControl& control);

// Classes every testable pair again at another false discovery rate (0 < fdr < 1),
// without a new run: a pair is segregated or aggregated when its adjusted p is at most fdr.
void classifyPairs(PairwiseResults& results, double fdr);

// Throws kelpo::Error (InvalidInput) naming the first setting out of range.
void checkPairwiseSettings(const PairwiseSettings& settings);

}  // namespace kelpo
