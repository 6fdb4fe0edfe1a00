// The results of a run as one JSON object, for scripts that read kelpo-cli's output.
#pragma once

#include <nlohmann/json.hpp>

#include "engine/analysis_results.h"
#include "engine/analysis_settings.h"

namespace kelpo {

// Keys in a fixed, readable order. Settings (enums by name), the test of the user's matrix with its standardised
// effect size, the report's summary figures and the power table.
nlohmann::ordered_json resultsJson(const AnalysisResults& results, const AnalysisSettings& settings);

}  // namespace kelpo
