// Benjamini-Hochberg adjustment of a family of p-values for the false discovery rate.
#pragma once

#include <span>
#include <vector>

namespace kelpo {

// adjusted[k] = min over the p-values ranked at or above p[k] of m p / rank, capped at 1;
// rejecting every adjusted value <= q controls the false discovery rate at q.
std::vector<double> benjaminiHochberg(std::span<const double> pValues);

}  // namespace kelpo
