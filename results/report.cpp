#include "results/report.h"

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/numbers.h"
#include "engine/hypothesis_test.h"
#include "results/number_text.h"

namespace kelpo {

namespace {

// One threshold serves both the Type I and the power rule.
constexpr double kWarningThreshold = 0.15;

using Lines = std::vector<std::string>;

std::string rule(std::size_t length) { return std::string(length, '-'); }

void addBlankLines(Lines& lines) {
    lines.emplace_back();
    lines.emplace_back();
}

void addPValueSection(Lines& lines, const HypothesisTestResult& test) {
    lines.emplace_back("P-VALUE");
    lines.push_back(rule(15));
    lines.push_back("P-Value: " + generalNumberText(test.pValue));
    lines.push_back("95% confidence interval for p-value: " + generalNumberText(test.ciLow) + " < p < " +
                    generalNumberText(test.ciHigh));
    addBlankLines(lines);
}

constexpr const char* kTypeOneTitle =
    "TYPE I ERROR RATES:  Null hypothesis rejection rates when the null hypothesis is true";
constexpr const char* kTypeTwoTitle =
    "TYPE II ERROR RATES:  Null hypothesis acceptance rates when the null hypothesis is false";

// Without a power table there is nothing to judge, and a verdict on zeros would mislead.
void addUnmeasuredSection(Lines& lines, const char* title, std::size_t ruleLength) {
    lines.emplace_back(title);
    lines.push_back(rule(ruleLength));
    lines.emplace_back("No power analysis was run, so these error rates were not measured.");
    addBlankLines(lines);
}

void addTypeOneSection(Lines& lines, double size) {
    lines.emplace_back(kTypeOneTitle);
    lines.push_back(rule(129));
    lines.emplace_back("Size (alpha): Maximum Type I error rate.");
    lines.emplace_back("Nominal size = 0.050");
    lines.push_back("Actual size = " + fixedNumberText(size, 3));
    if (size < kWarningThreshold) {
        lines.emplace_back("*****Test has tolerable Type I error rates.*****");
    } else {
        lines.push_back(
            "*****Warning: Test has high Type I error rates.  The null hypothesis will be rejected as much as " +
            percentText(size) + " of the time when it is true.*****");
    }
    addBlankLines(lines);
}

void addTypeTwoSection(Lines& lines, double size, double minPower, double maxPower) {
    lines.emplace_back(kTypeTwoTitle);
    lines.push_back(rule(137));
    lines.emplace_back(
        "Power: Null hypothesis rejection rates when the null hypothesis is false (1 - Type II error rate).");
    lines.push_back("Minimum power = " + fixedNumberText(minPower, 3));
    lines.push_back("Maximum power = " + fixedNumberText(maxPower, 3));
    const bool biased = minPower <= size / 2;
    const bool lowPower = maxPower < kWarningThreshold;
    if (biased) {
        lines.emplace_back(
            "*****Warning: Test is biased. The null hypothesis will be rejected more often when it is true than "
            "when it is false.*****");
    }
    if (lowPower) {
        lines.push_back(
            "*****Warning: Test has low power.  The null hypothesis will be rejected no more than " +
            percentText(maxPower) + " of the time when it is false.*****");
    }
    if (!biased && !lowPower) lines.emplace_back("*****Test has adequate power.*****");
    addBlankLines(lines);
}

void addNullHypothesisSection(Lines& lines, const ReportChoices& choices) {
    lines.emplace_back("NULL HYPOTHESIS");
    lines.push_back(rule(31));
    lines.push_back(choices.nullHypothesisCaption);
    addBlankLines(lines);
}

void addAssumptionsSection(Lines& lines, const ReportChoices& choices) {
    lines.emplace_back("ASSUMPTIONS");
    lines.push_back(rule(25));
    if (choices.interactionsChecked) {
        lines.push_back(choices.interactionProportionCaption + " of species interacting");
    }
    if (choices.sitesEquivalentChecked) lines.push_back(choices.sitesEquivalentCaption);
    if (choices.speciesEquivalentChecked) lines.push_back(choices.speciesEquivalentCaption);
    if (!choices.interactionsChecked && !choices.sitesEquivalentChecked && !choices.speciesEquivalentChecked) {
        lines.emplace_back("[none]");
    }
    addBlankLines(lines);
}

void addHypothesisTestSection(Lines& lines, const std::string& iterationsText, const ReportChoices& choices,
                              Sampler sampler) {
    lines.emplace_back("HYPOTHESIS TEST");
    lines.push_back(rule(32));
    // The desktop program always swaps; the command line may trade, and says so.
    lines.emplace_back(sampler == Sampler::Swap
                           ? "Fixed-Fixed Randomization Algorithm: Sum-of-Squares Reduction/Metropolis-Hastings "
                             "Sequential Swap"
                           : "Fixed-Fixed Randomization Algorithm: Sum-of-Squares Reduction/Curveball");
    lines.emplace_back("Random Number Seed: 0");  // fixed text: the seed in effect is not printed
    lines.push_back("Numer of Iterations: " + iterationsText);
    lines.emplace_back("Degenerate Matrices: Retain");
    lines.emplace_back("Column Constraints: Fixed Sum");
    lines.emplace_back("Row Constraints: Fixed Sum");
    lines.push_back("Statistic (Co-occurrence Index): " + choices.statisticText);
    addBlankLines(lines);
}

void addMatrixSection(Lines& lines, const AnalysisSettings& settings, const ReportChoices& choices) {
    lines.emplace_back("PRESENCE-ABSENCE MATRIX");
    lines.push_back(rule(49));
    lines.push_back("Matrix dimensions: " + choices.rowsText + " rows (species) x " + choices.colsText +
                    " columns (sites)");
    if (!settings.fileName.empty()) lines.push_back("File: " + settings.fileName + ".txt");
    addBlankLines(lines);
}

std::string powerRowLine(const PowerRow& row) {
    std::string line = "(";
    line += wholeNumberText(row.proportion);
    line += ",";
    line += wholeNumberText(row.distribution);
    line += ")\t\t";
    line += row.inNullHypothesis ? "True" : "False";
    line += "\t\t\t";
    line += fixedNumberText(row.rejectionRate, 3);
    return line;
}

void addRawResultsSection(Lines& lines, const AnalysisResults& results, const std::string& iterationsText) {
    lines.emplace_back("RAW RESULTS");
    lines.push_back(rule(25));
    lines.push_back("Number of Simulated Statistics Less than Observed Value: " +
                    generalNumberText(results.test.less));
    lines.push_back("Number of Simulated Statistics Equal to Observed Value: " +
                    generalNumberText(results.test.equal));
    lines.push_back("Total Number of Simulated Statistics: " + iterationsText);
    lines.emplace_back();
    lines.emplace_back("Value of Argument*\tElement of Null Hypothesis\tValue of Power Function");
    for (const PowerRow& row : results.powerTable) lines.push_back(powerRowLine(row));
    lines.emplace_back("*Defined in Kelpo Help.");
}

// Lines joined by CR LF: every line ends with one except the last.
std::string joinLines(const Lines& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += "\r\n";
        text += lines[i];
    }
    return text;
}

}  // namespace

