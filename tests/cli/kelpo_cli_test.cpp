// Runs the real kelpo-cli binary on small matrix files and checks what it prints,
// writes and returns.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kError10 = "Error 10: Number of iterations must be an integer greater than 0.";
const std::string kError12 = "Error 12: Random seed must be an integer greater than 0";
const std::string kWarning11 =
    "Warning: Simulating with fewer than 100 iterations may yield unreliable results. Continue? (Error 11)";
const std::string kWarning13 =
    "Warning: Fewer than 25000 iterations for the hypothesis test may yield unreliable results. Continue? "
    "(Error 13)";

std::string readAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
}

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    out += '\'';
    return out;
}

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class KelpoCli : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("kelpo_cli_" + std::string(info->name()) + "_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        writeText(dir_ / "small.txt",
                  "Species S1 S2 S3 S4 S5\r\nA 1 0 1 0 1\r\nB 0 1 1 0 0\r\nC 1 1 0 1 0\r\nD 0 0 1 1 1\r\n\r\n");
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path path(const std::string& name) const { return dir_ / name; }

    // A 10 x 12 matrix with a fixed irregular pattern: enough room for the seed to matter.
    fs::path mediumMatrix() const {
        std::ostringstream text;
        text << "Species";
        for (int j = 1; j <= 12; ++j) text << " Site" << j;
        text << "\n";
        for (int i = 1; i <= 10; ++i) {
            text << "Sp" << i;
            for (int j = 1; j <= 12; ++j) text << ' ' << (((i * 7 + j * 3 + i * j) % 5) < 2 ? 1 : 0);
            text << "\n";
        }
        writeText(path("medium.txt"), text.str());
        return path("medium.txt");
    }

    RunResult run(const std::vector<std::string>& args) const {
        std::string command = quoted(KELPO_BINARY_DIR "/cli/kelpo-cli");
        for (const std::string& arg : args) {
            command += ' ';
            command += quoted(arg);
        }
        command += " >";
        command += quoted(path("stdout").string());
        command += " 2>";
        command += quoted(path("stderr").string());
        const int status = std::system(command.c_str());
        RunResult result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = readAll(path("stdout"));
        result.err = readAll(path("stderr"));
        return result;
    }

    // The quick run most tests start from.
    RunResult quickRun(const std::vector<std::string>& extra) const {
        std::vector<std::string> args = {"--iterations", "1000", "--matrices", "2"};
        args.insert(args.end(), extra.begin(), extra.end());
        return run(args);
    }

    fs::path dir_;
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(KelpoCli, CleanRunPrintsTheReportAndWarnsAboutSmallNumbers) {
    const RunResult result = quickRun({path("small.txt").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.rfind("P-VALUE\r\n---------------\r\nP-Value: ", 0), 0u);
    EXPECT_TRUE(result.out.ends_with("\r\n*Defined in Kelpo Help.\r\n"));
    EXPECT_TRUE(contains(result.out, "\r\nMatrix dimensions: 4 rows (species) x 5 columns (sites)\r\nFile: small.txt\r\n"));
    EXPECT_TRUE(contains(result.out, "\r\nNumer of Iterations: 1000\r\n"));
    EXPECT_TRUE(contains(result.out, "\r\nStatistic (Co-occurrence Index): C-Score\r\n"));
    EXPECT_TRUE(contains(result.out, "\r\n[none]\r\n"));
    // Twelve distributions times three proportions, all in an absent null hypothesis.
    std::size_t rows = 0;
    for (std::size_t at = result.out.find("\t\tTrue\t\t\t"); at != std::string::npos;
         at = result.out.find("\t\tTrue\t\t\t", at + 1)) {
        ++rows;
    }
    EXPECT_EQ(rows, 36u);
    EXPECT_TRUE(contains(result.err, kWarning11));
    EXPECT_TRUE(contains(result.err, kWarning13));
    EXPECT_LT(result.err.find(kWarning11), result.err.find(kWarning13));
}

TEST_F(KelpoCli, DefaultNumbersGiveNoWarning) {
    // Checked numbers, then the missing file stops the run before any simulation.
    const RunResult result = run({path("absent.txt").string()});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_FALSE(contains(result.err, "Warning"));
}

TEST_F(KelpoCli, OutputFileHoldsTheExactReportBytes) {
    const RunResult result = quickRun({"--output", path("report.txt").string(), path("small.txt").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string written = readAll(path("report.txt"));
    EXPECT_EQ(written + "\r\n", result.out);
    EXPECT_TRUE(written.ends_with("*Defined in Kelpo Help."));
}

TEST_F(KelpoCli, JsonHoldsSettingsResultsAndThePowerTable) {
    const RunResult result = quickRun({"--json", path("r.json").string(), "--statistic", "checkerboards",
                                       "--null", "sites", "--assume-interactions", "50",
                                       "--assume-species-equivalent", "--seed", "7", path("small.txt").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const nlohmann::json json = nlohmann::json::parse(readAll(path("r.json")));
    for (const char* key : {"settings", "species", "sites", "statistic", "observed", "simulated_mean",
                            "simulated_sd", "ses", "p_value", "ci_low", "ci_high", "less", "equal", "power_table"}) {
        EXPECT_TRUE(json.contains(key)) << key;
    }
    EXPECT_EQ(json["species"], 4);
    EXPECT_EQ(json["sites"], 5);
    EXPECT_EQ(json["statistic"], "Number of Checkerboards");
    const nlohmann::json& settings = json["settings"];
    EXPECT_EQ(settings["file_name"], "small");
    EXPECT_EQ(settings["null_hypothesis"], "sites");
    EXPECT_EQ(settings["statistic"], "checkerboards");
    EXPECT_EQ(settings["iterations"], 100);
    EXPECT_EQ(settings["matrices_per_distribution"], 2);
    EXPECT_EQ(settings["simulation_seed"], 7);
    EXPECT_EQ(settings["assume_interactions"], true);
    EXPECT_EQ(settings["interaction_percent"], 50);
    EXPECT_EQ(settings["assume_species_equivalent"], true);
    EXPECT_EQ(settings["assume_sites_equivalent"], false);
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

TEST_F(KelpoCli, ProgressIsDrawnInPlaceOnStandardError) {
    const RunResult result = quickRun({"--progress", path("small.txt").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(contains(result.err, "\r["));
    // 36 rows of 2 matrices, then the hypothesis test: always shown, then the line ends.
    EXPECT_TRUE(contains(result.err, "] 100%  Simulation: 73 of 73"));
    EXPECT_TRUE(result.err.ends_with("\n"));
    EXPECT_FALSE(contains(result.out, "Simulation:"));
}

TEST_F(KelpoCli, NoPowerStillPrintsTheReportWithAnEmptyTable) {
    const RunResult result =
        quickRun({"--no-power", "--json", path("r.json").string(), path("small.txt").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(contains(result.out, "\r\nActual size = 0.000\r\n"));
    EXPECT_TRUE(result.out.ends_with(
        "Value of Argument*\tElement of Null Hypothesis\tValue of Power Function\r\n*Defined in Kelpo Help.\r\n"));
    const nlohmann::json json = nlohmann::json::parse(readAll(path("r.json")));
    EXPECT_TRUE(json["power_table"].empty());
}

TEST_F(KelpoCli, SameSeedGivesTheSameNumbersWhateverTheThreads) {
    const std::string matrix = mediumMatrix().string();
    const RunResult one = run({"--iterations", "1000", "--matrices", "4", "--seed", "11", "--threads", "1", matrix});
    const RunResult two = run({"--iterations", "1000", "--matrices", "4", "--seed", "11", "--threads", "2", matrix});
    const RunResult other = run({"--iterations", "1000", "--matrices", "4", "--seed", "12", "--threads", "2", matrix});
    ASSERT_EQ(one.exitCode, 0) << one.err;
    ASSERT_EQ(two.exitCode, 0) << two.err;
    ASSERT_EQ(other.exitCode, 0) << other.err;
    EXPECT_EQ(one.out, two.out);
    EXPECT_NE(one.out, other.out);
}

TEST_F(KelpoCli, NonBinaryCellStopsTheRun) {
    writeText(path("bad.txt"), "Species S1 S2 S3\nA 1 0 1\nB 0 2 1\nC 1 1 0\n");
    const RunResult result = quickRun({path("bad.txt").string()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(contains(result.err, "Error 05: Presence-absence matrix contains a non-binary entry in cell "));
    EXPECT_TRUE(contains(result.err, ".  Aborting analysis."));
    EXPECT_TRUE(result.out.empty());
}

TEST_F(KelpoCli, LineLongerThanTheHeaderIsRefusedWithItsCause) {
    writeText(path("long.txt"), "Species S1 S2\nA 1 0 1\nB 0 1\n");
    const RunResult result = quickRun({path("long.txt").string()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(contains(result.err, "2 site names")) << result.err;
    EXPECT_TRUE(result.out.empty());
}

TEST_F(KelpoCli, MissingFileIsAnInputOutputError) {
    const RunResult result = quickRun({path("absent.txt").string()});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_TRUE(contains(result.err, "Error 07: Error opening file."));
    EXPECT_TRUE(result.out.empty());
}

TEST_F(KelpoCli, RefusedNumbersGiveTheirMessages) {
    const std::string file = path("small.txt").string();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--matrices", "0"}, kError10},
        {{"--matrices", "-3"}, kError10},
        {{"--matrices", "12abc"}, kError10},
        {{"--matrices", "3000000000"}, kError10},
        {{"--iterations", "0"}, kError10},
        {{"--iterations", "abc"}, kError10},
        {{"--iterations", ""}, kError10},
        {{"--seed=-1"}, kError12},
        {{"--seed", "x"}, kError12},
        {{"--seed", "2147483648"}, kError12},
    };
    for (auto [options, message] : cases) {
        const std::string shown = options.front() + (options.size() > 1 ? " " + options[1] : std::string());
        options.push_back(file);
        const RunResult result = run(options);
        EXPECT_EQ(result.exitCode, 2) << shown;
        EXPECT_TRUE(contains(result.err, message)) << shown;
        EXPECT_TRUE(result.out.empty()) << shown;
    }
}

TEST_F(KelpoCli, IterationTotalsBeyondTenTimesThe32BitTenthAreRefused) {
    const RunResult over = run({"--iterations", "2147483641", path("small.txt").string()});
    EXPECT_EQ(over.exitCode, 2);
    EXPECT_TRUE(contains(over.err, kError10));
    // The largest total passes the checks; the missing file then ends the run.
    const RunResult largest = run({"--iterations", "2147483640", path("absent.txt").string()});
    EXPECT_EQ(largest.exitCode, 3);
    EXPECT_TRUE(contains(largest.err, "Error 07"));
}

TEST_F(KelpoCli, IterationsAreStoredAsATenthRoundedHalfToEven) {
    const RunResult down = run({"--no-power", "--iterations", "25005", path("small.txt").string()});
    ASSERT_EQ(down.exitCode, 0) << down.err;
    EXPECT_TRUE(contains(down.out, "\r\nNumer of Iterations: 25000\r\n"));
    EXPECT_TRUE(contains(down.out, "\r\nTotal Number of Simulated Statistics: 25000\r\n"));
    EXPECT_FALSE(contains(down.err, kWarning13));
    const RunResult up = run({"--no-power", "--iterations", "25015", path("small.txt").string()});
    ASSERT_EQ(up.exitCode, 0) << up.err;
    EXPECT_TRUE(contains(up.out, "\r\nNumer of Iterations: 25020\r\n"));
}

TEST_F(KelpoCli, AssumptionsFollowTheWindowsRules) {
    const std::string file = path("small.txt").string();
    const RunResult withoutNull = run({"--assume-sites-equivalent", file});
    EXPECT_EQ(withoutNull.exitCode, 2);
    EXPECT_TRUE(contains(withoutNull.err, "--null"));
    EXPECT_EQ(run({"--null", "interactions", "--assume-interactions", "0", file}).exitCode, 2);
    EXPECT_EQ(run({"--null", "sites", "--assume-sites-equivalent", file}).exitCode, 2);
    EXPECT_EQ(run({"--null", "species", "--assume-species-equivalent", file}).exitCode, 2);
    EXPECT_EQ(run({"--assume-interactions", "25", file}).exitCode, 2);
    EXPECT_EQ(run({"--statistic", "vratios", file}).exitCode, 2);
}

TEST_F(KelpoCli, UnwritableOutputIsRefusedBeforeTheRun) {
    const RunResult result =
        quickRun({"--output", path("no/such/folder/report.txt").string(), path("small.txt").string()});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_TRUE(contains(result.err, "Error 09: invalid file name"));
    EXPECT_TRUE(result.out.empty());
}

TEST_F(KelpoCli, HelpAndUsage) {
    const RunResult help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(contains(help.out, "Exit codes"));
    EXPECT_TRUE(contains(help.out, "--no-power"));
    EXPECT_EQ(run({}).exitCode, 2);
}

}  // namespace
