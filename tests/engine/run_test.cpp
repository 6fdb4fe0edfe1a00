// Whole runs: repeatable for any thread count, sensitive to the seed, cancellable
// during the power analysis only, with the progress steps a display expects.
#include <gtest/gtest.h>

#include <cmath>
#include <mutex>
#include <vector>

#include "core/error.h"
#include "core/p_value.h"
#include "core/random.h"
#include "engine/power_analysis.h"
#include "engine/run.h"
#include "engine/streams.h"

namespace kelpo {
namespace {

// Odd rows, so one pair of species straddles the two halves.
constexpr std::int32_t kRows = 9;
constexpr std::int32_t kCols = 10;

PresenceMatrix randomMatrix(std::int32_t rows, std::int32_t cols, std::int32_t seed) {
    PresenceMatrix m(rows, cols);
    Random random(seed, 99);
    for (std::int32_t i = 1; i <= rows; ++i)
        for (std::int32_t j = 1; j <= cols; ++j) m.set(i, j, random.next() < 0.5f ? 1 : 0);
    return m;
}

AnalysisSettings smallSettings(StatisticId id, std::int32_t seed = 17) {
    AnalysisSettings s;
    s.speciesCount = kRows;
    s.siteCount = kCols;
    s.statisticId = id;
    s.matricesPerDistribution = 4;
    s.iterations = 30;
    s.simulationSeed = seed;
    s.nullHypothesis = NullHypothesis::NoInteractions;
    return s;
}

AnalysisResults run(const AnalysisSettings& s, int threads, bool power = true) {
    RunControl control;
    return runAnalysis(randomMatrix(s.speciesCount, s.siteCount, 5), s, RunOptions{threads, power}, control);
}

void expectSameResults(const AnalysisResults& a, const AnalysisResults& b, const std::string& what) {
    ASSERT_EQ(a.powerTable.size(), b.powerTable.size()) << what;
    for (std::size_t r = 0; r < a.powerTable.size(); ++r) {
        EXPECT_EQ(a.powerTable[r].proportion, b.powerTable[r].proportion) << what << " row " << r + 1;
        EXPECT_EQ(a.powerTable[r].distribution, b.powerTable[r].distribution) << what << " row " << r + 1;
        EXPECT_EQ(a.powerTable[r].inNullHypothesis, b.powerTable[r].inNullHypothesis) << what << " row " << r + 1;
        EXPECT_EQ(a.powerTable[r].rejectionRate, b.powerTable[r].rejectionRate) << what << " row " << r + 1;
    }
    EXPECT_EQ(a.test.pValue, b.test.pValue) << what;
    EXPECT_EQ(a.test.ciLow, b.test.ciLow) << what;
    EXPECT_EQ(a.test.ciHigh, b.test.ciHigh) << what;
    EXPECT_EQ(a.test.less, b.test.less) << what;
    EXPECT_EQ(a.test.equal, b.test.equal) << what;
    EXPECT_EQ(a.observed, b.observed) << what;
    EXPECT_EQ(a.simulatedMean, b.simulatedMean) << what;
    EXPECT_EQ(a.simulatedSd, b.simulatedSd) << what;
}

TEST(RunTest, SameNumbersForAnyThreadCount) {
    for (const StatisticId id : {StatisticId::CScore, StatisticId::Checkerboards, StatisticId::Combinations}) {
        const AnalysisSettings s = smallSettings(id);
        const AnalysisResults one = run(s, 1);
        expectSameResults(one, run(s, 2), "2 threads");
        expectSameResults(one, run(s, 16), "16 threads");
        expectSameResults(one, run(s, 0), "default threads");
        expectSameResults(one, run(s, 1), "repeated");
    }
}

TEST(RunTest, EachUnitOfWorkCanBeReproducedFromItsStream) {
    const AnalysisSettings s = smallSettings(StatisticId::CScore);
    const PresenceMatrix matrix = randomMatrix(kRows, kCols, 5);
    const AnalysisResults whole = run(s, 2);

    const std::vector<PowerRowPlan> plans = powerRowPlans(s);
    for (const std::size_t r : {0u, 13u, 35u}) {
        RunControl control;
        const PowerRowPlan& plan = plans[r];
        EXPECT_EQ(RejectionRate(plan.x, plan.y, plan.proportion, plan.tableRow, s, 1, control),
                  whole.powerTable[r].rejectionRate)
            << "row " << r + 1;
    }

    double less = 0.0;
    double equal = 0.0;
    for (std::int32_t rep = 1; rep <= 10; ++rep) {
        Random random(s.simulationSeed, streams::replicate(rep));
        const PValueResult replicate = PValue(matrix, s.statisticId, s.iterations, random);
        less += replicate.less;
        equal += replicate.equal;
    }
    EXPECT_EQ(whole.test.less, less);
    EXPECT_EQ(whole.test.equal, equal);
}

TEST(RunTest, ResultsAreConsistent) {
    const AnalysisSettings s = smallSettings(StatisticId::CScore);
    const AnalysisResults r = run(s, 2);
    ASSERT_EQ(r.powerTable.size(), 36u);
    for (const PowerRow& row : r.powerTable) {
        EXPECT_GE(row.rejectionRate, 0.0);
        EXPECT_LE(row.rejectionRate, 1.0);
        EXPECT_EQ(row.rejectionRate * 4, std::floor(row.rejectionRate * 4)) << "a share of four matrices";
        EXPECT_EQ(row.inNullHypothesis, row.proportion == 1);
    }
    EXPECT_LE(r.test.less + r.test.equal, 10.0 * s.iterations);
    EXPECT_LE(r.test.ciLow, r.test.ciHigh);
    EXPECT_GE(r.test.pValue, 0.0);
    EXPECT_LE(r.test.pValue, 1.0);
    EXPECT_GT(r.simulatedMean, 0.0);
}

TEST(RunTest, ADifferentSeedGivesDifferentNumbers) {
    for (const StatisticId id : {StatisticId::CScore, StatisticId::Checkerboards, StatisticId::Combinations}) {
        const AnalysisResults a = run(smallSettings(id, 17), 2);
        const AnalysisResults b = run(smallSettings(id, 18), 2);
        EXPECT_TRUE(a.simulatedMean != b.simulatedMean || a.test.pValue != b.test.pValue ||
                    a.test.ciLow != b.test.ciLow)
            << "statistic " << static_cast<int>(id);
    }
}

TEST(RunTest, VRatioNeverRejects) {
    AnalysisSettings s = smallSettings(StatisticId::VRatio);
    const AnalysisResults r = run(s, 2);
    ASSERT_EQ(r.powerTable.size(), 36u);
    for (const PowerRow& row : r.powerTable) EXPECT_EQ(row.rejectionRate, 0.0);
    EXPECT_EQ(r.test.pValue, 1.0);
    EXPECT_EQ(r.test.ciLow, 1.0);
    EXPECT_EQ(r.test.ciHigh, 1.0);
    EXPECT_EQ(r.test.less, 0.0);
    EXPECT_EQ(r.test.equal, 10.0 * s.iterations);
    s.simulationSeed = 99;
    expectSameResults(r, run(s, 2), "another seed");
}

TEST(RunTest, ProgressCountsEveryCommunityThenTheTest) {
    const AnalysisSettings s = smallSettings(StatisticId::CScore);
    std::mutex lock;
    std::vector<std::int32_t> steps;
    std::int32_t total = 0;
    RunControl control([&](const ProgressState& state) {
        std::lock_guard guard(lock);
        steps.push_back(state.stepsDone);
        total = state.stepTotal;
    });
    runAnalysis(randomMatrix(kRows, kCols, 5), s, RunOptions{2, true}, control);
    EXPECT_EQ(total, 36 * 4 + 1);
    ASSERT_EQ(steps.size(), 145u);
    EXPECT_EQ(steps.back(), 145) << "the hypothesis test is the last step";
    EXPECT_EQ(control.stepsDone(), 145);
}

TEST(RunTest, HypothesisTestAloneIsOneStep) {
    const AnalysisSettings s = smallSettings(StatisticId::CScore);
    std::vector<ProgressState> seen;
    RunControl control([&](const ProgressState& state) { seen.push_back(state); });
    const AnalysisResults r = runAnalysis(randomMatrix(kRows, kCols, 5), s, RunOptions{2, false}, control);
    EXPECT_TRUE(r.powerTable.empty());
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].stepsDone, 1);
    EXPECT_EQ(seen[0].stepTotal, 1);
    // The test's numbers do not depend on whether the power analysis ran.
    AnalysisResults full = run(s, 1);
    full.powerTable.clear();
    expectSameResults(r, full, "with and without the power analysis");
}

