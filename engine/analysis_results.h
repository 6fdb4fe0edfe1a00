// What one run computed: the power table and the hypothesis test of the user's matrix.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/simulated_values.h"  // ValueCount, TracePoint

namespace kelpo {

struct PowerRow {
    std::int32_t proportion = 1;    // proportion index 1..3 (0, 0.5, 1.0 of species interacting)
    std::int32_t distribution = 1;  // distribution index 1..12
    bool inNullHypothesis = false;
    double rejectionRate = 0.0;     // share of simulated matrices with p <= 0.05
};

using PowerTable = std::vector<PowerRow>;

struct HypothesisTestResult {
    double pValue = 0.0;  // mean of the ten replicate p-values
    double ciLow = 0.0;   // bootstrap 95% interval of that mean
    double ciHigh = 0.0;
    double less = 0.0;    // simulated statistics below the observed value, over all replicates
    double equal = 0.0;   // simulated statistics equal to it
    // Every simulated value with its frequency, pooled over the replicates, ascending by
    // value; the counts add up to replicates x iterations (empty for V-Ratio, which
    // simulates nothing).
    std::vector<ValueCount> nullDistribution;
    // One per replicate, in replicate order: the statistic at iterations 1, 1 + s, 1 + 2s,
    // ... with at most 1,000 points each, whatever the number of iterations.
    std::vector<std::vector<TracePoint>> traces;
};

struct AnalysisResults {
    PowerTable powerTable;
    HypothesisTestResult test;
    std::int32_t observed = 0;   // the statistic of the user's matrix
    double simulatedMean = 0.0;  // over every simulated value of the ten replicates
    double simulatedSd = 0.0;
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

}  // namespace kelpo
