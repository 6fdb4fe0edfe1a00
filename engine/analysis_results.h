// What one run computed: the power table and the hypothesis test of the user's matrix.
#pragma once

#include <cstdint>
#include <vector>

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
};

struct AnalysisResults {
    PowerTable powerTable;
    HypothesisTestResult test;
    std::int64_t observed = 0;   // the statistic of the user's matrix
    double simulatedMean = 0.0;  // over every simulated value of the ten replicates
    double simulatedSd = 0.0;
};

}  // namespace kelpo