TEST(RunTest, CancelDuringThePowerAnalysisThrows) {
    const AnalysisSettings s = smallSettings(StatisticId::CScore);
    RunControl* self = nullptr;
    RunControl control([&](const ProgressState& state) {
        if (state.stepsDone == 5) self->requestCancel();
    });
    self = &control;
    try {
        runAnalysis(randomMatrix(kRows, kCols, 5), s, RunOptions{2, true}, control);
        FAIL() << "the run went on after the cancel";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::Cancelled);
    }
    EXPECT_LT(control.stepsDone(), 20) << "communities kept starting after the cancel";
}

TEST(RunTest, CancelDuringTheHypothesisTestIsIgnored) {
    const AnalysisSettings s = smallSettings(StatisticId::CScore);
    RunControl* self = nullptr;
    RunControl control([&](const ProgressState& state) {
        if (state.stepsDone == state.stepTotal) self->requestCancel();
    });
    self = &control;
    const AnalysisResults r = runAnalysis(randomMatrix(kRows, kCols, 5), s, RunOptions{2, true}, control);
    EXPECT_TRUE(control.cancelRequested());
    expectSameResults(r, run(s, 2), "cancel requested during the test");
}

TEST(RunTest, RefusesBadSettings) {
    const PresenceMatrix m = randomMatrix(kRows, kCols, 5);
    auto kindOf = [&](AnalysisSettings s, RunOptions options = {1, true}) {
        RunControl control;
        try {
            runAnalysis(m, s, options, control);
        } catch (const Error& e) {
            return e.kind();
        }
        ADD_FAILURE() << "no error";
        return ErrorKind::InputOutput;
    };
    AnalysisSettings wrongSize = smallSettings(StatisticId::CScore);
    wrongSize.siteCount = kCols - 1;
    EXPECT_EQ(kindOf(wrongSize), ErrorKind::InvalidInput);
    AnalysisSettings noIterations = smallSettings(StatisticId::CScore);
    noIterations.iterations = 0;
    EXPECT_EQ(kindOf(noIterations), ErrorKind::InvalidInput);
    AnalysisSettings noMatrices = smallSettings(StatisticId::CScore);
    noMatrices.matricesPerDistribution = 0;
    EXPECT_EQ(kindOf(noMatrices), ErrorKind::InvalidInput);
    AnalysisSettings tooManyIterations = smallSettings(StatisticId::CScore);
    tooManyIterations.iterations = 300000000;
    EXPECT_EQ(kindOf(tooManyIterations), ErrorKind::Overflow);
    AnalysisSettings tooManySteps = smallSettings(StatisticId::CScore);
    tooManySteps.matricesPerDistribution = 100000000;
    EXPECT_EQ(kindOf(tooManySteps), ErrorKind::Overflow);
    EXPECT_EQ(kindOf(smallSettings(StatisticId::CScore), RunOptions{-1, true}), ErrorKind::InvalidInput);
}

}  // namespace
}  // namespace kelpo
