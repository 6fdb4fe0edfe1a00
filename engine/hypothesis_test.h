// The hypothesis test of the user's matrix: ten replicate p-values, their mean and its
// bootstrap interval, the spread of every simulated statistic, and how the chains mixed.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/p_value.h"
#include "core/presence_matrix.h"
#include "core/random.h"
#include "engine/analysis_results.h"
#include "engine/analysis_settings.h"
#include "engine/progress.h"

namespace kelpo {

inline constexpr std::int32_t kReplicates = 10;

struct HypothesisTestOutcome {
    HypothesisTestResult result;
    std::int64_t observed = 0;
    double simulatedMean = 0.0;
    double simulatedSd = 0.0;
};

struct MeanAndSd {
    double mean = 0.0;
    double sd = 0.0;
};

// Mean and sample standard deviation (N - 1 denominator) from a count, a sum and a sum of
// squares; sd 0 for N = 1 or when rounding would make the variance negative.
MeanAndSd meanAndSd(double count, double sum, double sumOfSquares);

// Combines the replicates in their order, so the sums never depend on which thread
// finished first, then draws the bootstrap interval from the bootstrap stream. The
// tails and the mixing figures come from the replicates' counts and traces; the
// lengths in result.mixing are left to the caller.
HypothesisTestOutcome combineReplicates(std::span<const PValueResult> replicates, std::int64_t iterations,
                                        Random& bootstrap);

// Replicates r of the list (each 1..10), each on stream r with settings.iterations per
// chain, on the arena's threads; results in list order. The chains report to monitor.
std::vector<PValueResult> runReplicates(const PresenceMatrix& matrix, const AnalysisSettings& settings,
                                        std::span<const std::int32_t> replicates, int threads,
                                        const ChainMonitor& monitor);

// The test from all ten replicates of a fixed length, in replicate order, with the
// bootstrap drawn from its own stream of settings.simulationSeed.
HypothesisTestOutcome fixedLengthOutcome(std::span<const PValueResult> replicates, const AnalysisSettings& settings);

// Calls control.stepBegun() once, then runs replicate r (1..10) on stream r and the
// bootstrap on its own stream, all seeded with settings.simulationSeed: settings.iterations
// per chain, or with settings.autoIterations in rounds until the chains have mixed. The
// chains report their steps to control; a cancel request stops them (kelpo::Error,
// Cancelled) only when cancellable.
HypothesisTestOutcome HypothesisTest(const PresenceMatrix& matrix, const AnalysisSettings& settings, int threads,
                                     RunControl& control, bool cancellable = false);

}  // namespace kelpo
