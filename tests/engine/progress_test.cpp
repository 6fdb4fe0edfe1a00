// The progress display's texts and the step counter.
#include <gtest/gtest.h>

#include <vector>

#include "core/error.h"
#include "engine/progress.h"

namespace kelpo {
namespace {

// With 2 of 4 steps begun the remaining time equals the elapsed time.
std::string remainingText(double seconds) { return remainingTimeText(seconds, 2, 4); }

TEST(ProgressTextTest, RemainingTimeCaptionAndSimulationLine) {
    EXPECT_EQ(remainingText(30.2), "30s Remaining");
    EXPECT_EQ(remainingText(59.4), "59s Remaining");
    EXPECT_EQ(remainingText(59.5), "2min Remaining");
    EXPECT_EQ(remainingText(60.0), "2min Remaining");
    EXPECT_EQ(remainingText(90.0), "2min Remaining");
    EXPECT_EQ(remainingText(3600.0), "1hr 1min Remaining");
    EXPECT_EQ(remainingText(4000.0), "1hr 7min Remaining");
    EXPECT_EQ(remainingTimeText(123.0, 1, 3601), "") << "no estimate on the first step";
    EXPECT_EQ(remainingTimeText(10.0, 3601, 3601), "0s Remaining");
    EXPECT_EQ(progressCaption(1800, 3601), "Kelpo Progress... 50%");
    EXPECT_EQ(simulationLine(1800, 3601), "Simulation: 1800 of 3601");
    EXPECT_EQ(progressCaption(1, 3601), "Kelpo Progress... 0%");
    EXPECT_EQ(progressCaption(3601, 3601), "Kelpo Progress... 100%");
    EXPECT_EQ(simulationLine(1, 1), "Simulation: 1 of 1");
}

TEST(ProgressCountTest, StepTotalOverflowAndTheCallback) {
    EXPECT_EQ(stepTotal(36, 100), 3601);
    EXPECT_EQ(stepTotal(0, 100), 1);
    EXPECT_THROW(stepTotal(36, 100000000), Error);
    EXPECT_THROW(stepTotal(1, 2147483647), Error);
    EXPECT_THROW(progressPercent(30000000, 40000000), Error);
    // The steps reach the callback in order.
    std::vector<ProgressState> seen;
    RunControl control([&](const ProgressState& s) { seen.push_back(s); });
    control.begin(2, 7);
    control.stepBegun();
    control.stepBegun();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].stepsDone, 2);
    EXPECT_EQ(seen[1].stepTotal, 7);
    EXPECT_EQ(seen[1].totalSteps, 2);
    EXPECT_GE(seen[1].elapsedSeconds, 0.0);
    EXPECT_EQ(control.stepsDone(), 2);
    control.begin(1, 3);
    EXPECT_EQ(control.stepsDone(), 0) << "a new run starts from zero";
}

}  // namespace
}  // namespace kelpo
