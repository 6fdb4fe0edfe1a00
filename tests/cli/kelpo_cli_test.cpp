// Runs the real kelpo-cli binary on small matrix files and checks what it prints,
// writes and returns.
#include <gtest/gtest.h>

#include "cli_runner.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace kelpo_cli_test;

const std::string kError10 = "Error 10: Number of iterations must be an integer greater than 0.";
const std::string kError12 = "Error 12: Random seed must be an integer greater than 0";
const std::string kWarning11 =
    "Warning: Simulating with fewer than 100 iterations may yield unreliable results. Continue? (Error 11)";
const std::string kWarning13 =
    "Warning: Fewer than 25000 iterations for the hypothesis test may yield unreliable results. Continue? "
    "(Error 13)";

class KelpoCli : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        write("small.txt", "Species S1 S2 S3 S4 S5\r\nA 1 0 1 0 1\r\nB 0 1 1 0 0\r\nC 1 1 0 1 0\r\nD 0 0 1 1 1\r\n\r\n");
    }
};

TEST_F(KelpoCli, CleanRunPrintsAndWritesTheReportAndWarnsAboutSmallNumbers) {
    const RunResult result = run({"--iterations", "1000", "--matrices", "2", "--progress", "--output",
                                  path("report.txt"), path("small.txt")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.rfind("P-VALUE\r\n---------------\r\nP-Value: ", 0), 0u);
    EXPECT_TRUE(result.out.ends_with("\r\n*Defined in Kelpo Help.\r\n"));
    for (const char* part : {"\r\nMatrix dimensions: 4 rows (species) x 5 columns (sites)\r\nFile: small.txt\r\n",
                             "\r\nNumer of Iterations: 1000\r\n", "\r\nStatistic (Co-occurrence Index): C-Score\r\n",
                             "\r\n[none]\r\n"}) {
        EXPECT_TRUE(contains(result.out, part)) << part;
    }
    // Twelve distributions times three proportions, all in an absent null hypothesis.
    std::size_t rows = 0;
    for (auto at = result.out.find("\t\tTrue\t\t\t"); at != std::string::npos;
         at = result.out.find("\t\tTrue\t\t\t", at + 1)) {
        ++rows;
    }
    EXPECT_EQ(rows, 36u);
    // The saved file holds the same bytes, without the final line end.
    EXPECT_EQ(readAll(path("report.txt")) + "\r\n", result.out);
    EXPECT_LT(result.err.find(kWarning11), result.err.find(kWarning13));
    EXPECT_NE(result.err.find(kWarning13), std::string::npos);
    // Progress is drawn in place on standard error: 36 rows of 2 matrices, then the hypothesis test.
    EXPECT_TRUE(contains(result.err, "\r["));
    EXPECT_TRUE(contains(result.err, "] 100%  Simulation: 73 of 73"));
    EXPECT_TRUE(result.err.ends_with("\n"));
    EXPECT_FALSE(contains(result.out, "Simulation:"));
}

TEST_F(KelpoCli, JsonHoldsSettingsResultsAndThePowerTable) {
    const RunResult result = run({"--iterations", "1000", "--matrices", "2", "--json", path("r.json"),
                                  "--statistic", "checkerboards", "--null", "sites", "--assume-interactions", "50",
                                  "--assume-species-equivalent", "--seed", "7", path("small.txt")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const nlohmann::json json = nlohmann::json::parse(readAll(path("r.json")));
    for (const char* key : {"settings", "species", "sites", "statistic", "observed", "simulated_mean",
                            "simulated_sd", "ses", "p_value", "ci_low", "ci_high", "less", "equal", "power_table"}) {
        EXPECT_TRUE(json.contains(key)) << key;
    }
    EXPECT_EQ(json["species"], 4);
    EXPECT_EQ(json["sites"], 5);
    EXPECT_EQ(json["statistic"], "Number of Checkerboards");
    const nlohmann::json settings = {
        {"file_name", "small"}, {"null_hypothesis", "sites"}, {"statistic", "checkerboards"},
        {"iterations", 100}, {"matrices_per_distribution", 2}, {"simulation_seed", 7},
        {"assume_interactions", true}, {"interaction_percent", 50}, {"assume_species_equivalent", true},
        {"assume_sites_equivalent", false},
    };
    for (const auto& [key, value] : settings.items()) EXPECT_EQ(json["settings"][key], value) << key;
    ASSERT_TRUE(json["power_table"].is_array());
    ASSERT_FALSE(json["power_table"].empty());
    for (const char* key : {"proportion", "distribution", "in_null", "rejection_rate"}) {
        EXPECT_TRUE(json["power_table"][0].contains(key)) << key;
    }
    const double sd = json["simulated_sd"];
    if (sd > 0) {
        const double expected = (json["observed"].get<double>() - json["simulated_mean"].get<double>()) / sd;
        EXPECT_NEAR(json["ses"].get<double>(), expected, 1e-12);
    } else {
        EXPECT_TRUE(json["ses"].is_null());
    }
    // The report shows the same choices.
    EXPECT_TRUE(contains(result.out, "NULL HYPOTHESIS\r\n" + std::string(31, '-') + "\r\nSites Equivalent\r\n"));
    EXPECT_TRUE(contains(result.out, std::string(25, '-') +
                                         "\r\n50% of species interacting\r\nSpecies Equivalent\r\n\r\n"));
}

TEST_F(KelpoCli, SameSeedGivesTheSameNumbersWhateverTheThreads) {
    // A 10 x 12 matrix with a fixed irregular pattern: enough room for the seed to matter.
    std::ostringstream text;
    text << "Species";
    for (int j = 1; j <= 12; ++j) text << " Site" << j;
    for (int i = 1; i <= 10; ++i) {
        text << "\nSp" << i;
        for (int j = 1; j <= 12; ++j) text << ' ' << (((i * 7 + j * 3 + i * j) % 5) < 2 ? 1 : 0);
    }
    write("medium.txt", text.str() + "\n");
    const auto runWith = [&](const char* seed, const char* threads) {
        const RunResult result = run({"--iterations", "1000", "--matrices", "4", "--seed", seed, "--threads",
                                      threads, path("medium.txt")});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result.out;
    };
    const std::string one = runWith("11", "1");
    EXPECT_EQ(one, runWith("11", "2"));
    EXPECT_NE(one, runWith("12", "2"));
}

TEST_F(KelpoCli, IterationsAreStoredAsATenthRoundedHalfToEvenAndNoPowerKeepsTheReport) {
    const RunResult down = run({"--no-power", "--json", path("r.json"), "--iterations", "25005", path("small.txt")});
    ASSERT_EQ(down.exitCode, 0) << down.err;
    EXPECT_TRUE(contains(down.out, "\r\nNumer of Iterations: 25000\r\n"));
    EXPECT_TRUE(contains(down.out, "\r\nTotal Number of Simulated Statistics: 25000\r\n"));
    EXPECT_FALSE(contains(down.err, kWarning13));
    EXPECT_FALSE(contains(down.out, "Actual size"));  // nothing measured, nothing judged
    EXPECT_TRUE(down.out.ends_with(
        "Value of Argument*\tElement of Null Hypothesis\tValue of Power Function\r\n*Defined in Kelpo Help.\r\n"));
    EXPECT_TRUE(nlohmann::json::parse(readAll(path("r.json")))["power_table"].empty());
    const RunResult up = run({"--no-power", "--iterations", "25015", path("small.txt")});
    ASSERT_EQ(up.exitCode, 0) << up.err;
    EXPECT_TRUE(contains(up.out, "\r\nNumer of Iterations: 25020\r\n"));
}

// A line with more fields than the header: the run goes on, as in the window, and says why.
TEST_F(KelpoCli, CellsBeyondTheHeaderAreTestedWithANote) {
    const std::string file = write("long.txt", "Species S1 S2\nA 1 0 1\nB 0 1\n");
    const RunResult result = run({"--iterations", "1000", "--matrices", "2", file});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(contains(result.out, "Matrix dimensions: 2 rows (species) x 2 columns (sites)"));
    EXPECT_TRUE(contains(result.err, "2 site names, but its cells span 2 rows and 3 columns")) << result.err;
}

TEST_F(KelpoCli, RefusedInputsGiveTheirMessagesAndExitCodes) {
    write("bad.txt", "Species S1 S2 S3\nA 1 0 1\nB 0 2 1\nC 1 1 0\n");
    const std::string small = path("small.txt");
    const std::string absent = path("absent.txt");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    std::vector<Case> cases = {
        {{path("bad.txt")}, 2, "Error 05: Presence-absence matrix contains a non-binary entry in cell "},
        {{path("bad.txt")}, 2, ".  Aborting analysis."},
        {{absent}, 3, "Error 07: Error opening file."},  // default numbers: checked, no warning
        {{"--output", path("no/such/folder/report.txt"), small}, 3, "Error 09: invalid file name"},
        {{"--iterations", "2147483640", absent}, 3, "Error 07"},  // the largest total passes
        {{"--seed=-1", small}, 2, kError12},
        // Assumptions follow the window's rules.
        {{"--assume-sites-equivalent", small}, 2, "--null"},
        {{"--null", "interactions", "--assume-interactions", "0", small}, 2, ""},
        {{"--null", "sites", "--assume-sites-equivalent", small}, 2, ""},
        {{"--null", "species", "--assume-species-equivalent", small}, 2, ""},
        {{"--assume-interactions", "25", small}, 2, ""},
        {{"--statistic", "vratios", small}, 2, ""},
        {{}, 2, ""},
    };
    const std::vector<std::tuple<std::string, std::vector<std::string>, std::string>> badNumbers = {
        {"--matrices", {"0", "-3", "12abc", "3000000000"}, kError10},
        {"--iterations", {"0", "abc", "", "2147483641"}, kError10},  // 2147483641: beyond ten 32-bit tenths
        {"--seed", {"x", "2147483648"}, kError12},
    };
    for (const auto& [option, values, message] : badNumbers) {
        for (const std::string& value : values) cases.push_back({{option, value, small}, 2, message});
    }
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& arg : c.args) shown += arg + ' ';
        const RunResult result = run(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << shown;
        EXPECT_TRUE(contains(result.err, c.message)) << shown << ": " << result.err;
        EXPECT_FALSE(contains(result.err, "Warning")) << shown;
        EXPECT_TRUE(result.out.empty()) << shown;
    }
}

TEST_F(KelpoCli, Help) {
    const RunResult help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(contains(help.out, "Exit codes"));
    EXPECT_TRUE(contains(help.out, "--no-power"));
}

}  // namespace
