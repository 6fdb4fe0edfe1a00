// Runs the real kelpo-cli binary in a scratch folder of its own and checks what it
// prints, writes and returns, for clean runs and for every kind of refusal.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace {

using namespace kelpo_cli_test;

const std::string kError10 = "Error 10: Number of iterations must be an integer greater than 0.";
const std::string kError12 = "Error 12: Random seed must be an integer greater than 0";

class KelpoCli : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        small_ = write("small.txt", kSmallMatrix);
    }
    std::string small_;
};

TEST_F(KelpoCli, CleanRunPrintsAndWritesTheReportAndJsonAndWarnsAboutSmallNumbers) {
    const RunResult result = run({"--iterations", "1000", "--matrices", "2", "--progress", "--output",
                                  path("report.txt"), "--json", path("r.json"), "--statistic", "checkerboards",
                                  "--null", "sites", "--assume-interactions", "50", "--assume-species-equivalent",
                                  "--seed", "7", small_});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.rfind("P-VALUE\r\n---------------\r\nP-Value: ", 0), 0u);
    EXPECT_TRUE(result.out.ends_with("\r\n*Defined in Kelpo Help.\r\n"));
    for (const char* part : {"\r\nMatrix dimensions: 4 rows (species) x 5 columns (sites)\r\nFile: small.txt\r\n",
                             "\r\nNumer of Iterations: 1000\r\n", "\r\nSites Equivalent\r\n",
                             "\r\n50% of species interacting\r\nSpecies Equivalent\r\n\r\n"}) {
        EXPECT_TRUE(contains(result.out, part)) << part;
    }
    EXPECT_EQ(readAll(path("report.txt")) + "\r\n", result.out);  // the file has no final line end
    const std::size_t warning11 = result.err.find("fewer than 100 iterations"), warning13 = result.err.find("(Error 13)");
    EXPECT_TRUE(warning11 < warning13 && warning13 != std::string::npos) << result.err;
    // Progress is drawn in place on standard error: 5 rows of 2 matrices, then the hypothesis test.
    EXPECT_TRUE(contains(result.err, "\r[") && contains(result.err, "] 100%  Simulation: 11 of 11")) << result.err;
    const nlohmann::json json = nlohmann::json::parse(readAll(path("r.json")));
    EXPECT_EQ(json["species"], 4);
    EXPECT_EQ(json["sites"], 5);
    EXPECT_EQ(json["statistic"], "Number of Checkerboards");
    const nlohmann::json settings = {
        {"file_name", "small"}, {"null_hypothesis", "sites"}, {"statistic", "checkerboards"},
        {"iterations", 100}, {"matrices_per_distribution", 2}, {"simulation_seed", 7},
        {"assume_interactions", true}, {"interaction_percent", 50}, {"assume_species_equivalent", true},
        {"assume_sites_equivalent", false}};
    for (const auto& [key, value] : settings.items()) EXPECT_EQ(json["settings"][key], value) << key;
    ASSERT_EQ(json["power_table"].size(), 5u);
    EXPECT_EQ(json["power_table"][4]["distribution"], 5);
    for (const char* key : {"observed", "simulated_mean", "p_value", "ci_low", "ci_high", "less", "equal"})
        EXPECT_TRUE(json[key].is_number()) << key;
    const double sd = json["simulated_sd"];
    if (sd > 0) EXPECT_NEAR(json["ses"].get<double>(), (json["observed"].get<double>() - json["simulated_mean"].get<double>()) / sd, 1e-12);
    else EXPECT_TRUE(json["ses"].is_null());
}

TEST_F(KelpoCli, IterationsAreStoredAsATenthWithWarningsBelowTheirBoundaries) {
    // The warning boundaries and the stored tenth, rounded half to even.
    const struct { const char *matrices, *total; int tenth; bool warn11, warn13; } numbers[] = {
        {"100", "25000", 2500, false, false}, {"99", "24999", 2500, true, true},
        {"100", "25005", 2500, false, false}, {"100", "25015", 2502, false, false}};
    for (const auto& c : numbers) {
        const RunResult r = run({"--no-power", "--json", path("r.json"), "--matrices", c.matrices, "--iterations", c.total, small_});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(contains(r.err, "(Error 11)") * 10 + contains(r.err, "(Error 13)"), c.warn11 * 10 + c.warn13) << c.total;
        const nlohmann::json json = nlohmann::json::parse(readAll(path("r.json")));
        EXPECT_EQ(json["settings"]["iterations"], c.tenth) << c.total;
        EXPECT_TRUE(json["power_table"].empty());
    }
    // A line with more fields than the header is refused, naming it, rather than read one way or another.
    const RunResult wide = run({"--iterations", "1000", "--matrices", "2", write("long.txt", "Species S1 S2\nA 1 0 1\nB 0 1\n")});
    EXPECT_EQ(wide.exitCode, 2) << wide.err;
    EXPECT_TRUE(contains(wide.err, "Line 3 has 3 fields where the first species line has 4.")) << wide.err;
}

