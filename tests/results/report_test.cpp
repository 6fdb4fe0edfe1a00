#include <gtest/gtest.h>

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

// Lines from `first` up to (not including) the next empty line.
std::vector<std::string> sectionAfter(const std::vector<std::string>& lines, const std::string& first) {
    std::vector<std::string> section;
    bool inside = false;
    for (const std::string& line : lines) {
        if (line == first) inside = true;
        if (!inside) continue;
        if (line.empty()) break;
        section.push_back(line);
    }
    return section;
}

PowerRow row(std::int32_t proportion, std::int32_t distribution, bool inNull, double rate) {
    return PowerRow{proportion, distribution, inNull, rate};
}

struct Fixture {
    AnalysisResults results;
    AnalysisSettings settings;
    ReportChoices choices;

    Fixture() {
        results.test = {0.0234, 0.0125, 0.05, 12.0, 3.0};
        results.powerTable = {row(1, 1, true, 0.05), row(2, 7, false, 0.412), row(3, 12, false, 0.9)};
        settings.iterations = 10000;
        choices.nullHypothesisCaption = "No Interactions Between Species";
        choices.rowsText = "30";
        choices.colsText = "20";
    }
    std::vector<std::string> lines() const { return splitLines(buildReport(results, settings, choices)); }
    std::vector<std::string> section(const std::string& first) const { return sectionAfter(lines(), first); }
};

const std::string kTolerable = "*****Test has tolerable Type I error rates.*****";
const std::string kBiased =
    "*****Warning: Test is biased. The null hypothesis will be rejected more often when it is true than when it "
    "is false.*****";
const std::string kAdequate = "*****Test has adequate power.*****";

std::string lowPowerLine(const std::string& percent) {
    return "*****Warning: Test has low power.  The null hypothesis will be rejected no more than " + percent +
           " of the time when it is false.*****";
}

}  // namespace

TEST(Report, WholeReportLineByLine) {
    Fixture f;
    f.settings.fileName = "dune";
    const std::vector<std::string> expected = {
        "P-VALUE",
        std::string(15, '-'),
        "P-Value: 0.0234",
        "95% confidence interval for p-value: 0.0125 < p < 0.05",
        "",
        "",
        "TYPE I ERROR RATES:  Null hypothesis rejection rates when the null hypothesis is true",
        std::string(129, '-'),
        "Size (alpha): Maximum Type I error rate.",
        "Nominal size = 0.050",
        "Actual size = 0.050",
        kTolerable,
        "",
        "",
        "TYPE II ERROR RATES:  Null hypothesis acceptance rates when the null hypothesis is false",
        std::string(137, '-'),
        "Power: Null hypothesis rejection rates when the null hypothesis is false (1 - Type II error rate).",
        "Minimum power = 0.050",
        "Maximum power = 0.900",
        kAdequate,
        "",
        "",
        "NULL HYPOTHESIS",
        std::string(31, '-'),
        "No Interactions Between Species",
        "",
        "",
        "ASSUMPTIONS",
        std::string(25, '-'),
        "[none]",
        "",
        "",
        "HYPOTHESIS TEST",
        std::string(32, '-'),
        "Fixed-Fixed Randomization Algorithm: Sum-of-Squares Reduction/Metropolis-Hastings Sequential Swap",
        "Random Number Seed: 0",
        "Numer of Iterations: 100000",
        "Degenerate Matrices: Retain",
        "Column Constraints: Fixed Sum",
        "Row Constraints: Fixed Sum",
        "Statistic (Co-occurrence Index): C-Score",
        "",
        "",
        "PRESENCE-ABSENCE MATRIX",
        std::string(49, '-'),
        "Matrix dimensions: 30 rows (species) x 20 columns (sites)",
        "File: dune.txt",
        "",
        "",
        "RAW RESULTS",
        std::string(25, '-'),
        "Number of Simulated Statistics Less than Observed Value: 12",
        "Number of Simulated Statistics Equal to Observed Value: 3",
        "Total Number of Simulated Statistics: 100000",
        "",
        "Value of Argument*\tElement of Null Hypothesis\tValue of Power Function",
        "(1,1)\t\tTrue\t\t\t0.050",
        "(2,7)\t\tFalse\t\t\t0.412",
        "(3,12)\t\tFalse\t\t\t0.900",
        "*Defined in Kelpo Help.",
    };
    const std::vector<std::string> actual = f.lines();
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "line " << i;
}