double actualSize(const PowerTable& table) {
    double size = 0.0;
    for (const PowerRow& row : table) {
        if (row.inNullHypothesis) size = std::max(size, row.rejectionRate);
    }
    return size;
}

double powerExtreme(const PowerTable& table, int sign) {
    if (sign != 1 && sign != -1) {
        throw Error(ErrorKind::InvalidInput, "The sign of a power extreme must be +1 or -1, not " +
                                                 std::to_string(sign) + ".");
    }
    if (sign == 1) {
        double maxPower = 0.0;  // never below 0, even for an empty table
        for (const PowerRow& row : table) maxPower = std::max(maxPower, row.rejectionRate);
        return maxPower;
    }
    if (table.empty()) return 0.0;
    double minPower = table.front().rejectionRate;
    for (const PowerRow& row : table) minPower = std::min(minPower, row.rejectionRate);
    return minPower;
}

std::vector<std::string> reportWarnings(const std::string& report) {
    std::vector<std::string> warnings;
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

std::string buildReport(const AnalysisResults& results, const AnalysisSettings& settings,
                        const ReportChoices& choices) {
    // Computed first, so an overflow stops the report before any of it is built. A length
    // the chains found for themselves is what they kept, in 64 bits.
    const std::string iterationsText =
        results.test.mixing.autoLength
            ? wholeNumberText(results.test.mixing.iterationsKept * kReplicates)
            : wholeNumberText(checkedMultiply(settings.iterations, 10, "ten times the number of iterations"));
    const double size = actualSize(results.powerTable);
    Lines lines;
    addPValueSection(lines, results.test);
    if (choices.powerAnalysisRun) {
        addTypeOneSection(lines, size);
        addTypeTwoSection(lines, size, powerExtreme(results.powerTable, -1), powerExtreme(results.powerTable, 1));
    } else {
        addUnmeasuredSection(lines, kTypeOneTitle, 129);
        addUnmeasuredSection(lines, kTypeTwoTitle, 137);
    }
    addNullHypothesisSection(lines, choices);
    addAssumptionsSection(lines, choices);
    addHypothesisTestSection(lines, iterationsText, choices, results.sampler);
    addMatrixSection(lines, settings, choices);
    addRawResultsSection(lines, results, iterationsText);
    return joinLines(lines);
}

}  // namespace kelpo
