// The bars of the null-distribution histogram, from the exact frequency table. Qt-free,
// so the arithmetic behind the picture can be checked on its own.
#pragma once

#include <cstdint>
#include <vector>

#include "core/simulated_values.h"

namespace kelpo::charts {

// The simulated values low..high (inclusive) and how many times they occurred.
struct HistogramBin {
    std::int64_t low = 0;
    std::int64_t high = 0;
    std::int64_t count = 0;
};

// Bins of equal integer width, as narrow as possible (width 1: one bar per value) while
// the values from the smallest simulated one to the largest (observed included) need at
// most maxBins. The observed value always starts a bin, so the bars left of the
// observed line hold exactly the values below it and none straddles the line. Only bins
// with a count are returned, ascending.
std::vector<HistogramBin> histogramBins(const std::vector<ValueCount>& table, std::int64_t observed,
                                        std::int64_t maxBins = 60);

}  // namespace kelpo::charts
