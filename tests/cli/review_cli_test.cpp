// kelpo-cli's honesty about what it did not measure, its warning about chains too
// short to move, and an --output that fails without harming the file it replaces.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_runner.h"

namespace {

using namespace kelpo_cli_test;

// 11 presences; site totals 2 2 3 2 2 and species totals 3 2 3 3 make the variance
// ratio (0.8 / 5) / (4 x 0.24) = 1/6.
const std::string kSmall = "Species S1 S2 S3 S4 S5\r\nA 1 0 1 0 1\r\nB 0 1 1 0 0\r\nC 1 1 0 1 0\r\nD 0 0 1 1 1\r\n\r\n";

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class ReviewCli : public CliTest {};

TEST_F(ReviewCli, NoPowerJudgesNothingAndTheJsonGivesNoFigures) {
    const std::string small = write("small.txt", kSmall);
    const RunResult r = run({"--no-power", "--iterations", "200", "--json", path("r.json"), small});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(count(r.out, "\r\nNo power analysis was run, so these error rates were not measured.\r\n"), 2u);
    for (const char* verdict : {"Actual size", "Minimum power", "tolerable", "biased", "power."}) {
        EXPECT_FALSE(contains(r.out, verdict)) << verdict;
    }
    const auto json = nlohmann::json::parse(readAll(path("r.json")));
    for (const char* key : {"actual_size", "min_power", "max_power"}) EXPECT_TRUE(json[key].is_null()) << key;
    // With the power analysis the figures are there again.
    ASSERT_EQ(run({"--matrices", "2", "--iterations", "200", "--json", path("p.json"), small}).exitCode, 0);
    EXPECT_TRUE(nlohmann::json::parse(readAll(path("p.json")))["max_power"].is_number());
}

TEST_F(ReviewCli, VarianceRatioIsComputedAndItsPValueOfOneExplained) {
    const std::string small = write("small.txt", kSmall);
    const RunResult r =
        run({"--statistic", "vratio", "--no-power", "--iterations", "200", "--json", path("v.json"), small});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto json = nlohmann::json::parse(readAll(path("v.json")));
    EXPECT_DOUBLE_EQ(json["observed"].get<double>(), 1.0 / 6.0);
    EXPECT_EQ(json["simulated_sd"].get<double>(), 0.0);
    EXPECT_EQ(json["p_value"].get<double>(), 1.0);
    EXPECT_TRUE(contains(json["note"].get<std::string>(), "same for every simulated matrix"));
    EXPECT_TRUE(contains(r.err, "Variance ratio of the matrix: 0.166667. With both margins fixed"));
}

// Each of the ten chains takes a tenth of the total: 11 steps for 11 presences is enough.
TEST_F(ReviewCli, FewerStepsPerChainThanPresencesWarnsAndGoesOn) {
    const std::string small = write("small.txt", kSmall);
    const RunResult few = run({"--no-power", "--iterations", "100", small});
    EXPECT_EQ(few.exitCode, 0);
    EXPECT_TRUE(contains(few.err, "takes 10 iterations, fewer than the matrix's 11 presences")) << few.err;
    EXPECT_TRUE(contains(few.err, "At least 110 iterations would let the chains move.")) << few.err;
    EXPECT_FALSE(contains(run({"--no-power", "--iterations", "110", small}).err, "presences"));
}

// A 512-byte file-size limit stops the report's write; the old file must survive it.
TEST_F(ReviewCli, AFailedOutputLeavesTheOldFileWhole) {
    const std::string small = write("small.txt", kSmall);
    const std::string old = write("old.txt", "the previous report\n");
    const std::string command = "trap '' XFSZ; ulimit -f 1; exec " + quoted(KELPO_BINARY_DIR "/cli/kelpo-cli") +
                                " --no-power --iterations 200 --output " + quoted(old) + " " + quoted(small) +
                                " >/dev/null 2>" + quoted(path("err"));
    const int status = std::system(("sh -c " + quoted(command)).c_str());
    EXPECT_EQ(WEXITSTATUS(status), 3) << readAll(path("err"));
    EXPECT_EQ(readAll(old), "the previous report\n");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(fs::path(old).parent_path())) ++files;
    EXPECT_EQ(files, 3u);  // small.txt, old.txt, err: no temporary file left
}

}  // namespace
