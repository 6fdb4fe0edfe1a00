// The sort, the bootstrap interval against a plain recomputation, and how the ten
// replicates are combined.
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

TEST(Bootstrap, QuickSortSortsExactlyItsRange) {
    Random r(5, 9);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<double> values(static_cast<std::size_t>(r.draw(300)));
        const int kind = trial % 4;  // random, few values, ascending, descending
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = kind == 0 ? r.next() : kind == 1 ? r.draw(3) : kind == 2 ? double(i) : -double(i);
        const auto n = static_cast<std::int32_t>(values.size());
        const std::int32_t lo = n > 2 ? r.draw(n / 2) - 1 : 0, hi = n > 2 ? n - r.draw(n / 2) : n - 1;
        std::vector<double> expected = values;
        std::sort(expected.begin() + lo, expected.begin() + hi + 1);
        QuickSort(values, lo, hi);
        ASSERT_EQ(values, expected) << "trial " << trial;
    }
}

// The interval recomputed plainly: 1000 resamples drawn in order with k = floor(u n) + 1,
// their means sorted, the 25th and the 975th taken (1-based).
TEST(Bootstrap, IntervalIsThe25thAnd975thOfTheSortedResampleMeans) {
    Random values(2, 3);
    for (int trial = 0; trial < 20; ++trial) {
        std::vector<double> replicates(static_cast<std::size_t>(trial % 10 + 1));
        for (double& v : replicates) v = values.next();
        Random random(trial, 11), plain(trial, 11);
        const ConfidenceInterval ci = BootstrapInterval(replicates, random);
        std::vector<double> means(1000);
        for (double& mean : means) {
            double sum = 0;
            for (std::size_t d = 0; d < replicates.size(); ++d)
                sum += replicates[static_cast<std::size_t>(std::floor(double(plain.next()) * replicates.size()))];
            mean = sum / static_cast<double>(replicates.size());
        }
        std::sort(means.begin(), means.end());
        EXPECT_EQ(ci.low, means[24]) << "trial " << trial;
        EXPECT_EQ(ci.high, means[974]) << "trial " << trial;
        EXPECT_EQ(random.next(), plain.next()) << "one value per draw";
    }
    Random random(1, 11);
    EXPECT_THROW(BootstrapInterval({}, random), Error);
}

TEST(Bootstrap, CombineReplicatesSumsCountsAndPoolsTheSimulatedValues) {
    // Replicate r simulated the values r and r + 1, once each (two iterations).
    std::array<PValueResult, kReplicates> replicates{};
    double values = 0, squares = 0;
    for (int r = 1; r <= kReplicates; ++r) {
        replicates[r - 1] = PValueResult{r / 10.0, double(r), 1.0, 7, 2.0 * r + 1, double(r * r + (r + 1) * (r + 1))};
        values += 2.0 * r + 1;
        squares += r * r + (r + 1) * (r + 1);
    }
    Random bootstrap(1, 11), plain(1, 11);
    const HypothesisTestOutcome outcome = combineReplicates(replicates, 2, bootstrap);
    std::vector<double> pValues;
    for (const PValueResult& r : replicates) pValues.push_back(r.pValue);
    const ConfidenceInterval ci = BootstrapInterval(pValues, plain);
    EXPECT_DOUBLE_EQ(outcome.result.pValue, 0.55);
    EXPECT_EQ(outcome.result.less, 55.0);
    EXPECT_EQ(outcome.result.equal, 10.0);
    EXPECT_EQ(outcome.result.ciLow, ci.low);
    EXPECT_EQ(outcome.result.ciHigh, ci.high);
    EXPECT_EQ(outcome.observed, 7);
    EXPECT_DOUBLE_EQ(outcome.simulatedMean, values / 20.0);
    EXPECT_DOUBLE_EQ(outcome.simulatedSd, std::sqrt((squares - values * values / 20.0) / 19.0));
}

}  // namespace
}  // namespace kelpo
