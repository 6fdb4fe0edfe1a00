// One whole analysis: the power analysis, then the hypothesis test of the user's matrix.
#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "core/p_value.h"
#include "core/presence_matrix.h"
#include "engine/analysis_results.h"
#include "engine/analysis_settings.h"
#include "engine/progress.h"

namespace kelpo {

struct RunOptions {
    int threads = 0;             // 0: all cores. Results never depend on it.
    bool powerAnalysis = true;   // false: hypothesis test only (large matrices)
    // The desktop program lets its test finish once begun; a script needs to stop a
    // long one too (the R package's interrupt).
    bool cancellableTest = false;
};

// settings must already have its run defaults applied; the simulated communities
// take its counts, the hypothesis test the matrix's own size. Iterations or matrices
// below 1, negative counts or negative threads throw kelpo::Error (InvalidInput)
// before any work. A cancel request
// during the power analysis throws kelpo::Error (Cancelled) and no table escapes; one
// during the hypothesis test is ignored unless options.cancellableTest. Other errors (Overflow of 10 x iterations or
// of the step counts) propagate. For a seed, the results are the same for any threads.
AnalysisResults runAnalysis(const PresenceMatrix& matrix, const AnalysisSettings& settings,
                            const RunOptions& options, RunControl& control);

// One of count parts of an analysis's (or a batch's) work: the units at positions
// index, index + count, ... of their fixed order.
struct Shard {
    int index = 0;  // 0 .. count - 1
    int count = 1;
    bool holds(std::int64_t position) const { return position % count == index; }
};

// The raw results of an analysis's units of work. The units, in their fixed order, are the
// simulated communities (numbered 0.. in power-table order, none without the power
// analysis), then the test's replicates 1..10. Each has its own stream, so any units
// computed anywhere are the ones a single run computes.
struct UnitResults {
    std::map<std::int32_t, std::uint8_t> rejected;    // community -> 1 when its test rejects
    std::map<std::int32_t, PValueResult> replicates;  // replicate -> its chain's tallies
    std::optional<double> varianceRatio;              // of the matrix, with the V-Ratio chosen
    Sampler sampler = Sampler::Swap;                  // the one every unit ran
};

// How many communities an analysis simulates (0 without the power analysis).
std::int32_t communityUnits(const AnalysisSettings& settings, bool powerAnalysis);

// Runs the shard's units of an analysis at the settings' fixed length (autoIterations is
// refused with kelpo::Error, InvalidInput: the chains' length needs all of them at once):
// the communities first, each a step of control, then the replicates as one step.
// Preconditions, cancelling and thread counts as for runAnalysis.
UnitResults runUnits(const PresenceMatrix& matrix, const AnalysisSettings& settings, const RunOptions& options,
                     RunControl& control, const Shard& shard);

// The results of a fixed-length analysis from every unit's result: what runAnalysis
// returns. Throws kelpo::Error (InvalidInput) naming a unit that is missing.
AnalysisResults assembleResults(const AnalysisSettings& settings, bool powerAnalysis, const UnitResults& units);

}  // namespace kelpo
