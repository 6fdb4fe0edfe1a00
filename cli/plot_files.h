// kelpo-cli --plots: the run's charts as SVG and PNG files, drawn without a display.
#pragma once

#include <filesystem>
#include <string>

#include "engine/analysis_results.h"

namespace kelpo {

// Creates the folder (and its parents) when missing; refuses, before a long run, a
// path that is a file or cannot be made. Throws kelpo::Error (InputOutput).
void preparePlotFolder(const std::filesystem::path& folder);

// Writes null-distribution, chain and (after a power analysis) power, each as .svg
// and .png, into folder. statistic names the statistic as the report does. Runs Qt
// on the offscreen platform, whatever the environment says. Throws kelpo::Error.
void writePlots(const std::filesystem::path& folder, const AnalysisResults& results, const std::string& statistic);

}  // namespace kelpo
