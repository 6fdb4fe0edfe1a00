#include "engine/analysis_results.h"

#include <algorithm>

#include "engine/mixing.h"

namespace kelpo {

namespace {

// The smallest value whose cumulative count c satisfies c * denominator >= numerator *
// total, in integers so that a boundary such as exactly 2.5 % is never lost to rounding.
std::optional<std::int64_t> quantile(const std::vector<ValueCount>& table, std::int64_t numerator,
                                     std::int64_t denominator) {
    std::int64_t total = 0;
    for (const ValueCount& entry : table) total += entry.count;
    if (total == 0) return std::nullopt;
    std::int64_t cumulative = 0;
    for (const ValueCount& entry : table) {
        cumulative += entry.count;
        if (static_cast<__int128>(cumulative) * denominator >= static_cast<__int128>(numerator) * total) {
            return entry.value;
        }
    }
    return table.back().value;
}

}  // namespace

std::optional<double> ses(const AnalysisResults& results) {
    if (results.test.nullDistribution.empty() || !(results.simulatedSd > 0.0)) return std::nullopt;
    return (results.observed - results.simulatedMean) / results.simulatedSd;
}

TailProbabilities tailProbabilities(const std::vector<ValueCount>& table, std::int64_t observed) {
    std::int64_t atMost = 0, atLeast = 0, total = 0;
    for (const ValueCount& entry : table) {
        total += entry.count;
        if (entry.value <= observed) atMost += entry.count;
        if (entry.value >= observed) atLeast += entry.count;
    }
    const double m = static_cast<double>(total) + 1.0;
    TailProbabilities tails;
    tails.lower = (static_cast<double>(atMost) + 1.0) / m;
    tails.upper = (static_cast<double>(atLeast) + 1.0) / m;
    tails.twoSided = std::min(1.0, 2.0 * std::min(tails.lower, tails.upper));
    return tails;
}

bool testMixed(const HypothesisTestResult& test) {
    return test.nullDistribution.empty() || chainsMixed({test.mixing.rhat, test.mixing.ess});
}

std::optional<std::int64_t> quantileLow(const AnalysisResults& results) {
    return quantile(results.test.nullDistribution, 25, 1000);
}

std::optional<std::int64_t> quantileHigh(const AnalysisResults& results) {
    return quantile(results.test.nullDistribution, 975, 1000);
}

}  // namespace kelpo
