// The variance ratio of a presence-absence matrix: how much the site totals vary
// against what independent species would make them vary.
#pragma once

#include <optional>

#include "core/presence_matrix.h"

namespace kelpo {

// VR = [(1/N) sum over sites of (T_k - mean T)^2] / sum over species of p_i (1 - p_i),
// with T_k the site totals, N the number of sites and p_i a species' total over N.
// None when the denominator is 0 (no sites, or every species at all or no sites).
// Both margins enter it alone, so every matrix sharing them shares its ratio.
std::optional<double> varianceRatio(const PresenceMatrix& matrix);

}  // namespace kelpo
