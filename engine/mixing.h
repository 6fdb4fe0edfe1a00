// Whether parallel chains have met: the rank-normalized split R-hat and the bulk
// effective sample size of Vehtari, Gelman, Simpson, Carpenter and Bürkner (2021),
// "Rank-normalization, folding, and localization: an improved R-hat", Bayesian Analysis.
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace kelpo {

struct MixingFigures {
    // max(bulk, folded) rank-normalized split R-hat; +infinity when the chains are each
    // constant but not all equal, 1 when every value of every chain is the same.
    double rhat = std::numeric_limits<double>::quiet_NaN();
    // Bulk ESS of the pooled values, at most their number times log10 of it (as Stan caps it).
    double ess = 0.0;
};

// The thresholds a run must reach before its p-value is trusted.
inline constexpr double kMixedRhat = 1.01;
inline constexpr double kMixedEss = 400.0;     // below it a warning
inline constexpr double kAutoTargetEss = 1000.0;  // what --iterations auto runs until

// chains: equal-length sequences (the shortest length is used for all). Each is split in
// halves, the pooled values replaced by normal scores of their average ranks, and R-hat and
// ESS computed on those; fewer than 4 values per chain give NaN R-hat and ESS 0.
MixingFigures mixingFigures(std::span<const std::vector<double>> chains);

// Of the same chains without rank normalization: classic split R-hat (sqrt of var+ / W) and
// ESS by Geyer's initial monotone sequence. Exposed for the cross-checks with other tools.
MixingFigures plainMixingFigures(std::span<const std::vector<double>> chains);

// The standard normal quantile, |error| < 1e-15 on (0, 1) (Wichura 1988, AS 241).
double normalQuantile(double p);

// Whether figures say the chains have mixed enough for the p-value to be trusted.
bool chainsMixed(const MixingFigures& figures, double essNeeded = kMixedEss);

}  // namespace kelpo
