// The whole analysis for Python: a matrix and the settings as text in; the figures,
// the null distribution, the traces, the power table and the report text out.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <sstream>

#include "engine/analysis_choices.h"
#include "engine/hypothesis_test.h"
#include "engine/mixing_text.h"
#include "engine/run.h"
#include "glue.h"
#include "results/report.h"

namespace kelpo::python {

namespace {

// Python's names for the options, so that a refusal names what the user typed.
ChoiceNames pythonChoiceNames() {
    ChoiceNames names;
    names.null = "null=";
    names.assumeSites = "assume=\"sites\"";
    names.assumeSpecies = "assume=\"species\"";
    names.assumeInteractions = "interactions=";
    names.maxSeconds = "max_seconds";
    names.numbers = {"matrices", "seed", "iterations"};
    return names;
}

AnalysisChoices choicesOf(const py::dict& options) {
    AnalysisChoices choices;
    choices.statistic = options["statistic"].cast<std::string>();
    choices.nullHypothesis = options["null"].cast<std::string>();
    for (const auto& item : options["assume"]) {
        const auto name = item.cast<std::string>();
        if (name == "sites") choices.assumeSitesEquivalent = true;
        else if (name == "species") choices.assumeSpeciesEquivalent = true;
    }
    if (!options["interactions"].is_none()) choices.assumeInteractionsPercent = options["interactions"].cast<int>();
    // As text, so that the rules the CLI applies to its options read them the same way.
    choices.iterations = options["iterations"].cast<std::string>();
    choices.matrices = options["matrices"].cast<std::string>();
    choices.seed = options["seed"].cast<std::string>();
    choices.maxSeconds = options["max_seconds"].cast<std::string>();
    choices.sampler = options["sampler"].cast<std::string>();
    return choices;
}

template <class T>
py::object orNone(const std::optional<T>& value) {
    return value ? py::cast(*value) : py::none();
}

py::dict powerTableColumns(const PowerTable& table) {
    std::vector<int> proportion, distribution;
    std::vector<bool> inNull;
    std::vector<double> rate;
    for (const PowerRow& row : table) {
        proportion.push_back(row.proportion);
        distribution.push_back(row.distribution);
        inNull.push_back(row.inNullHypothesis);
        rate.push_back(row.rejectionRate);
    }
    py::dict columns;
    columns["proportion"] = proportion;  // index 1..3, as the JSON gives it
    columns["distribution"] = distribution;
    columns["in_null"] = inNull;
    columns["rejection_rate"] = rate;
    return columns;
}

py::dict resultsDict(const AnalysisResults& results, const AnalysisSettings& settings, bool power) {
    ReportChoices choices = ReportChoices::fromSettings(settings);
    choices.powerAnalysisRun = power;
    const std::string report = buildReport(results, settings, choices);
    std::vector<std::int64_t> values, counts;
    for (const ValueCount& entry : results.test.nullDistribution) {
        values.push_back(entry.value);
        counts.push_back(entry.count);
    }
    py::list traces;
    for (const auto& trace : results.test.traces) {
        std::vector<std::int64_t> iteration, value;
        for (const TracePoint& point : trace) {
            iteration.push_back(point.iteration);
            value.push_back(point.value);
        }
        traces.append(py::make_tuple(py::array(py::cast(iteration)), py::array(py::cast(value))));
    }
    py::dict out;
    out["observed"] = results.observed;
    out["simulated_mean"] = results.simulatedMean;
    out["simulated_sd"] = results.simulatedSd;
    out["ses"] = orNone(ses(results));
    out["quantile_025"] = orNone(quantileLow(results));
    out["quantile_975"] = orNone(quantileHigh(results));
    out["p_value"] = results.test.pValue;
    out["ci_low"] = results.test.ciLow;
    out["ci_high"] = results.test.ciHigh;
    out["less"] = results.test.less;
    out["equal"] = results.test.equal;
    out["p_lower"] = results.test.tails.lower;
    out["p_upper"] = results.test.tails.upper;
    out["p_two_sided"] = results.test.tails.twoSided;
    out["rhat"] = results.test.mixing.rhat;
    out["ess"] = results.test.mixing.ess;
    out["iterations_run"] = results.test.mixing.iterationsRun * 10;
    out["iterations_kept"] = results.test.mixing.iterationsKept * 10;
    out["time_limit_reached"] = results.test.mixing.timeLimitReached;
    out["sampler"] = std::string(samplerName(results.sampler));
    // The command line's texts, naming Python's arguments.
    out["mixing_line"] = mixingLine(results.test.mixing, samplerName(results.sampler));
    const auto warning =
        mixingWarning(results.test.mixing, settings.maxSeconds, {"iterations=\"auto\"", "max_seconds"});
    out["mixing_warning"] = warning ? py::cast(*warning) : py::none();
    out["null_values"] = py::array(py::cast(values));
    out["null_counts"] = py::array(py::cast(counts));
    out["traces"] = traces;
    out["power_table"] = powerTableColumns(results.powerTable);
    out["actual_size"] = actualSize(results.powerTable);
    out["min_power"] = powerExtreme(results.powerTable, -1);
    out["max_power"] = powerExtreme(results.powerTable, 1);
    out["report_warnings"] = power ? reportWarnings(report) : std::vector<std::string>{};
    out["report"] = py::bytes(report);
    out["iterations_per_replicate"] = settings.iterations;
    return out;
}

py::dict run(const PresenceMatrix& matrix, const py::dict& options, int threads, bool power, bool progress) {
    std::vector<std::string> warnings;
    AnalysisSettings settings = settingsFromChoices(
        choicesOf(options), [&warnings](std::string_view text) { warnings.emplace_back(text); }, pythonChoiceNames());
    settings.fileName = options["name"].cast<std::string>();
    settings.speciesCount = matrix.rows();
    settings.siteCount = matrix.cols();
    settings.applyRunDefaults();
    const std::int64_t testSteps = std::int64_t{kReplicates} * std::max(0, settings.iterations - 1);
    ProgressLine line(progress, testSteps, "Hypothesis test", settings.autoIterations ? settings.maxSeconds : 0.0);
    RunControl control(line.callback());
    const RunOptions runOptions{threads, power, true};
    const AnalysisResults results =
        runInterruptibly(control, line, [&] { return runAnalysis(matrix, settings, runOptions, control); });
    py::dict out = resultsDict(results, settings, power);
    out["setting_warnings"] = warnings;
    return out;
}

}  // namespace

void registerAnalysis(py::module_& module) {
    module.def("run", &run, py::arg("matrix"), py::arg("options"), py::arg("threads"), py::arg("power"),
               py::arg("progress"));
}

}  // namespace kelpo::python
