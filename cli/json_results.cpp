#include "cli/json_results.h"

#include <cmath>
#include <optional>
#include <string>

#include "results/report.h"

namespace kelpo {

namespace {

std::string nullHypothesisName(NullHypothesis hypothesis) {
    switch (hypothesis) {
        case NullHypothesis::NoInteractions: return "interactions";
        case NullHypothesis::SitesEquivalent: return "sites";
        case NullHypothesis::SpeciesEquivalent: return "species";
        case NullHypothesis::None: break;
    }
    return "none";
}

std::string statisticName(StatisticId id) {
    switch (id) {
        case StatisticId::CScore: return "cscore";
        case StatisticId::Checkerboards: return "checkerboards";
        case StatisticId::Combinations: return "combinations";
        case StatisticId::VRatio: return "vratio";
    }
    return "unknown";
}

int interactionPercent(InteractionChoice choice) {
    switch (choice) {
        case InteractionChoice::None: return 0;
        case InteractionChoice::Half: return 50;
        case InteractionChoice::All: return 100;
    }
    return 0;
}

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

// An empty power table means --no-power: nothing was measured, so no figure is given.
void clearUnmeasuredPower(nlohmann::ordered_json& json) {
    json["actual_size"] = nullptr;
    json["min_power"] = nullptr;
    json["max_power"] = nullptr;
}

// The ratio depends on the two margins alone, which every simulated matrix shares,
// so the simulated values all equal the observed one: their sd is 0 and p is 1.
void addVarianceRatio(nlohmann::ordered_json& json, const std::optional<double>& ratio) {
    json["observed"] = ratio ? nlohmann::ordered_json(*ratio) : nlohmann::ordered_json(nullptr);
    json["simulated_mean"] = json["observed"];
    json["simulated_sd"] = 0.0;
    json["ses"] = nullptr;
    json["note"] = std::string(kVarianceRatioNote);
}

}  // namespace

nlohmann::ordered_json resultsJson(const AnalysisResults& results, const AnalysisSettings& settings) {
    const PowerTable& table = results.powerTable;
    nlohmann::ordered_json json = {
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
    if (table.empty()) clearUnmeasuredPower(json);
    if (settings.statisticId == StatisticId::VRatio) addVarianceRatio(json, results.varianceRatio);
    return json;
}

}  // namespace kelpo