TEST(Report, EveryLineEndsWithCrLfExceptTheLast) {
    const Fixture f;
    const std::string text = buildReport(f.results, f.settings, f.choices);
    const std::string last = "*Defined in Kelpo Help.";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
    // No bare LF or CR anywhere: every LF is preceded by CR and every CR followed by LF.
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "at " << i;
        }
        if (text[i] == '\r') {
            EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "at " << i;
        }
    }
}

TEST(Report, TypeOneVerdictSwitchesAtExactlyFifteenPercent) {
    Fixture f;
    f.results.powerTable = {row(1, 1, true, 0.15), row(1, 2, false, 0.9)};
    EXPECT_EQ(f.section("Size (alpha): Maximum Type I error rate.").back(),
              "*****Warning: Test has high Type I error rates.  The null hypothesis will be rejected as much as "
              "15.0% of the time when it is true.*****");
    f.results.powerTable = {row(1, 1, true, 0.1499), row(1, 2, false, 0.9)};
    EXPECT_EQ(f.section("Size (alpha): Maximum Type I error rate.").back(), kTolerable);
}

TEST(Report, ActualSizeIsTheLargestRateInTheNullHypothesis) {
    Fixture f;
    f.results.powerTable = {row(1, 1, true, 0.02), row(1, 2, true, 0.0125), row(1, 3, false, 0.95)};
    const auto lines = f.section("Size (alpha): Maximum Type I error rate.");
    EXPECT_EQ(lines[2], "Actual size = 0.020");
    EXPECT_DOUBLE_EQ(actualSize(f.results.powerTable), 0.02);
}

TEST(Report, MaximumPowerOfExactlyFifteenPercentIsNotLow) {
    Fixture f;
    f.results.powerTable = {row(1, 1, true, 0.02), row(1, 2, false, 0.15), row(1, 3, false, 0.1)};
    EXPECT_EQ(f.section("Power: Null hypothesis rejection rates when the null hypothesis is false (1 - Type II "
                        "error rate).")
                  .back(),
              kAdequate);
    f.results.powerTable = {row(1, 1, true, 0.02), row(1, 2, false, 0.1499), row(1, 3, false, 0.1)};
    EXPECT_EQ(f.section("Power: Null hypothesis rejection rates when the null hypothesis is false (1 - Type II "
                        "error rate).")
                  .back(),
              lowPowerLine("15.0%"));
}

TEST(Report, MinimumPowerOfExactlyHalfTheSizeIsBiased) {
    Fixture f;
    f.results.powerTable = {row(1, 1, true, 0.1), row(1, 2, false, 0.05), row(1, 3, false, 0.8)};
    const auto lines = f.section("TYPE II ERROR RATES:  Null hypothesis acceptance rates when the null hypothesis "
                                 "is false");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3], "Minimum power = 0.050");
    EXPECT_EQ(lines[4], "Maximum power = 0.800");
    EXPECT_EQ(lines[5], kBiased);

    f.results.powerTable = {row(1, 1, true, 0.1), row(1, 2, false, 0.0500001), row(1, 3, false, 0.8)};
    EXPECT_EQ(f.section("Maximum power = 0.800").back(), kAdequate);
}

