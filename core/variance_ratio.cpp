#include "core/variance_ratio.h"

#include <cstdint>

namespace kelpo {

std::optional<double> varianceRatio(const PresenceMatrix& matrix) {
    const double sites = matrix.cols();
    if (sites == 0) return std::nullopt;
    double expected = 0.0;  // sum of the species' Bernoulli variances
    for (const std::int32_t total : matrix.rowSums()) {
        const double p = total / sites;
        expected += p * (1.0 - p);
    }
    if (!(expected > 0.0)) return std::nullopt;
    const std::vector<std::int32_t> totals = matrix.colSums();
    double mean = 0.0;
    for (const std::int32_t total : totals) mean += total;
    mean /= sites;
    double observed = 0.0;  // two passes: one pass's sum of squares loses digits for large totals
    for (const std::int32_t total : totals) observed += (total - mean) * (total - mean);
    return observed / sites / expected;
}

}  // namespace kelpo
