// kelpo-cli's honesty about what it did not measure and its warning about chains
// too short to move.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_runner.h"

namespace {

using namespace kelpo_cli_test;

using ReviewCli = CliTest;

TEST_F(ReviewCli, NoPowerJudgesNothingAndTheJsonGivesNoFigures) {
    const std::string small = write("small.txt", kSmallMatrix);
    const RunResult r = run({"--no-power", "--iterations", "200", "--json", path("r.json"), small});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string unmeasured = "-\r\nNo power analysis was run, so these error rates were not measured.\r\n";
    EXPECT_NE(r.out.find(unmeasured, r.out.find(unmeasured) + 1), std::string::npos);  // both sections
    for (const char* verdict : {"Actual size", "Minimum power", "tolerable", "biased", "power."}) {
        EXPECT_FALSE(contains(r.out, verdict)) << verdict;
    }
    const auto json = nlohmann::json::parse(readAll(path("r.json")));
    for (const char* key : {"actual_size", "min_power", "max_power"}) EXPECT_TRUE(json[key].is_null()) << key;
}

TEST_F(ReviewCli, VarianceRatioIsComputedAndItsPValueOfOneExplained) {
    const std::string small = write("small.txt", kSmallMatrix);
    const RunResult r =
        run({"--statistic", "vratio", "--no-power", "--iterations", "200", "--json", path("v.json"), small});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto json = nlohmann::json::parse(readAll(path("v.json")));
    EXPECT_DOUBLE_EQ(json["observed"].get<double>(), 1.0 / 6.0);
    EXPECT_EQ(json["p_value"].get<double>(), 1.0);
    EXPECT_TRUE(contains(json["note"].get<std::string>(), "same for every simulated matrix"));
    EXPECT_TRUE(contains(r.err, "Variance ratio of the matrix: 0.166667. With both margins fixed"));
}

// Each of the ten chains takes a tenth of the total: 11 steps for 11 presences is enough.
TEST_F(ReviewCli, FewerStepsPerChainThanPresencesWarnsAndGoesOn) {
    const std::string small = write("small.txt", kSmallMatrix);
    const RunResult few = run({"--no-power", "--iterations", "100", small});
    EXPECT_TRUE(contains(few.err, "takes 10 iterations, fewer than the matrix's 11 presences")) << few.err;
    EXPECT_TRUE(contains(few.err, "At least 110 iterations would let the chains move.")) << few.err;
    EXPECT_FALSE(contains(run({"--no-power", "--iterations", "110", small}).err, "presences"));
}

}  // namespace
