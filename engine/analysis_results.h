// What one run computed: the power table and the hypothesis test of the user's matrix.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "core/sampler.h"
#include "core/simulated_values.h"  // ValueCount, TracePoint

namespace kelpo {

struct PowerRow {
    std::int32_t proportion = 1;    // proportion index 1..3 (0, 0.5, 1.0 of species interacting)
    std::int32_t distribution = 1;  // distribution index 1..12
    bool inNullHypothesis = false;
    double rejectionRate = 0.0;     // share of simulated matrices with p <= 0.05
};

using PowerTable = std::vector<PowerRow>;

// How the hypothesis test's ten chains mixed, and how long they ran.
struct Mixing {
    // Rank-normalized split R-hat and bulk ESS (engine/mixing.h) of the statistic, on the
    // chains' trace points of the iterations kept: a trace holds at most 1,000 evenly
    // spaced values per chain, and thinning never raises an ESS, so the ESS is a floor for
    // that of all the pooled simulated values. NaN and 0 when nothing was simulated.
    double rhat = std::numeric_limits<double>::quiet_NaN();
    double ess = 0.0;
    std::int64_t iterationsRun = 0;   // per chain, burn-in included
    std::int64_t iterationsKept = 0;  // per chain: the values the p-value and the counts come from
    // Steps between reads of the statistic, each read standing for the steps since the
    // last: more than 1 only for curveball chains of an auto length on larger tables.
    std::int64_t stepsPerRead = 1;
    bool autoLength = false;          // the length came from the chains (rounds until mixed)
    bool timeLimitReached = false;    // auto only: stopped by the time limit before mixing
};

// The Monte Carlo tail probabilities (b + 1) / (m + 1) of the observed value among the m
// pooled simulated values: never 0, and exact in the sense that a true null gives
// P(p <= a) <= a.
struct TailProbabilities {
    double lower = 1.0;      // b = values <= observed
    double upper = 1.0;      // b = values >= observed
    double twoSided = 1.0;   // min(1, 2 min(lower, upper))
};

struct HypothesisTestResult {
    double pValue = 0.0;  // mean of the ten replicate p-values
    double ciLow = 0.0;   // bootstrap 95% interval of that mean
    double ciHigh = 0.0;
    double less = 0.0;    // simulated statistics below the observed value, over all replicates
    double equal = 0.0;   // simulated statistics equal to it
    // Every simulated value with its frequency, pooled over the replicates, ascending by
    // value; the counts add up to replicates x iterations (empty for V-Ratio, which
    // simulates nothing).
    std::vector<ValueCount> nullDistribution{};
    // One per replicate, in replicate order: the statistic at iterations 1, 1 + s, 1 + 2s,
    // ... with at most 1,000 points each, whatever the number of iterations (each empty
    // for V-Ratio).
    std::vector<std::vector<TracePoint>> traces{};
    TailProbabilities tails{};
    Mixing mixing{};
};

struct AnalysisResults {
    PowerTable powerTable;
    HypothesisTestResult test;
    std::int64_t observed = 0;   // the statistic of the user's matrix
    double simulatedMean = 0.0;  // over every simulated value of the ten replicates
    double simulatedSd = 0.0;
    // The variance ratio is no integer count: with the V-Ratio chosen, the observed
    // ratio (none when undefined); observed, mean and sd above then stay 0.
    std::optional<double> varianceRatio;
    Sampler sampler = Sampler::Swap;  // the chains', once chosen for the matrix
};

// Standardized effect size (observed - simulated mean) / simulated sd; empty when the
// sd is 0 (every simulated value the same) or nothing was simulated, never NaN.
std::optional<double> ses(const AnalysisResults& results);

// The 2.5 % and 97.5 % quantiles of the simulated values, read from the frequency
// table: the smallest simulated value whose cumulative count reaches 2.5 % (97.5 %) of
// the total (the inverse of the empirical distribution function, R's quantile type 1),
// so both are values the chain actually took. Empty when nothing was simulated.
std::optional<std::int64_t> quantileLow(const AnalysisResults& results);
std::optional<std::int64_t> quantileHigh(const AnalysisResults& results);

// The tails of observed among the values of a frequency table (all 1 when it is empty).
TailProbabilities tailProbabilities(const std::vector<ValueCount>& table, std::int64_t observed);

// Whether the chains of a test are known to have mixed: R-hat at most 1.01 and an ESS of
// at least 400. A test that simulated nothing (the V-Ratio) needs no mixing.
bool testMixed(const HypothesisTestResult& test);

}  // namespace kelpo
