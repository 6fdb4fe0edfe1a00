// What kelpo-cli does around one analysis: runs it under a progress bar and Ctrl-C,
// and writes its report, JSON and charts, the same for a single run and a merge.
#pragma once

#include <functional>

#include "cli/command_line.h"
#include "engine/analysis_results.h"
#include "engine/analysis_settings.h"
#include "engine/progress.h"

namespace kelpo {

// Runs work with a RunControl that draws --progress and stops at Ctrl-C.
void runWithProgress(const CommandLine& line, const std::function<void(RunControl&)>& work);

// The mixing figures (or the variance ratio) on standard error, then the --output,
// --json and --plots files, then the report on standard output. powerAnalysisRun
// false: the report says no power analysis was run.
void writeAnalysisOutputs(const AnalysisResults& results, const AnalysisSettings& settings, bool powerAnalysisRun,
                          const CommandLine& line);

}  // namespace kelpo
