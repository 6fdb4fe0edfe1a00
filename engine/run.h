// One whole analysis: the power analysis, then the hypothesis test of the user's matrix.
#pragma once

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

}  // namespace kelpo
