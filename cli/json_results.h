// The results of a run as one JSON object, for scripts that read kelpo-cli's output.
#pragma once

#include <nlohmann/json.hpp>

#include "engine/analysis_results.h"
#include "engine/analysis_settings.h"

namespace kelpo {

// Why the V-Ratio's test always gives p = 1; in the JSON and on standard error.
inline constexpr const char* kVarianceRatioNote =
    "With both margins fixed, the variance ratio is the same for every simulated matrix, so its p-value is 1.";

// Keys in a fixed, readable order. Settings (enums by name), the test of the user's matrix with its standardised
// effect size, the report's summary figures and the power table.
nlohmann::ordered_json resultsJson(const AnalysisResults& results, const AnalysisSettings& settings);

}  // namespace kelpo
