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

PresenceMatrix randomMatrix() {
    PresenceMatrix m(kRows, kCols);
    Random random(6, 99);
    for (std::int32_t i = 1; i <= kRows; ++i)
        for (std::int32_t j = 1; j <= kCols; ++j) m.set(i, j, random.next() < 0.5f ? 1 : 0);
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
    return runAnalysis(randomMatrix(), s, RunOptions{threads, power}, control);
}

// Every number of the results, the power table's rows last.
std::vector<double> numbers(const AnalysisResults& r) {
    std::vector<double> v{r.test.pValue, r.test.ciLow,   r.test.ciHigh,   r.test.less,
                          r.test.equal,  double(r.observed), r.simulatedMean, r.simulatedSd};
    for (const PowerRow& row : r.powerTable)
        v.insert(v.end(), {double(row.proportion), double(row.distribution), double(row.inNullHypothesis), row.rejectionRate});
    return v;
}

TEST(RunTest, SameNumbersForAnyThreadCountAndOthersForAnotherSeed) {
    for (const StatisticId id : {StatisticId::CScore, StatisticId::Checkerboards, StatisticId::Combinations}) {
        const AnalysisSettings s = smallSettings(id);
        const AnalysisResults one = run(s, 1);
        EXPECT_EQ(numbers(one), numbers(run(s, 2))) << "2 threads";
        EXPECT_EQ(numbers(one), numbers(run(s, 16))) << "16 threads";
        EXPECT_EQ(numbers(one), numbers(run(s, 0))) << "default threads";
        EXPECT_EQ(numbers(one), numbers(run(s, 1))) << "repeated";
        const AnalysisResults other = run(smallSettings(id, 18), 2);
        EXPECT_TRUE(one.simulatedMean != other.simulatedMean || one.test.pValue != other.test.pValue ||
                    one.test.ciLow != other.test.ciLow)
            << "statistic " << static_cast<int>(id);
        // Consistent results: rates are shares of four matrices, the interval ordered.
        ASSERT_EQ(one.powerTable.size(), 36u);
        for (const PowerRow& row : one.powerTable) {
            EXPECT_GE(row.rejectionRate, 0.0);
            EXPECT_LE(row.rejectionRate, 1.0);
            EXPECT_EQ(row.rejectionRate * 4, std::floor(row.rejectionRate * 4)) << "a share of four matrices";
            EXPECT_EQ(row.inNullHypothesis, row.proportion == 1);
        }
        EXPECT_LE(one.test.less + one.test.equal, 10.0 * s.iterations);
        EXPECT_LE(one.test.ciLow, one.test.ciHigh);
        EXPECT_GE(one.test.pValue, 0.0);
        EXPECT_LE(one.test.pValue, 1.0);
        EXPECT_GT(one.simulatedMean, 0.0);
    }
}

TEST(RunTest, EachUnitOfWorkCanBeReproducedFromItsStream) {
    const AnalysisSettings s = smallSettings(StatisticId::CScore);
    const AnalysisResults whole = run(s, 2);
    const std::vector<PowerRowPlan> plans = powerRowPlans(s);
    for (const std::size_t r : {0u, 13u, 35u}) {
        RunControl control;
        const PowerRowPlan& plan = plans[r];
        EXPECT_EQ(RejectionRate(plan.x, plan.y, plan.proportion, plan.tableRow, s, 1, control),
                  whole.powerTable[r].rejectionRate)
            << "row " << r + 1;
    }
    double less = 0.0, equal = 0.0;
    for (std::int32_t rep = 1; rep <= 10; ++rep) {
        Random random(s.simulationSeed, streams::replicate(rep));
        const PValueResult replicate = PValue(randomMatrix(), s.statisticId, s.iterations, random);
        less += replicate.less;
        equal += replicate.equal;
    }
    EXPECT_EQ(whole.test.less, less);
    EXPECT_EQ(whole.test.equal, equal);
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
    EXPECT_EQ(r.simulatedSd, 0.0);
    s.simulationSeed = 99;
    EXPECT_EQ(numbers(r), numbers(run(s, 2))) << "another seed";
}

