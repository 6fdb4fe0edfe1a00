// The p-value of a matrix's statistic against random matrices with the same margins.
#pragma once

#include <cstdint>

#include "core/presence_matrix.h"
#include "core/random.h"
#include "core/statistic_id.h"

namespace kelpo {

struct PValueResult {
    double pValue = 1.0;
    double less = 0.0;   // simulated statistics below the observed value
    double equal = 0.0;  // simulated statistics equal to it
    // Beyond the three classic figures, for the machine-readable output:
    std::int64_t observed = 0;         // the statistic of the observed matrix (0 for V-Ratio)
    double simulatedSum = 0.0;         // sum of the simulated values
    double simulatedSumOfSquares = 0.0;
};

// N = iterations simulated statistics: a random start with the observed margins,
// then N - 1 sequential swap steps. Throws kelpo::Error (InvalidInput) for N < 1,
// (Overflow) under StatisticRange::Limited32 once the observed or a simulated C-score
// leaves the 32-bit range.
PValueResult PValue(const PresenceMatrix& observed, StatisticId id, std::int32_t iterations, Random& random,
                    StatisticRange range = StatisticRange::Full64);

}  // namespace kelpo
