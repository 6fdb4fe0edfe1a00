// The sampler chosen for a matrix: its pilot estimates the swap's true acceptance, and
// a run left to choose is the run of the sampler it chose.
#include <gtest/gtest.h>

#include <cmath>

#include "core/random.h"
#include "engine/run.h"
#include "engine/sampler_choice.h"

namespace kelpo {
namespace {

PresenceMatrix filled(std::int32_t rows, std::int32_t cols, double fill, std::uint64_t stream) {
    PresenceMatrix m(rows, cols);
    Random random(4, stream);
    for (std::int32_t i = 1; i <= rows; ++i)
        for (std::int32_t k = 1; k <= cols; ++k) m.set(i, k, random.next() < fill ? 1 : 0);
    return m;
}

// Every pair of species and pair of sites, counted: the share that is a checkerboard.
double exactAcceptance(const PresenceMatrix& m) {
    double checkerboards = 0, pairs = 0;
    for (std::int32_t i = 1; i <= m.rows(); ++i)
        for (std::int32_t j = i + 1; j <= m.rows(); ++j)
            for (std::int32_t k = 1; k <= m.cols(); ++k)
                for (std::int32_t l = k + 1; l <= m.cols(); ++l) {
                    pairs += 1;
                    checkerboards += m(i, k) == m(j, l) && m(i, l) == m(j, k) && m(i, k) != m(i, l);
                }
    return checkerboards / pairs;
}

TEST(SamplerChoiceTest, PilotEstimatesTheShareOfCheckerboardsWithinSamplingError) {
    constexpr std::int32_t kProposals = 20000;
    for (const double fill : {0.05, 0.2, 0.5}) {
        const PresenceMatrix m = filled(14, 11, fill, static_cast<std::uint64_t>(fill * 100));
        const double exact = exactAcceptance(m);
        const double se = std::sqrt(exact * (1 - exact) / kProposals);
        EXPECT_NEAR(swapAcceptance(m, 9, kProposals), exact, 4 * se + 1e-9) << "fill " << fill;
    }
}

TEST(SamplerChoiceTest, SparseTablesTradeAndDenseOnesSwap) {
    EXPECT_EQ(chooseSampler(filled(200, 100, 0.03, 1), 5), Sampler::Curveball);
    EXPECT_EQ(chooseSampler(filled(30, 20, 0.4, 2), 5), Sampler::Swap);
    EXPECT_EQ(chooseSampler(filled(1, 20, 0.4, 3), 5), Sampler::Curveball);  // nothing to swap
}

TEST(SamplerChoiceTest, ARunLeftToChooseIsTheRunOfTheChosenSampler) {
    for (const double fill : {0.04, 0.4}) {
        const PresenceMatrix m = filled(40, 25, fill, 7);
        AnalysisSettings chosen;
        chosen.speciesCount = 40;
        chosen.siteCount = 25;
        chosen.iterations = 200;
        chosen.applyRunDefaults();
        chosen.simulationSeed = 3;
        chosen.samplerForMatrix = true;
        AnalysisSettings fixed = chosen;
        fixed.samplerForMatrix = false;
        fixed.sampler = chooseSampler(m, 3);
        RunControl a, b;
        const AnalysisResults left = runAnalysis(m, chosen, RunOptions{1, false}, a);
        const AnalysisResults named = runAnalysis(m, fixed, RunOptions{1, false}, b);
        EXPECT_EQ(left.sampler, fixed.sampler);
        EXPECT_EQ(left.test.less, named.test.less);
        EXPECT_EQ(left.simulatedSd, named.simulatedSd);
    }
}

}  // namespace
}  // namespace kelpo