TEST(Report, BiasedAndLowPowerPrintBothWarningsInOrder) {
    Fixture f;
    f.results.powerTable = {row(1, 1, true, 0.12), row(1, 2, false, 0.0125), row(2, 3, false, 0.125)};
    const auto lines = f.section("TYPE II ERROR RATES:  Null hypothesis acceptance rates when the null hypothesis "
                                 "is false");
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[3], "Minimum power = 0.013");
    EXPECT_EQ(lines[4], "Maximum power = 0.125");
    EXPECT_EQ(lines[5], kBiased);
    EXPECT_EQ(lines[6], lowPowerLine("12.5%"));
}

TEST(Report, NoRowInTheNullHypothesisGivesSizeZero) {
    Fixture f;
    f.results.powerTable = {row(2, 1, false, 0.3), row(2, 2, false, 0.6)};
    auto typeOne = f.section("Size (alpha): Maximum Type I error rate.");
    EXPECT_EQ(typeOne[2], "Actual size = 0.000");
    EXPECT_EQ(typeOne[3], kTolerable);
    EXPECT_EQ(f.section("Maximum power = 0.600").back(), kAdequate);

    // Only a minimum power of 0 is then biased.
    f.results.powerTable = {row(2, 1, false, 0.0), row(2, 2, false, 0.6)};
    EXPECT_EQ(f.section("Maximum power = 0.600").back(), kBiased);
}

TEST(Report, EmptyPowerTableStillGivesAWholeReport) {
    Fixture f;
    f.results.powerTable.clear();
    const auto lines = f.lines();
    const auto typeTwo = f.section("Minimum power = 0.000");
    ASSERT_EQ(typeTwo.size(), 4u);
    EXPECT_EQ(typeTwo[1], "Maximum power = 0.000");
    EXPECT_EQ(typeTwo[2], kBiased);
    EXPECT_EQ(typeTwo[3], lowPowerLine("0.0%"));
    EXPECT_EQ(lines[lines.size() - 2], "Value of Argument*\tElement of Null Hypothesis\tValue of Power Function");
    EXPECT_EQ(lines.back(), "*Defined in Kelpo Help.");
    EXPECT_DOUBLE_EQ(powerExtreme({}, -1), 0.0);
    EXPECT_DOUBLE_EQ(powerExtreme({}, 1), 0.0);
    EXPECT_THROW(powerExtreme({}, 0), Error);
}

TEST(Report, AssumptionsSectionVariants) {
    Fixture f;
    f.choices.interactionsChecked = true;
    f.choices.interactionProportionCaption = "50%";
    f.choices.speciesEquivalentChecked = true;
    EXPECT_EQ(f.section("ASSUMPTIONS"),
              (std::vector<std::string>{"ASSUMPTIONS", std::string(25, '-'), "50% of species interacting",
                                        "Species Equivalent"}));

    f.choices.interactionsChecked = false;
    f.choices.speciesEquivalentChecked = false;
    f.choices.sitesEquivalentChecked = true;
    EXPECT_EQ(f.section("ASSUMPTIONS"),
              (std::vector<std::string>{"ASSUMPTIONS", std::string(25, '-'), "Sites Equivalent"}));

    f.choices.sitesEquivalentChecked = false;
    EXPECT_EQ(f.section("ASSUMPTIONS"), (std::vector<std::string>{"ASSUMPTIONS", std::string(25, '-'), "[none]"}));
}

TEST(Report, EmptyNullHypothesisLineStaysInPlace) {
    Fixture f;
    f.choices.nullHypothesisCaption.clear();
    const auto lines = f.lines();
    std::size_t i = 0;
    while (lines[i] != "NULL HYPOTHESIS") ++i;
    EXPECT_EQ(lines[i + 2], "");
    EXPECT_EQ(lines[i + 3], "");
    EXPECT_EQ(lines[i + 4], "");
    EXPECT_EQ(lines[i + 5], "ASSUMPTIONS");
}

TEST(Report, FileLineOnlyForANamedMatrix) {
    Fixture f;
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

TEST(Report, ChoicesFromSettingsShowWhatTheWindowWould) {
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
