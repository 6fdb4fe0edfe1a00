#include "cli/json_results.h"

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "engine/analysis_choices.h"
#include "engine/hypothesis_test.h"
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
        {"iterations", settings.autoIterations ? nlohmann::ordered_json("auto") : nlohmann::ordered_json(settings.iterations)},
        {"iterations_total", settings.autoIterations ? nlohmann::ordered_json(nullptr)
                                                     : nlohmann::ordered_json(std::int64_t{settings.iterations} * 10)},
        {"max_seconds", settings.maxSeconds},
        {"sampler", settings.samplerForMatrix ? std::string("auto") : std::string(samplerName(settings.sampler))},
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

template <class T>
nlohmann::ordered_json orNull(const std::optional<T>& value) {
    if (!value) return nullptr;
    return *value;
}

nlohmann::ordered_json nullDistributionJson(const std::vector<ValueCount>& table) {
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const ValueCount& entry : table) rows.push_back({{"value", entry.value}, {"count", entry.count}});
    return rows;
}

// Columns rather than rows of points: half the size, and ready for a data frame.
nlohmann::ordered_json tracesJson(const std::vector<std::vector<TracePoint>>& traces) {
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (std::size_t r = 0; r < traces.size(); ++r) {
        std::vector<std::int64_t> iterations, values;
        for (const TracePoint& point : traces[r]) {
            iterations.push_back(point.iteration);
            values.push_back(point.value);
        }
        all.push_back({{"replicate", r + 1}, {"iteration", iterations}, {"value", values}});
    }
    return all;
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

// Non-finite figures (an R-hat of chains that never moved) have no JSON number: null.
nlohmann::ordered_json finiteOrNull(double value) {
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

void addMixing(nlohmann::ordered_json& json, const AnalysisResults& results) {
    const HypothesisTestResult& test = results.test;
    json["p_lower"] = test.tails.lower;
    json["p_upper"] = test.tails.upper;
    json["p_two_sided"] = test.tails.twoSided;
    json["rhat"] = finiteOrNull(test.mixing.rhat);
    json["ess"] = test.mixing.ess;
    json["mixed"] = testMixed(test);
    json["sampler"] = std::string(samplerName(results.sampler));
    json["iterations_run"] = test.mixing.iterationsRun * kReplicates;
    json["iterations_kept"] = test.mixing.iterationsKept * kReplicates;
    json["steps_per_read"] = test.mixing.stepsPerRead;
    json["time_limit_reached"] = test.mixing.timeLimitReached;
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
        {"ses", orNull(ses(results))},
        {"quantile_025", orNull(quantileLow(results))},
        {"quantile_975", orNull(quantileHigh(results))},
        {"p_value", results.test.pValue},
        {"ci_low", results.test.ciLow},
        {"ci_high", results.test.ciHigh},
        {"less", results.test.less},
        {"equal", results.test.equal},
        {"actual_size", actualSize(table)},
        {"min_power", powerExtreme(table, -1)},
        {"max_power", powerExtreme(table, 1)},
        {"power_table", powerTableJson(table)},
        {"null_distribution", nullDistributionJson(results.test.nullDistribution)},
        {"trace", tracesJson(results.test.traces)},
    };
    addMixing(json, results);
    if (table.empty()) clearUnmeasuredPower(json);
    if (settings.statisticId == StatisticId::VRatio) addVarianceRatio(json, results.varianceRatio);
    return json;
}

}  // namespace kelpo
