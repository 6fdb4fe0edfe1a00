#include "engine/false_discovery.h"

#include <algorithm>
#include <numeric>

namespace kelpo {

std::vector<double> benjaminiHochberg(std::span<const double> pValues) {
    const std::size_t m = pValues.size();
    std::vector<std::size_t> order(m);
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Stable, so tied p-values keep their input order and the result never depends on the sort.
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return pValues[a] < pValues[b]; });
    std::vector<double> adjusted(m);
    // From the largest p down: the running minimum makes the adjusted values monotone in p.
    double runningMin = 1.0;
    for (std::size_t rank = m; rank >= 1; --rank) {
        const std::size_t k = order[rank - 1];
        runningMin = std::min(runningMin, pValues[k] * static_cast<double>(m) / static_cast<double>(rank));
        adjusted[k] = runningMin;
    }
    return adjusted;
}

}  // namespace kelpo
