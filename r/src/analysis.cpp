// The whole analysis for R: the matrix and the settings in, the results, the report
// text and the power table out.
#include "glue.h"

#include <sstream>

#include "engine/hypothesis_test.h"
#include "engine/mixing.h"
#include "engine/mixing_text.h"
#include "engine/run.h"
#include "results/report.h"

namespace kelpo::r {

namespace {

// Columns filled as std::vectors and wrapped once: push_back on an R vector copies it.
Rcpp::DataFrame powerTableFrame(const PowerTable& table) {
    static constexpr double kProportions[] = {0.0, 0.5, 1.0};
    std::vector<double> proportion, rate;
    std::vector<int> distribution;
    std::vector<bool> inNull;
    for (const PowerRow& row : table) {
        proportion.push_back(kProportions[row.proportion - 1]);
        distribution.push_back(row.distribution);
        inNull.push_back(row.inNullHypothesis);
        rate.push_back(row.rejectionRate);
    }
    return Rcpp::DataFrame::create(Rcpp::_["proportion"] = proportion, Rcpp::_["distribution"] = distribution,
                                   Rcpp::_["in_null"] = Rcpp::wrap(inNull), Rcpp::_["rejection_rate"] = rate);
}

Rcpp::DataFrame nullDistributionFrame(const std::vector<ValueCount>& table) {
    std::vector<double> value, count;  // doubles: the statistics and their counts may pass 32 bits
    for (const ValueCount& entry : table) {
        value.push_back(static_cast<double>(entry.value));
        count.push_back(static_cast<double>(entry.count));
    }
    return Rcpp::DataFrame::create(Rcpp::_["value"] = value, Rcpp::_["count"] = count);
}

Rcpp::DataFrame traceFrame(const std::vector<std::vector<TracePoint>>& traces) {
    std::vector<int> replicate;
    std::vector<double> iteration, value;
    for (std::size_t r = 0; r < traces.size(); ++r) {
        for (const TracePoint& point : traces[r]) {
            replicate.push_back(static_cast<int>(r + 1));
            iteration.push_back(static_cast<double>(point.iteration));
            value.push_back(static_cast<double>(point.value));
        }
    }
    return Rcpp::DataFrame::create(Rcpp::_["replicate"] = replicate, Rcpp::_["iteration"] = iteration,
                                   Rcpp::_["value"] = value);
}

template <class T>
double orNA(const std::optional<T>& value) {
    return value ? static_cast<double>(*value) : NA_REAL;
}

Rcpp::List resultsList(const AnalysisResults& results, const AnalysisSettings& settings, bool power) {
    const std::string report = buildReport(results, settings, ReportChoices::fromSettings(settings));
    Rcpp::List list = Rcpp::List::create(
        Rcpp::_["observed"] = static_cast<double>(results.observed),
        Rcpp::_["simulated_mean"] = results.simulatedMean, Rcpp::_["simulated_sd"] = results.simulatedSd,
        Rcpp::_["ses"] = orNA(ses(results)), Rcpp::_["p_value"] = results.test.pValue,
        Rcpp::_["ci_low"] = results.test.ciLow, Rcpp::_["ci_high"] = results.test.ciHigh,
        Rcpp::_["less"] = results.test.less, Rcpp::_["equal"] = results.test.equal,
        Rcpp::_["quantile_025"] = orNA(quantileLow(results)), Rcpp::_["quantile_975"] = orNA(quantileHigh(results)),
        Rcpp::_["null_distribution"] = nullDistributionFrame(results.test.nullDistribution),
        Rcpp::_["trace"] = traceFrame(results.test.traces),
        Rcpp::_["power_table"] = powerTableFrame(results.powerTable),
        Rcpp::_["actual_size"] = actualSize(results.powerTable),
        Rcpp::_["min_power"] = powerExtreme(results.powerTable, -1),
        Rcpp::_["max_power"] = powerExtreme(results.powerTable, 1),
        Rcpp::_["warnings"] = Rcpp::wrap(power ? reportWarnings(report) : std::vector<std::string>{}),
        Rcpp::_["report"] = report);
    // Past the twenty entries List::create takes.
    const Mixing& mixing = results.test.mixing;
    list["rhat"] = mixing.rhat;
    list["ess"] = mixing.ess;
    list["p_lower"] = results.test.tails.lower;
    list["p_upper"] = results.test.tails.upper;
    list["p_two_sided"] = results.test.tails.twoSided;
    list["iterations_run"] = static_cast<double>(mixing.iterationsRun) * kReplicates;
    list["iterations_kept"] = static_cast<double>(mixing.iterationsKept) * kReplicates;
    list["time_limit_reached"] = mixing.timeLimitReached;
    list["sampler"] = std::string(samplerName(results.sampler));
    // The command line's texts, naming R's arguments.
    list["mixing_line"] = mixingLine(mixing, samplerName(results.sampler));
    const auto warning = mixingWarning(mixing, settings.maxSeconds, {"iterations = \"auto\"", "max_seconds"});
    list["mixing_warning"] = warning ? Rcpp::CharacterVector::create(*warning) : Rcpp::CharacterVector();
    return list;
}

}  // namespace

}  // namespace kelpo::r

// Plain (or rank-normalized) split R-hat and ESS of given chains, for checks against other tools.
// [[Rcpp::export(name = ".kelpo_mixing")]]
Rcpp::NumericVector kelpo_mixing(Rcpp::List chains, bool rank_normalized) {
    std::vector<std::vector<double>> values;
    for (const auto& chain : chains) values.push_back(Rcpp::as<std::vector<double>>(chain));
    const kelpo::MixingFigures figures =
        rank_normalized ? kelpo::mixingFigures(values) : kelpo::plainMixingFigures(values);
    return Rcpp::NumericVector::create(Rcpp::_["rhat"] = figures.rhat, Rcpp::_["ess"] = figures.ess);
}

// [[Rcpp::export(name = ".kelpo_run")]]
Rcpp::List kelpo_run(Rcpp::List input, Rcpp::List options, int threads, bool power, bool progress) {
    using namespace kelpo;
    const auto [matrix, settings] = r::rethrowAsR([&] {
        PresenceMatrix cells = r::presenceMatrix(input);
        AnalysisSettings chosen = r::analysisSettings(options, cells);
        return std::pair{std::move(cells), std::move(chosen)};
    });
    const std::int64_t testSteps = std::int64_t{kReplicates} * std::max(0, settings.iterations - 1);
    r::ConsoleProgress display(progress, testSteps, {}, settings.autoIterations ? settings.maxSeconds : 0.0);
    RunControl control(display.callback());
    const RunOptions runOptions{threads, power, true};
    const AnalysisResults results = r::runInterruptibly(
        control, display, [&] { return runAnalysis(matrix, settings, runOptions, control); });
    return r::rethrowAsR([&] { return r::resultsList(results, settings, power); });
}
