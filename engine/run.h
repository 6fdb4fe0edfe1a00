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
};

// settings must already have its run defaults applied and its counts equal to the
// matrix's size. A cancel request during the power analysis throws kelpo::Error
// (Cancelled); one during the hypothesis test is ignored. Other errors propagate.
AnalysisResults runAnalysis(const PresenceMatrix& matrix, const AnalysisSettings& settings,
                            const RunOptions& options, RunControl& control);

}  // namespace kelpo
