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

// A run too short to mix says so and names the way out; --iterations auto runs until the
// chains agree, keeps the second half, and its JSON says how long that took.
TEST_F(ReviewCli, MixingIsMeasuredAndAutoRunsUntilMixed) {
    const std::string small = write("small.txt", kSmallMatrix);
    const RunResult few = run({"--no-power", "--iterations", "100", small});
    EXPECT_TRUE(contains(few.err, "Warning: the ten chains have not mixed (R-hat ")) << few.err;
    EXPECT_TRUE(contains(few.err, "the p-value is not reliable. Use --iterations auto")) << few.err;

    const RunResult automatic = run({"--no-power", "--iterations", "auto", "--json", path("a.json"), small});
    ASSERT_EQ(automatic.exitCode, 0) << automatic.err;
    EXPECT_TRUE(contains(automatic.err, "Mixing: R-hat ")) << automatic.err;
    EXPECT_FALSE(contains(automatic.err, "not mixed")) << automatic.err;
    const auto json = nlohmann::json::parse(readAll(path("a.json")));
    EXPECT_LE(json["rhat"].get<double>(), 1.01);
    EXPECT_GE(json["ess"].get<double>(), 1000.0);
    EXPECT_EQ(json["iterations_run"].get<std::int64_t>(), 2 * json["iterations_kept"].get<std::int64_t>());
    EXPECT_EQ(json["settings"]["iterations"], "auto");
    std::int64_t counted = 0;
    for (const auto& entry : json["null_distribution"]) counted += entry["count"].get<std::int64_t>();
    EXPECT_EQ(counted, json["iterations_kept"].get<std::int64_t>());
    EXPECT_GT(json["p_lower"].get<double>(), 0.0);
    EXPECT_DOUBLE_EQ(json["p_two_sided"].get<double>(),
                     std::min(1.0, 2 * std::min(json["p_lower"].get<double>(), json["p_upper"].get<double>())));

    // The curveball's chains on dune read the statistic every few trades, and say so;
    // each read stands for its trades, so the counts still add up to the iterations kept.
    const RunResult traded = run({"--no-power", "--iterations", "auto", "--sampler", "curveball", "--json",
                                  path("c.json"), KELPO_SOURCE_DIR "/examples/dune.txt"});
    ASSERT_EQ(traded.exitCode, 0) << traded.err;
    const auto curveball = nlohmann::json::parse(readAll(path("c.json")));
    const std::int64_t every = curveball["steps_per_read"].get<std::int64_t>();
    EXPECT_GT(every, 1);
    EXPECT_TRUE(contains(traded.err, "kept, the statistic read every " + std::to_string(every) + ";")) << traded.err;
    counted = 0;
    for (const auto& entry : curveball["null_distribution"]) counted += entry["count"].get<std::int64_t>();
    EXPECT_EQ(counted, curveball["iterations_kept"].get<std::int64_t>());
}

}  // namespace
