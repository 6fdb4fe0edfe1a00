// The report byte for byte, its rules at their thresholds, the number texts it uses,
// and how the report is saved.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>
#include <string>
#include <vector>

#include "core/error.h"
#include "results/number_text.h"
#include "results/report.h"
#include "results/save_results.h"

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
        "P-VALUE", std::string(15, '-'), "P-Value: 0.0234", "95% confidence interval for p-value: 0.0125 < p < 0.05",
        "", "", "TYPE I ERROR RATES:  Null hypothesis rejection rates when the null hypothesis is true",
        std::string(129, '-'), "Size (alpha): Maximum Type I error rate.", "Nominal size = 0.050",
        "Actual size = 0.050", kTolerable, "", "",
        "TYPE II ERROR RATES:  Null hypothesis acceptance rates when the null hypothesis is false", std::string(137, '-'),
        "Power: Null hypothesis rejection rates when the null hypothesis is false (1 - Type II error rate).",
        "Minimum power = 0.050", "Maximum power = 0.900", kAdequate,
        "", "", "NULL HYPOTHESIS", std::string(31, '-'), "No Interactions Between Species",
        "", "", "ASSUMPTIONS", std::string(25, '-'), "[none]", "", "", "HYPOTHESIS TEST", std::string(32, '-'),
        "Fixed-Fixed Randomization Algorithm: Sum-of-Squares Reduction/Metropolis-Hastings Sequential Swap",
        "Random Number Seed: 0", "Numer of Iterations: 100000", "Degenerate Matrices: Retain",
        "Column Constraints: Fixed Sum", "Row Constraints: Fixed Sum", "Statistic (Co-occurrence Index): C-Score",
        "", "", "PRESENCE-ABSENCE MATRIX", std::string(49, '-'),
        "Matrix dimensions: 30 rows (species) x 20 columns (sites)", "File: dune.txt", "", "", "RAW RESULTS",
        std::string(25, '-'), "Number of Simulated Statistics Less than Observed Value: 12",
        "Number of Simulated Statistics Equal to Observed Value: 3", "Total Number of Simulated Statistics: 100000",
        "", "Value of Argument*\tElement of Null Hypothesis\tValue of Power Function",
        "(1,1)\t\tTrue\t\t\t0.050", "(2,7)\t\tFalse\t\t\t0.412", "(3,12)\t\tFalse\t\t\t0.900",
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

    EXPECT_THROW(powerExtreme({}, 0), Error);
}

TEST(Report, SectionsThatFollowTheChoicesAndSettings) {
    Fixture f;
    const std::string rule(25, '-');
    const struct { bool interactions, sites, species; std::vector<std::string> lines; } assumptions[] = {
        {true, false, true, {"50% of species interacting", "Species Equivalent"}},
        {false, true, false, {"Sites Equivalent"}}, {true, true, true, {"50% of species interacting",
        "Sites Equivalent", "Species Equivalent"}}, {false, false, false, {"[none]"}}};
    for (const auto& a : assumptions) {
        f.choices.interactionsChecked = a.interactions;
        f.choices.interactionProportionCaption = "50%";
        f.choices.sitesEquivalentChecked = a.sites;
        f.choices.speciesEquivalentChecked = a.species;
        std::vector<std::string> expected{"ASSUMPTIONS", rule};
        expected.insert(expected.end(), a.lines.begin(), a.lines.end());
        EXPECT_EQ(f.section("ASSUMPTIONS"), expected);
    }
    f.choices.nullHypothesisCaption.clear();  // an empty null hypothesis keeps its (empty) line
    EXPECT_EQ(f.section("NULL HYPOTHESIS"), (std::vector<std::string>{"NULL HYPOTHESIS", std::string(31, '-')}));
    EXPECT_EQ(f.lines().size(), Fixture().lines().size());
    // The File line only for a named matrix, always with ".txt" added.
    EXPECT_EQ(f.section("PRESENCE-ABSENCE MATRIX").size(), 3u);
    f.settings.fileName = "data.csv";
    EXPECT_EQ(f.section("PRESENCE-ABSENCE MATRIX").back(), "File: data.csv.txt");
    // Iterations are printed tenfold, up to the 32-bit limit.
    f.settings.iterations = 214748364;
    EXPECT_EQ(f.section("HYPOTHESIS TEST")[4], "Numer of Iterations: 2147483640");
    f.settings.iterations = 214748365;
    EXPECT_THROW((void)buildReport(f.results, f.settings, f.choices), Error);
}

