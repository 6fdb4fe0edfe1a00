// The sort, the bootstrap interval and how the ten replicates are combined.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "engine/bootstrap.h"
#include "engine/hypothesis_test.h"

namespace kelpo {
namespace {

TEST(QuickSortTest, SortsTypicalAndAwkwardArraysWithinTheRange) {
    Random r(5, 9);
    std::vector<double> ascending(1000), random(1000), fewValues(1000);
    for (std::size_t i = 0; i < 1000; ++i) {
        ascending[i] = static_cast<double>(i) * 0.5;
        random[i] = r.next();
        fewValues[i] = static_cast<double>(r.draw(3)) / 10.0;
    }
    const std::vector<double> descending(ascending.rbegin(), ascending.rend());
    for (std::vector<double> values : {ascending, descending, std::vector<double>(1000, 0.25), random, fewValues,
                                       std::vector<double>{2.0}, std::vector<double>{2.0, 1.0}}) {
        std::vector<double> expected = values;
        std::sort(expected.begin(), expected.end());
        QuickSort(values, 0, static_cast<std::int32_t>(values.size()) - 1);
        EXPECT_EQ(values, expected) << "size " << values.size();
    }
    // Values outside the range are left alone.
    std::vector<double> values{9, 8, 7, 6, 5, 4};
    QuickSort(values, 1, 4);
    EXPECT_EQ(values, (std::vector<double>{9, 5, 6, 7, 8, 4}));
}

TEST(BootstrapTest, BoundsWithinTheReplicatesFromTenThousandDraws) {
    Random values(2, 3);
    for (int trial = 0; trial < 50; ++trial) {
        std::vector<double> replicates(10);
        for (double& v : replicates) v = values.next();
        Random random(trial, 11), counted(trial, 11);
        const ConfidenceInterval ci = BootstrapInterval(replicates, random);
        EXPECT_LE(ci.low, ci.high);
        EXPECT_GE(ci.low, *std::min_element(replicates.begin(), replicates.end()));
        EXPECT_LE(ci.high, *std::max_element(replicates.begin(), replicates.end()));
        for (int i = 0; i < 10000; ++i) counted.next();
        EXPECT_EQ(random.next(), counted.next()) << "ten thousand draws for ten replicates";
    }
    Random random(1, 11);
    const ConfidenceInterval same = BootstrapInterval(std::vector<double>(10, 0.37), random);
    EXPECT_DOUBLE_EQ(same.low, 0.37);
    EXPECT_DOUBLE_EQ(same.high, 0.37);
    EXPECT_THROW(BootstrapInterval({}, random), Error);
}

TEST(CombineReplicatesTest, SumsCountsAndPoolsTheSimulatedValues) {
    // Replicate r simulated the values r and r + 1, once each (two iterations).
    std::array<PValueResult, kReplicates> replicates{};
    double values = 0, squares = 0;
    for (int r = 1; r <= kReplicates; ++r) {
        replicates[r - 1] = PValueResult{r / 10.0, 1.0, 0.0, 7, 2.0 * r + 1, double(r * r + (r + 1) * (r + 1))};
        values += 2.0 * r + 1;
        squares += r * r + (r + 1) * (r + 1);
    }
    Random bootstrap(1, 11);
    const HypothesisTestOutcome outcome = combineReplicates(replicates, 2, bootstrap);
    EXPECT_DOUBLE_EQ(outcome.result.pValue, 0.55);
    EXPECT_EQ(outcome.result.less, 10.0);
    EXPECT_EQ(outcome.observed, 7);
    EXPECT_DOUBLE_EQ(outcome.simulatedMean, values / 20.0);
    EXPECT_DOUBLE_EQ(outcome.simulatedSd, std::sqrt((squares - values * values / 20.0) / 19.0));
}

TEST(MeanAndSdTest, SampleDeviationAndItsEdges) {
    const MeanAndSd spread = meanAndSd(4, 2 + 4 + 4 + 6, 4 + 16 + 16 + 36);
    EXPECT_DOUBLE_EQ(spread.mean, 4.0);
    EXPECT_DOUBLE_EQ(spread.sd, std::sqrt(8.0 / 3.0));
    EXPECT_EQ(meanAndSd(1, 5, 25).sd, 0.0);
    EXPECT_EQ(meanAndSd(1, 5, 25).mean, 5.0);
    EXPECT_EQ(meanAndSd(3, 21, 147).sd, 0.0) << "equal values";
    EXPECT_EQ(meanAndSd(2, 2, 2 - 1e-9).sd, 0.0) << "a sum of squares rounded below its exact value";
}

}  // namespace
}  // namespace kelpo
