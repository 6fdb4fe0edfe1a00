// The whole analysis for R: the matrix and the settings in, the results, the report
// text and the power table out.
#include "glue.h"

#include <sstream>

#include "engine/hypothesis_test.h"
#include "engine/run.h"
#include "results/report.h"

namespace kelpo::r {

namespace {

Rcpp::DataFrame powerTableFrame(const PowerTable& table) {
    static constexpr double kProportions[] = {0.0, 0.5, 1.0};
    Rcpp::NumericVector proportion, rate;
    Rcpp::IntegerVector distribution;
    Rcpp::LogicalVector inNull;
    for (const PowerRow& row : table) {
        proportion.push_back(kProportions[row.proportion - 1]);
        distribution.push_back(row.distribution);
        inNull.push_back(row.inNullHypothesis);
        rate.push_back(row.rejectionRate);
    }
    return Rcpp::DataFrame::create(Rcpp::_["proportion"] = proportion, Rcpp::_["distribution"] = distribution,
                                   Rcpp::_["in_null"] = inNull, Rcpp::_["rejection_rate"] = rate);
}

// The report's warnings about the test, as sentences without the asterisks.
Rcpp::CharacterVector reportWarnings(const std::string& report) {
    Rcpp::CharacterVector warnings;
    std::istringstream lines(report);
    const std::string mark = "*****Warning: ";
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(mark, 0) != 0) continue;
        line = line.substr(mark.size());
        while (!line.empty() && line.back() == '*') line.pop_back();
        warnings.push_back(line);
    }
    return warnings;
}

Rcpp::List resultsList(const AnalysisResults& results, const AnalysisSettings& settings, bool power) {
    const std::string report = buildReport(results, settings, ReportChoices::fromSettings(settings));
    return Rcpp::List::create(
        Rcpp::_["observed"] = static_cast<double>(results.observed),
        Rcpp::_["simulated_mean"] = results.simulatedMean, Rcpp::_["simulated_sd"] = results.simulatedSd,
        Rcpp::_["p_value"] = results.test.pValue, Rcpp::_["ci_low"] = results.test.ciLow,
        Rcpp::_["ci_high"] = results.test.ciHigh, Rcpp::_["less"] = results.test.less,
        Rcpp::_["equal"] = results.test.equal, Rcpp::_["power_table"] = powerTableFrame(results.powerTable),
        Rcpp::_["actual_size"] = actualSize(results.powerTable),
        Rcpp::_["min_power"] = powerExtreme(results.powerTable, -1),
        Rcpp::_["max_power"] = powerExtreme(results.powerTable, 1),
        Rcpp::_["warnings"] = power ? reportWarnings(report) : Rcpp::CharacterVector(),
        Rcpp::_["report"] = report);
}

}  // namespace

}  // namespace kelpo::r

// [[Rcpp::export(name = ".kelpo_run")]]
Rcpp::List kelpo_run(Rcpp::IntegerMatrix cells, Rcpp::List options, int threads, bool power, bool progress) {
    using namespace kelpo;
    std::vector<std::string> warnings;
    const auto [matrix, settings] = r::rethrowAsR([&] {
        return std::pair{r::presenceMatrix(cells), r::analysisSettings(options, warnings)};
    });
    const std::int64_t testSteps = std::int64_t{kReplicates} * std::max(0, settings.iterations - 1);
    r::ConsoleProgress display(progress, testSteps);
    RunControl control(display.callback());
    const RunOptions runOptions{threads, power, true};
    const AnalysisResults results = r::runInterruptibly(
        control, display, [&] { return runAnalysis(matrix, settings, runOptions, control); });
    return r::rethrowAsR([&] {
        Rcpp::List list = r::resultsList(results, settings, power);
        list["setting_warnings"] = Rcpp::wrap(warnings);  // issued by the R side, where a warning may be an error
        return list;
    });
}
