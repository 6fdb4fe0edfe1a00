// The percentile bootstrap interval of a mean of replicate p-values, and its sort.
#pragma once

#include <cstdint>
#include <span>

#include "core/random.h"

namespace kelpo {

struct ConfidenceInterval {
    double low = 0.0;
    double high = 0.0;
};

inline constexpr std::int32_t kBootstrapResamples = 1000;

// 1000 resamples of n values each (value k drawn as floor(u n) + 1, resample by resample), sorted
// with QuickSort; returns the 25th and the 975th mean (1-based).
// Throws kelpo::Error (InvalidInput) for an empty span.
ConfidenceInterval BootstrapInterval(std::span<const double> values, Random& random);

// Sorts a[lo..hi] (0-based, inclusive) ascending: Hoare partition around the middle
// element, equal values stopping both scans, then recursion on both parts. The exact
// procedure matters only through the order it leaves, which any correct sort shares.
void QuickSort(std::span<double> a, std::int32_t lo, std::int32_t hi);

}  // namespace kelpo
