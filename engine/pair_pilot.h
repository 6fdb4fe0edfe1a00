// How far apart the pairwise test's samples must lie on the chain, measured on the chain
// itself: a pilot walk estimates the integrated autocorrelation time of the C-score and of
// a set of pairs' shared counts, in steps.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/presence_matrix.h"
#include "core/sampler.h"
#include "engine/progress.h"

namespace kelpo {

// A pair as the tables hold it: species x > y (0-based).
struct MonitoredPair {
    std::int32_t x = 0, y = 0;
};

// The pairs whose shared counts the pilot and the diagnostics follow: up to kMonitoredPairs,
// evenly spread over the testable pairs whose count is expected to be at least one
// (r_a r_b >= sites): rarer pairs sit at 0 for long stretches whatever the chain does.
inline constexpr std::size_t kMonitoredPairs = 256;
std::vector<MonitoredPair> monitoredPairs(std::span<const std::int32_t> rowSums, std::int32_t sites);

struct PilotLengths {
    double autocorrelationSteps = 0.0;  // the integrated autocorrelation time measured
    std::int64_t burnIn = 0;            // steps before a chain's first sample
    std::int32_t thin = 1;              // steps between two samples
    std::int64_t pilotSteps = 0;        // steps the pilot walked
    bool limitReached = false;          // the pilot's step limit came first: a lower bound
};

// Thinning at twice the integrated time tau leaves samples correlated about e^-4 (an AR(1)
// chain's lag-1 correlation at 2 tau steps); a burn-in of ten times tau (five thinnings)
// forgets the start at that rate even when it lies far in a tail.
inline constexpr double kThinPerTau = 2.0;
inline constexpr double kBurnInPerTau = 10.0;

// The pilot: one chain on its own stream (streams::kPairPilot), so the lengths depend on the
// seed and the matrix alone. It records 1024 points, each `stride` steps apart, the stride
// doubling from 1 (the walk goes on, its earlier rounds its burn-in), until the C-score and
// the 90th percentile of the pairs each show an ESS of at least 100 among the points, or
// the step limit of the sampler is reached. Throws kelpo::Error (Cancelled).
PilotLengths measurePairLengths(const PresenceMatrix& matrix, std::span<const MonitoredPair> pairs, Sampler sampler,
                                std::int32_t seed, const RunControl& control);

}  // namespace kelpo