TEST(Report, ChoicesFromSettings) {
    const struct { int h; bool interactions; int choice, id; const char *caption, *proportion, *statistic; } cases[] = {
        {2, true, 3, 2, "Sites Equivalent", "100%", "Number of Checkerboards"},
        {3, true, 2, 3, "Species Equivalent", "50%", "Number of Combinations"},
        {1, true, 1, 4, "No Interactions Between Species", "0%", "V-Ratio"}, {0, false, 3, 1, "", "", "C-Score"}};
    for (const auto& c : cases) {
        AnalysisSettings s;
        s.nullHypothesis = NullHypothesis(c.h);
        s.assumeInteractions = c.interactions;
        s.interactionChoice = InteractionChoice(c.choice);
        s.assumeSpeciesEquivalent = true;
        s.statisticId = StatisticId(c.id);
        s.speciesCount = 12;
        s.siteCount = 30;
        const ReportChoices r = ReportChoices::fromSettings(s);
        EXPECT_EQ(r.nullHypothesisCaption + "|" + r.interactionProportionCaption + "|" + r.statisticText + "|" +
                      r.rowsText + "x" + r.colsText, std::string(c.caption) + "|" + c.proportion + "|" + c.statistic + "|12x30");
        EXPECT_TRUE(r.interactionsChecked == c.interactions && r.speciesEquivalentChecked && !r.sitesEquivalentChecked);
    }
}

using Cases = std::vector<std::pair<double, std::string>>;

TEST(NumberText, GeneralText) {
    const Cases cases = {
        // No trailing zeros, a 0 before the point, up to 15 significant digits.
        {0.0234, "0.0234"}, {0.5, "0.5"}, {1.0, "1"}, {120.0, "120"}, {0.0, "0"}, {1000000.0, "1000000"},
        {0.1 + 0.2, "0.3"}, {1.0 / 3.0, "0.333333333333333"}, {123456789012345.0, "123456789012345"},
        // Exponent form below 1E-04 and from 1E+15.
        {0.0001, "0.0001"}, {0.00001, "1E-05"}, {0.000025, "2.5E-05"}, {1e15, "1E+15"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(generalNumberText(value), text) << text;
}

TEST(NumberText, FixedTextRoundsTheDecimalFormHalfAwayFromZero) {
    const Cases cases = {
        {0.0125, "0.013"},  // binary 0.0125 lies a hair above; 0.0135 below
        {0.0135, "0.014"},
        {1.0005, "1.001"},  // the double is 1.000499999...
        {0.05, "0.050"}, {0.0, "0.000"}, {1.0, "1.000"}, {0.9996, "1.000"}, {0.0004, "0.000"},
        {0.0005, "0.001"}, {0.00001, "0.000"}, {123.4567, "123.457"}, {-0.0125, "-0.013"}, {-0.0001, "0.000"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(fixedNumberText(value, 3), text) << value;
}

TEST(NumberText, PercentTextShiftsTheDecimalFormBeforeRounding) {
    const Cases cases = {
        {0.5, "50.0%"}, {0.15, "15.0%"}, {1.0, "100.0%"}, {0.12345, "12.3%"},
        {0.12355, "12.4%"}, {0.00049, "0.0%"}, {0.0005, "0.1%"}, {0.0, "0.0%"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(percentText(value), text) << value;
}

TEST(SaveResults, FileNameRule) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Results", "Results.txt"}, {"a.txt", "a.txt"}, {"report.TXT", "report.TXT.txt"}, {"x.txt.bak", "x.bak.txt"},
        {"a..txttxt", "a.txt.txt"},  // one pass: what the removal joins stays
        {std::string("Res\0ults", 8), "Results.txt"}, {"  /tmp/out .txt  ", "/tmp/out.txt"},
        {"/home/me/notes.txt/run.txt", "/home/me/notes.txt/run.txt"}, {"C:\\data.txt\\run", "C:\\data.txt\\run.txt"}, {"", ""}};
    for (const auto& [path, expected] : cases) EXPECT_EQ(resultsFilePath(path), expected) << path;
}

TEST(SaveResults, WritesExactlyReplacesAndReportsFailures) {
    const auto folder = std::filesystem::temp_directory_path() / "kelpo_save_results.txt";
    std::filesystem::create_directories(folder);
    const auto file = folder / "Results.txt";
    writeResultsFile(file.string(), "an older and longer text");
    const std::string report = "P-VALUE\r\n\tx\r\n*Defined in Kelpo Help.";
    writeResultsFile(file.string(), report);
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), report);

    EXPECT_THROW(writeResultsFile((folder / "missing" / "Results.txt").string(), "x"), Error);
    EXPECT_THROW(writeResultsFile(folder.string(), "x"), Error);  // a folder in the way
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_THROW(writeResultsFile("/dev/full", std::string(1 << 16, 'x')), Error);  // full disk
    }
    std::filesystem::remove_all(folder);
}

}  // namespace kelpo
