#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/error.h"
#include "results/report.h"

namespace kelpo {
namespace {

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    lines.push_back(text.substr(start));
    return lines;
}

struct Fixture {
    AnalysisResults results;
    AnalysisSettings settings;
    ReportChoices choices;

    Fixture() {
        results.test = {0.0234, 0.0125, 0.05, 12.0, 3.0};
        results.powerTable = {{1, 1, true, 0.05}, {2, 7, false, 0.412}, {3, 12, false, 0.9}};
        settings.iterations = 10000;
        choices.nullHypothesisCaption = "No Interactions Between Species";
        choices.rowsText = "30";
        choices.colsText = "20";
    }
    std::vector<std::string> lines() const { return splitLines(buildReport(results, settings, choices)); }
    // The line `first` and the lines after it up to the next empty line.
    std::vector<std::string> section(const std::string& first) const {
        const std::vector<std::string> all = lines();
        const auto begin = std::find(all.begin(), all.end(), first);
        return {begin, std::find(begin, all.end(), std::string())};
    }
};

const std::string kTolerable = "*****Test has tolerable Type I error rates.*****";
const std::string kHighTypeOne =
    "*****Warning: Test has high Type I error rates.  The null hypothesis will be rejected as much as 15.0% of "
    "the time when it is true.*****";
const std::string kBiased =
    "*****Warning: Test is biased. The null hypothesis will be rejected more often when it is true than when it "
    "is false.*****";
const std::string kAdequate = "*****Test has adequate power.*****";

std::string lowPowerLine(const std::string& percent) {
    return "*****Warning: Test has low power.  The null hypothesis will be rejected no more than " + percent +
           " of the time when it is false.*****";
}

// Rows inside and outside the null hypothesis; the warnings look at nothing else.
PowerRow in(double rate) { return {1, 1, true, rate}; }
PowerRow out(double rate) { return {1, 2, false, rate}; }

}  // namespace

TEST(Report, WholeReportByteForByte) {
    Fixture f;
    f.settings.fileName = "dune";
    const std::vector<std::string> expected = {
        "P-VALUE", std::string(15, '-'),
        "P-Value: 0.0234",
        "95% confidence interval for p-value: 0.0125 < p < 0.05",
        "", "", "TYPE I ERROR RATES:  Null hypothesis rejection rates when the null hypothesis is true",
        std::string(129, '-'),
        "Size (alpha): Maximum Type I error rate.",
        "Nominal size = 0.050", "Actual size = 0.050", kTolerable,
        "", "", "TYPE II ERROR RATES:  Null hypothesis acceptance rates when the null hypothesis is false",
        std::string(137, '-'),
        "Power: Null hypothesis rejection rates when the null hypothesis is false (1 - Type II error rate).",
        "Minimum power = 0.050", "Maximum power = 0.900", kAdequate,
        "", "", "NULL HYPOTHESIS", std::string(31, '-'), "No Interactions Between Species",
        "", "", "ASSUMPTIONS", std::string(25, '-'), "[none]",
        "", "", "HYPOTHESIS TEST", std::string(32, '-'),
        "Fixed-Fixed Randomization Algorithm: Sum-of-Squares Reduction/Metropolis-Hastings Sequential Swap",
        "Random Number Seed: 0",
        "Numer of Iterations: 100000",
        "Degenerate Matrices: Retain",
        "Column Constraints: Fixed Sum",
        "Row Constraints: Fixed Sum",
        "Statistic (Co-occurrence Index): C-Score",
        "", "", "PRESENCE-ABSENCE MATRIX", std::string(49, '-'),
        "Matrix dimensions: 30 rows (species) x 20 columns (sites)",
        "File: dune.txt",
        "", "", "RAW RESULTS", std::string(25, '-'),
        "Number of Simulated Statistics Less than Observed Value: 12",
        "Number of Simulated Statistics Equal to Observed Value: 3",
        "Total Number of Simulated Statistics: 100000",
        "", "Value of Argument*\tElement of Null Hypothesis\tValue of Power Function",
        "(1,1)\t\tTrue\t\t\t0.050",
        "(2,7)\t\tFalse\t\t\t0.412",
        "(3,12)\t\tFalse\t\t\t0.900",
        "*Defined in Kelpo Help.",
    };
    // Split at CR LF only: a bare CR or LF, or a line end after the last line, breaks the match.
    const std::vector<std::string> actual = f.lines();
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "line " << i;
}

