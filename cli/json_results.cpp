#include "cli/json_results.h"

#include <cmath>
#include <string>

#include "engine/analysis_choices.h"
#include "results/report.h"

namespace kelpo {

namespace {

nlohmann::ordered_json settingsJson(const AnalysisSettings& settings) {
    return {
        {"file_name", settings.fileName},
        {"species_count", settings.speciesCount},
        {"site_count", settings.siteCount},
        {"statistic", statisticName(settings.statisticId)},
        {"matrices_per_distribution", settings.matricesPerDistribution},
        {"iterations", settings.iterations},
        {"iterations_total", static_cast<std::int64_t>(settings.iterations) * 10},
        {"simulation_seed", settings.simulationSeed},
        {"test_seed", settings.testSeed},
        {"null_hypothesis", nullHypothesisName(settings.nullHypothesis)},
        {"assume_sites_equivalent", settings.assumeSitesEquivalent},
        {"assume_species_equivalent", settings.assumeSpeciesEquivalent},
        {"assume_interactions", settings.assumeInteractions},
        {"interaction_percent", interactionPercent(settings.interactionChoice)},
    };
}

nlohmann::ordered_json powerTableJson(const PowerTable& table) {
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const PowerRow& row : table) {
        rows.push_back({{"proportion", row.proportion},
                        {"distribution", row.distribution},
                        {"in_null", row.inNullHypothesis},
                        {"rejection_rate", row.rejectionRate}});
    }
    return rows;
}

// Standardised effect size; none when the simulated values do not vary.
nlohmann::ordered_json standardisedEffect(const AnalysisResults& results) {
    if (!(results.simulatedSd > 0.0)) return nullptr;
    const double ses = (static_cast<double>(results.observed) - results.simulatedMean) / results.simulatedSd;
    if (!std::isfinite(ses)) return nullptr;
    return ses;
}

}  // namespace

nlohmann::ordered_json resultsJson(const AnalysisResults& results, const AnalysisSettings& settings) {
    const PowerTable& table = results.powerTable;
    return {
        {"settings", settingsJson(settings)},
        {"species", settings.speciesCount},
        {"sites", settings.siteCount},
        {"statistic", std::string(statisticText(settings.statisticId))},
        {"observed", results.observed},
        {"simulated_mean", results.simulatedMean},
        {"simulated_sd", results.simulatedSd},
        {"ses", standardisedEffect(results)},
        {"p_value", results.test.pValue},
        {"ci_low", results.test.ciLow},
        {"ci_high", results.test.ciHigh},
        {"less", results.test.less},
        {"equal", results.test.equal},
        {"actual_size", actualSize(table)},
        {"min_power", powerExtreme(table, -1)},
        {"max_power", powerExtreme(table, 1)},
        {"power_table", powerTableJson(table)},
    };
}

}  // namespace kelpo