TEST_F(KelpoCli, RefusedInputsGiveTheirMessagesAndExitCodesAndPrintNothing) {
    const std::string bad = write("bad.txt", "Species S1 S2 S3\nA 1 0 1\nB 0 2 1\nC 1 1 0\n");
    std::string blocks = "Species";
    // Two blocks of 250 species on their own 250 sites: a C-score of 3906250000.
    for (int col = 1; col <= 500; ++col) blocks += " S" + std::to_string(col);
    for (int row = 1; row <= 500; ++row) {
        blocks += "\r\nSp" + std::to_string(row);
        for (int col = 1; col <= 500; ++col) blocks += (row <= 250) == (col <= 250) ? " 1" : " 0";
    }
    fs::create_directory(path("taken.txt"));
    const std::string error07 = "Error 07: Error opening file.", error09 = "Error 09: invalid file name";
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    std::vector<Case> cases = {
        {{bad}, 2, "Error 05: Presence-absence matrix contains a non-binary entry in cell 2,2.  Aborting analysis."},
        {{"--no-power", write("nul.txt", std::string(5000, '\0'))}, 3, "is not a text file: byte 1"}, {{path("absent.txt")}, 3, error07}, {{"--iterations", "2147483640", path("absent.txt")}, 3, error07},
        {{"--output", path("no/such/folder/report.txt"), small_}, 3, error09},
        {{"--output", path("taken.txt"), small_}, 3, error09}, {{"--json", path("taken.txt"), small_}, 3, error09},
        {{"--seed=-1", small_}, 2, kError12}, {{"--assume-sites-equivalent", small_}, 2, "--null"},
        {{"--null", "interactions", "--assume-interactions", "0", small_}, 2, ""},
        {{"--null", "sites", "--assume-sites-equivalent", small_}, 2, ""},
        {{"--null", "species", "--assume-species-equivalent", small_}, 2, ""},
        {{"--assume-interactions", "25", small_}, 2, ""}, {{"--statistic", "vratios", small_}, 2, ""}, {{}, 2, ""}};
    const std::vector<std::tuple<std::string, std::vector<std::string>, std::string>> badNumbers = {
        {"--matrices", {"0", "-3", "12abc", "3000000000"}, kError10},
        {"--iterations", {"0", "abc", "", "2147483641"}, kError10},  // 2147483641: beyond ten 32-bit tenths
        {"--seed", {"x", "2147483648"}, kError12}};
    for (const auto& [option, values, message] : badNumbers)
        for (const std::string& value : values) cases.push_back({{option, value, small_}, 2, message});
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& arg : c.args) shown += arg.substr(0, 60) + ' ';
        const RunResult result = run(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << shown;
        EXPECT_TRUE(contains(result.err, c.message)) << shown << ": " << result.err;
        EXPECT_FALSE(contains(result.err, "Warning")) << shown;
        EXPECT_TRUE(result.out.empty()) << shown;
    }
    // A C-score beyond 32 bits is reported in full, not refused.
    const RunResult wide = run({"--no-power", "--iterations", "100", "--json", path("w.json"), write("blocks.txt", blocks)});
    EXPECT_EQ(wide.exitCode, 0) << wide.err;
    EXPECT_EQ(nlohmann::json::parse(readAll(path("w.json")))["observed"], 3906250000);
    // Outputs that fail only at the write: a full device, and standard output itself.
    for (const char* option : {"--output", "--json"}) {
        const RunResult full = run({"--no-power", "--iterations", "100", option, "/dev/full", small_});
        EXPECT_EQ(full.exitCode, 3) << option;
        EXPECT_TRUE(contains(full.err, error09)) << option << full.err;
    }
    EXPECT_EQ(run({"--no-power", "--iterations", "100", small_}, "/dev/full").exitCode, 3);
    EXPECT_TRUE(contains(run({"--help"}).out, "Exit codes"));
}

// Pairs: given lengths and the sampler in the JSON, the mixing line, and the warning that
// 30 samples cannot make a pair significant at FDR 0.05, naming the 39 that could.
TEST_F(KelpoCli, PairsReportTheirLengthsMixingAndTheSamplesTheFdrNeeds) {
    const RunResult few = run({"--pairs", "--samples", "30", "--burn-in", "5", "--thin", "3", "--sampler", "curveball",
                               "--json", path("p.json"), small_});
    ASSERT_EQ(few.exitCode, 0) << few.err;
    EXPECT_TRUE(contains(few.err, "Mixing: R-hat ") && contains(few.err, "At least 39 samples")) << few.err;
    const nlohmann::json json = nlohmann::json::parse(readAll(path("p.json")));
    EXPECT_EQ(json["settings"]["burn_in"], 5);
    EXPECT_EQ(json["settings"]["thin"], 3);
    EXPECT_EQ(json["settings"]["sampler"], "curveball");
    EXPECT_EQ(json["samples_needed"], 39);
    for (const char* key : {"rhat", "ess", "worst_pair_rhat"}) EXPECT_TRUE(json.contains(key)) << key;
    const RunResult measured = run({"--pairs", "--json", path("m.json"), small_});
    ASSERT_EQ(measured.exitCode, 0) << measured.err;
    const nlohmann::json settings = nlohmann::json::parse(readAll(path("m.json")))["settings"];
    EXPECT_TRUE(settings["thin_measured"] && settings["pilot_steps"] > 0) << settings;
    EXPECT_FALSE(contains(measured.err, "Warning")) << measured.err;
}

}  // namespace
