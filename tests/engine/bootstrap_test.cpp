// The bootstrap interval against a plain recomputation: draws, sort and quantiles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "engine/bootstrap.h"

namespace kelpo {
namespace {

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

}  // namespace
}  // namespace kelpo