TEST(Report, WarningThresholds) {
    struct Case {
        PowerTable table;
        std::string size, typeOneVerdict, minimum, maximum;
        std::vector<std::string> typeTwoVerdicts;
    };
    const std::vector<Case> cases = {
        // Actual size of exactly 0.15 is high; just below is tolerable.
        {{in(0.15), out(0.9)}, "0.150", kHighTypeOne, "0.150", "0.900", {kAdequate}},
        {{in(0.1499), out(0.9)}, "0.150", kTolerable, "0.150", "0.900", {kAdequate}},
        // The actual size is the largest rate inside the null hypothesis.
        {{in(0.02), in(0.0125), out(0.95)}, "0.020", kTolerable, "0.013", "0.950", {kAdequate}},
        // A maximum power of exactly 0.15 is not low; just below is.
        {{in(0.02), out(0.15), out(0.1)}, "0.020", kTolerable, "0.020", "0.150", {kAdequate}},
        {{in(0.02), out(0.1499), out(0.1)}, "0.020", kTolerable, "0.020", "0.150", {lowPowerLine("15.0%")}},
        // A minimum power of exactly half the actual size is biased, with no adequate line.
        {{in(0.1), out(0.05), out(0.8)}, "0.100", kTolerable, "0.050", "0.800", {kBiased}},
        {{in(0.1), out(0.0500001), out(0.8)}, "0.100", kTolerable, "0.050", "0.800", {kAdequate}},
        // Biased and low power: both warnings, in this order.
        {{in(0.12), out(0.0125), out(0.125)}, "0.120", kTolerable, "0.013", "0.125",
         {kBiased, lowPowerLine("12.5%")}},
        // No row in the null hypothesis: size 0, and only a minimum power of 0 is biased.
        {{out(0.3), out(0.6)}, "0.000", kTolerable, "0.300", "0.600", {kAdequate}},
        {{out(0.0), out(0.6)}, "0.000", kTolerable, "0.000", "0.600", {kBiased}},
        {{}, "0.000", kTolerable, "0.000", "0.000", {kBiased, lowPowerLine("0.0%")}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        Fixture f;
        f.results.powerTable = c.table;
        EXPECT_EQ(f.section("Actual size = " + c.size), (std::vector<std::string>{"Actual size = " + c.size,
                                                                                   c.typeOneVerdict}))
            << "case " << i;
        std::vector<std::string> typeTwo = {"Minimum power = " + c.minimum, "Maximum power = " + c.maximum};
        typeTwo.insert(typeTwo.end(), c.typeTwoVerdicts.begin(), c.typeTwoVerdicts.end());
        EXPECT_EQ(f.section(typeTwo.front()), typeTwo) << "case " << i;
    }

    // An empty power table still ends the report with the table header and the footnote.
    Fixture empty;
    empty.results.powerTable.clear();
    const auto lines = empty.lines();
    EXPECT_EQ(lines[lines.size() - 2], "Value of Argument*\tElement of Null Hypothesis\tValue of Power Function");
    EXPECT_EQ(lines.back(), "*Defined in Kelpo Help.");
    EXPECT_THROW(powerExtreme({}, 0), Error);
}

TEST(Report, SectionsThatFollowTheChoices) {
    Fixture f;
    const std::string rule(25, '-');
    f.choices.interactionsChecked = true;
    f.choices.interactionProportionCaption = "50%";
    f.choices.speciesEquivalentChecked = true;
    EXPECT_EQ(f.section("ASSUMPTIONS"),
              (std::vector<std::string>{"ASSUMPTIONS", rule, "50% of species interacting", "Species Equivalent"}));
    f.choices.interactionsChecked = false;
    f.choices.speciesEquivalentChecked = false;
    f.choices.sitesEquivalentChecked = true;
    EXPECT_EQ(f.section("ASSUMPTIONS"), (std::vector<std::string>{"ASSUMPTIONS", rule, "Sites Equivalent"}));

    // An empty null hypothesis keeps its (empty) line.
    f.choices.nullHypothesisCaption.clear();
    const auto lines = f.lines();
    const auto at = std::find(lines.begin(), lines.end(), "NULL HYPOTHESIS");
    ASSERT_GE(lines.end() - at, 6);
    EXPECT_EQ(std::vector<std::string>(at + 2, at + 6), (std::vector<std::string>{"", "", "", "ASSUMPTIONS"}));

    // The File line only for a named matrix, always with ".txt" added.
    EXPECT_EQ(f.section("PRESENCE-ABSENCE MATRIX").size(), 3u);
    f.settings.fileName = "data.csv";
    EXPECT_EQ(f.section("PRESENCE-ABSENCE MATRIX").back(), "File: data.csv.txt");
}

TEST(Report, IterationsArePrintedTenfoldAndOverflowIsRefused) {
    Fixture f;
    f.settings.iterations = 214748364;
    EXPECT_EQ(f.section("HYPOTHESIS TEST")[4], "Numer of Iterations: 2147483640");
    f.settings.iterations = 214748365;
    try {
        (void)buildReport(f.results, f.settings, f.choices);
        FAIL() << "expected an overflow";
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::Overflow);
    }
}

TEST(Report, ChoicesFromSettings) {
    AnalysisSettings settings;
    settings.nullHypothesis = NullHypothesis::SitesEquivalent;
    settings.assumeInteractions = true;
    settings.interactionChoice = InteractionChoice::All;
    settings.assumeSpeciesEquivalent = true;
    settings.statisticId = StatisticId::Checkerboards;
    settings.speciesCount = 12;
    settings.siteCount = 30;
    const ReportChoices choices = ReportChoices::fromSettings(settings);
    EXPECT_EQ(choices.nullHypothesisCaption, "Sites Equivalent");
    EXPECT_TRUE(choices.interactionsChecked);
    EXPECT_EQ(choices.interactionProportionCaption, "100%");
    EXPECT_FALSE(choices.sitesEquivalentChecked);
    EXPECT_TRUE(choices.speciesEquivalentChecked);
    EXPECT_EQ(choices.statisticText, "Number of Checkerboards");
    EXPECT_EQ(choices.rowsText, "12");
    EXPECT_EQ(choices.colsText, "30");

    settings.nullHypothesis = NullHypothesis::None;
    settings.assumeInteractions = false;
    const ReportChoices none = ReportChoices::fromSettings(settings);
    EXPECT_EQ(none.nullHypothesisCaption, "");
    EXPECT_EQ(none.interactionProportionCaption, "");
    EXPECT_FALSE(none.interactionsChecked);
}

}  // namespace kelpo