TEST(RunTest, ProgressCountsEveryCommunityThenTheTest) {
    const AnalysisSettings s = smallSettings(StatisticId::CScore);
    std::mutex lock;
    std::vector<ProgressState> seen;
    RunControl control([&](const ProgressState& state) {
        std::lock_guard guard(lock);
        seen.push_back(state);
    });
    runAnalysis(randomMatrix(), s, RunOptions{2, true}, control);
    ASSERT_EQ(seen.size(), 36u * 4 + 1);
    EXPECT_EQ(seen.back().stepTotal, 145);
    EXPECT_EQ(seen.back().stepsDone, 145) << "the hypothesis test is the last step";
    EXPECT_EQ(control.stepsDone(), 145);
    // The hypothesis test alone is one step, and its numbers do not depend on whether
    // the power analysis ran.
    seen.clear();
    const AnalysisResults r = runAnalysis(randomMatrix(), s, RunOptions{2, false}, control);
    EXPECT_TRUE(r.powerTable.empty());
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].stepsDone, 1);
    EXPECT_EQ(seen[0].stepTotal, 1);
    AnalysisResults full = run(s, 1);
    full.powerTable.clear();
    EXPECT_EQ(numbers(r), numbers(full));
}

TEST(RunTest, CancelStopsThePowerAnalysisButNotTheTest) {
    const AnalysisSettings s = smallSettings(StatisticId::CScore);
    RunControl* self = nullptr;
    RunControl control([&](const ProgressState& state) {
        if (state.stepsDone == 5) self->requestCancel();
    });
    self = &control;
    try {
        runAnalysis(randomMatrix(), s, RunOptions{2, true}, control);
        FAIL() << "the run went on after the cancel";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::Cancelled);
    }
    EXPECT_LT(control.stepsDone(), 20) << "communities kept starting after the cancel";
    // A cancel during the hypothesis test is ignored.
    RunControl late([&](const ProgressState& state) {
        if (state.stepsDone == state.stepTotal) self->requestCancel();
    });
    self = &late;
    const AnalysisResults r = runAnalysis(randomMatrix(), s, RunOptions{2, true}, late);
    EXPECT_TRUE(late.cancelRequested());
    EXPECT_EQ(numbers(r), numbers(run(s, 2))) << "cancel requested during the test";
}

TEST(RunTest, RefusesBadSettings) {
    auto kindOf = [](auto change, RunOptions options = RunOptions{1, true}) {
        AnalysisSettings s = smallSettings(StatisticId::CScore);
        change(s);
        RunControl control;
        try {
            runAnalysis(randomMatrix(), s, options, control);
        } catch (const Error& e) {
            return e.kind();
        }
        ADD_FAILURE() << "no error";
        return ErrorKind::InputOutput;
    };
    EXPECT_EQ(kindOf([](AnalysisSettings& s) { s.siteCount = -1; }), ErrorKind::InvalidInput);
    EXPECT_EQ(kindOf([](AnalysisSettings& s) { s.iterations = 0; }), ErrorKind::InvalidInput);
    EXPECT_EQ(kindOf([](AnalysisSettings& s) { s.matricesPerDistribution = 0; }), ErrorKind::InvalidInput);
    EXPECT_EQ(kindOf([](AnalysisSettings& s) { s.iterations = 300000000; }), ErrorKind::Overflow);
    EXPECT_EQ(kindOf([](AnalysisSettings& s) { s.matricesPerDistribution = 100000000; }), ErrorKind::Overflow);
    EXPECT_EQ(kindOf([](AnalysisSettings&) {}, RunOptions{-1, true}), ErrorKind::InvalidInput);
}

}  // namespace
}  // namespace kelpo
