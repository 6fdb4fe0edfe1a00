#include "charts/histogram.h"

#include <algorithm>

namespace kelpo::charts {

namespace {

// Floor division: a bin index for values on either side of the observed value.
std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

}  // namespace

std::vector<HistogramBin> histogramBins(const std::vector<ValueCount>& table, std::int64_t observed,
                                        std::int64_t maxBins) {
    if (table.empty()) return {};
    const std::int64_t low = std::min(table.front().value, observed);
    const std::int64_t high = std::max(table.back().value, observed);
    // One bin more than the span divides into, since the grid is anchored at the
    // observed value rather than at the lowest one.
    const std::int64_t width = std::max<std::int64_t>(1, (high - low + 1 + maxBins - 2) / std::max<std::int64_t>(1, maxBins - 1));
    std::vector<HistogramBin> bins;
    for (const ValueCount& entry : table) {
        const std::int64_t start = observed + floorDiv(entry.value - observed, width) * width;
        if (bins.empty() || bins.back().low != start) bins.push_back({start, start + width - 1, 0});
        bins.back().count += entry.count;
    }
    return bins;
}

}  // namespace kelpo::charts
