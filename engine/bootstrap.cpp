#include "engine/bootstrap.h"

#include <cmath>
#include <utility>
#include <vector>

#include "core/error.h"

namespace kelpo {

namespace {

// floor(u n) + 1 in double precision: u < 1 keeps the index within 1..n.
std::int32_t resampleIndex(float u, std::int32_t n) {
    return static_cast<std::int32_t>(std::floor(static_cast<double>(u) * static_cast<double>(n) + 1.0));
}

}  // namespace

ConfidenceInterval BootstrapInterval(std::span<const double> values, Random& random) {
    if (values.empty()) throw Error(ErrorKind::InvalidInput, "The bootstrap needs at least one replicate.");
    const auto n = static_cast<std::int32_t>(values.size());
    std::vector<double> means(kBootstrapResamples, 0.0);
    for (double& mean : means) {
        double sum = 0.0;
        for (std::int32_t draw = 0; draw < n; ++draw) {
            sum += values[static_cast<std::size_t>(resampleIndex(random.next(), n) - 1)];
        }
        mean = sum / static_cast<double>(n);
    }
    QuickSort(means, 0, kBootstrapResamples - 1);
    return {means[24], means[974]};
}

void QuickSort(std::span<double> a, std::int32_t lo, std::int32_t hi) {
    std::int32_t i = lo;
    std::int32_t j = hi;
    const double pivot = a[static_cast<std::size_t>(lo + (hi - lo) / 2)];
    while (i <= j) {
        while (a[static_cast<std::size_t>(i)] < pivot && i < hi) ++i;
        while (pivot < a[static_cast<std::size_t>(j)] && j > lo) --j;
        if (i > j) break;
        std::swap(a[static_cast<std::size_t>(i)], a[static_cast<std::size_t>(j)]);
        ++i;
        --j;
    }
    if (lo < j) QuickSort(a, lo, j);
    if (i < hi) QuickSort(a, i, hi);
}

}  // namespace kelpo
