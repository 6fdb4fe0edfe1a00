// kelpo-cli --pairs: the pairwise test of a matrix file, its table as CSV and JSON.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/command_line.h"
#include "engine/pairwise_test.h"

namespace kelpo {

// The table with the settings and figures that made it, as JSON text (indented by 2,
// ending in a line end); a missing value is null.
std::string pairsJson(const PairwiseResults& results, const PairwiseSettings& settings,
                      const std::vector<std::string>& names);

// Reads and checks the matrix, runs the test and writes the CSV (standard output or
// --output) and the JSON (--json). Returns the exit code; errors are thrown.
int runPairs(const CommandLine& line);

}  // namespace kelpo
