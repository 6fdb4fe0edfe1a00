// One analysis split over processes or nodes: --shard i/N runs the i-th of N parts of
// its units of work (engine/run.h) into a part file, and `kelpo-cli merge` assembles the
// parts into exactly the report and JSON of a single run.
#pragma once

#include <filesystem>
#include <string>

#include "cli/command_line.h"
#include "core/presence_matrix.h"
#include "engine/analysis_settings.h"
#include "engine/run.h"

namespace kelpo {

// Refuses, before any work, a shard of a single run that cannot be: one without --json
// (its part goes there), with --output or --plots (the merge writes those), or with
// --iterations auto. Throws kelpo::Error (InvalidInput).
void checkAnalysisShard(const CommandLine& line, const AnalysisSettings& settings);

// The part as one JSON line: the shard, the analysis it belongs to (its settings, a
// fingerprint of the matrix, whether the power analysis runs) and its units' raw results.
std::string analysisPartText(const Shard& shard, const AnalysisSettings& settings, bool powerAnalysis,
                             const PresenceMatrix& matrix, const UnitResults& units);

// Whether the file begins as the part of an analysis rather than of a batch.
bool isAnalysisPart(const std::filesystem::path& path);

// Reads the parts (line.batchInputs), refuses a missing or duplicated shard, a part of
// another analysis (settings, matrix or seed) or one without its shard's units, and
// writes what the single run writes: standard error's figures, --output, --json, --plots
// and the report on standard output. Returns Success.
int mergeAnalysisParts(const CommandLine& line);

}  // namespace kelpo
