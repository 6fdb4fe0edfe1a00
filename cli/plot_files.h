// kelpo-cli --plots: the run's charts as SVG and PNG files, drawn without a display.
#pragma once

#include <filesystem>
#include <string>

#include "engine/analysis_results.h"

namespace kelpo {

// Creates the folder (and its parents) when missing and loads the drawing module;
// refuses, before a long run, a path that is a file or cannot be made, or a machine
// without Qt Charts and Qt SVG. Throws kelpo::Error (InputOutput).
void preparePlotFolder(const std::filesystem::path& folder);

// Writes null-distribution, chain and (after a power analysis) power, each as .svg
// and .png, into folder. statistic names the statistic as the report does. The
// drawing (Qt, on the offscreen platform whatever the environment says) lives in the
// module kelpo-cli-plots.so beside the program, loaded only here and by
// preparePlotFolder, so kelpo-cli without --plots needs no Qt. Throws kelpo::Error.
void writePlots(const std::filesystem::path& folder, const AnalysisResults& results, const std::string& statistic);

}  // namespace kelpo
