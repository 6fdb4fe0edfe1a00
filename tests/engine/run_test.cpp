// Whole runs: repeatable for any thread count, sensitive to the seed, cancellable
// during the power analysis only, with the progress steps a display expects.
#include <gtest/gtest.h>

#include <cmath>
#include <mutex>
#include <vector>

#include "core/error.h"
#include "core/p_value.h"
#include "core/random.h"
#include "engine/bootstrap.h"
#include "engine/community.h"
#include "engine/hypothesis_test.h"
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

AnalysisResults run(const AnalysisSettings& s, int threads) {
    RunControl control;
    return runAnalysis(randomMatrix(), s, RunOptions{threads, true}, control);
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
        for (const int threads : {2, 16, 0}) EXPECT_EQ(numbers(one), numbers(run(s, threads))) << threads;
        const AnalysisResults other = run(smallSettings(id, 18), 2);
        EXPECT_TRUE(one.simulatedMean != other.simulatedMean || one.test.pValue != other.test.pValue)
            << "statistic " << static_cast<int>(id);
        ASSERT_EQ(one.powerTable.size(), 36u);
        for (const PowerRow& row : one.powerTable) {
            EXPECT_EQ(row.rejectionRate * 4, std::floor(row.rejectionRate * 4)) << "a share of four matrices";
            EXPECT_LE(row.rejectionRate, 1.0);
            EXPECT_EQ(row.inNullHypothesis, row.proportion == 1);
        }
        EXPECT_LE(one.test.ciLow, one.test.ciHigh);
    }
}

// Each unit of work reproduced alone from its own stream: rejection rates, replicates.
TEST(RunTest, EachUnitOfWorkCanBeReproducedFromItsStream) {
    const AnalysisSettings s = smallSettings(StatisticId::CScore);
    const AnalysisResults whole = run(s, 2);
    const std::vector<PowerRowPlan> plans = powerRowPlans(s);
    for (const std::size_t r : {0u, 13u, 35u}) {
        RunControl control;
        const PowerRowPlan& plan = plans[r];
        double rejected = 0;
        for (std::int32_t m = 1; m <= s.matricesPerDistribution; ++m) {
            Random random(s.simulationSeed, streams::community(plan.tableRow, m));
            const PresenceMatrix community = DrawCommunity(plan.x, plan.y, plan.proportion, random);
            rejected += rejects(PValue(community, s.statisticId, 10 * s.iterations, random).pValue);
        }
        EXPECT_EQ(rejected / s.matricesPerDistribution, whole.powerTable[r].rejectionRate) << "row " << r + 1;
        EXPECT_EQ(RejectionRate(plan.x, plan.y, plan.proportion, plan.tableRow, s, 1, control),
                  whole.powerTable[r].rejectionRate);
    }
    double less = 0.0, equal = 0.0, sum = 0.0, squares = 0.0, pSum = 0.0;
    std::vector<double> pValues;
    for (std::int32_t rep = 1; rep <= 10; ++rep) {
        Random random(s.simulationSeed, streams::replicate(rep));
        const PValueResult replicate = PValue(randomMatrix(), s.statisticId, s.iterations, random);
        less += replicate.less;
        equal += replicate.equal;
        sum += replicate.simulatedSum;
        squares += replicate.simulatedSumOfSquares;
        pSum += replicate.pValue;
        pValues.push_back(replicate.pValue);
    }
    Random bootstrap(s.simulationSeed, streams::kBootstrap);
    const ConfidenceInterval ci = BootstrapInterval(pValues, bootstrap);
    const MeanAndSd spread = meanAndSd(10.0 * s.iterations, sum, squares);
    EXPECT_EQ((std::vector<double>{whole.test.pValue, whole.test.ciLow, whole.test.ciHigh, whole.test.less, whole.test.equal,
                                   whole.simulatedMean, whole.simulatedSd}),
              (std::vector<double>{pSum / 10, ci.low, ci.high, less, equal, spread.mean, spread.sd}));
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
    EXPECT_EQ((std::vector<int>{seen.back().stepsDone, seen.back().stepTotal, seen.back().totalSteps}),
              (std::vector<int>{145, 145, 36})) << "the hypothesis test is the last step";
    // The hypothesis test alone is one step, with the numbers of the whole run.
    seen.clear();
    const AnalysisResults r = runAnalysis(randomMatrix(), s, RunOptions{2, false}, control);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].stepsDone * 10 + seen[0].stepTotal, 11);
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
    RunControl late([&](const ProgressState& state) {
        if (state.stepsDone == state.stepTotal) self->requestCancel();
    });
    self = &late;
    EXPECT_EQ(numbers(runAnalysis(randomMatrix(), s, RunOptions{2, true}, late)), numbers(run(s, 2)));
}

// The pooled null distribution and every trace point, in order.
std::vector<std::int64_t> tallies(const AnalysisResults& r) {
    std::vector<std::int64_t> v;
    for (const ValueCount& c : r.test.nullDistribution) v.insert(v.end(), {c.value, c.count});
    for (const auto& trace : r.test.traces)
        for (const TracePoint& t : trace) v.insert(v.end(), {t.iteration, t.value});
    return v;
}

// Shards deal every unit to exactly one part, and the parts assembled are the single run.
TEST(RunTest, ShardsAssembledEqualTheSingleRunAndAMissingUnitIsNamed) {
    for (const bool power : {true, false}) {
        const AnalysisSettings s = smallSettings(StatisticId::Checkerboards);
        RunControl control;
        const AnalysisResults single = runAnalysis(randomMatrix(), s, RunOptions{1, power}, control);
        for (const int count : {1, 2, 5, 13}) {
            UnitResults all;
            std::size_t units = 0;
            for (int index = 0; index < count; ++index) {
                UnitResults part = runUnits(randomMatrix(), s, RunOptions{2, power}, control, Shard{index, count});
                units += part.rejected.size() + part.replicates.size();
                all.rejected.merge(part.rejected);
                all.replicates.merge(part.replicates);
            }
            EXPECT_EQ(units, std::size_t(communityUnits(s, power)) + 10) << count;
            const AnalysisResults merged = assembleResults(s, power, all);
            EXPECT_EQ(numbers(merged), numbers(single)) << count;
            EXPECT_EQ(tallies(merged), tallies(single)) << count;
            EXPECT_EQ((std::vector{merged.test.mixing.rhat, merged.test.mixing.ess}),
                      (std::vector{single.test.mixing.rhat, single.test.mixing.ess}));
            if (count != 5) continue;
            all.replicates.erase(4);
            EXPECT_THROW(try { assembleResults(s, power, all); } catch (const Error& e) {
                EXPECT_STREQ(e.what(), "The result of replicate 4 is missing.");
                throw;
            }, Error);
        }
    }
    AnalysisSettings automatic = smallSettings(StatisticId::CScore);
    automatic.autoIterations = true;
    RunControl control;
    EXPECT_THROW(runUnits(randomMatrix(), automatic, RunOptions{}, control, Shard{0, 2}), Error);
}

TEST(RunTest, RefusesBadSettings) {
    const struct { std::int32_t sites, iterations, matrices; int threads; ErrorKind kind; } cases[] = {
        {-1, 30, 4, 1, ErrorKind::InvalidInput}, {kCols, 0, 4, 1, ErrorKind::InvalidInput},
        {kCols, 30, 0, 1, ErrorKind::InvalidInput}, {kCols, 300000000, 4, 1, ErrorKind::Overflow},
        {kCols, 30, 100000000, 1, ErrorKind::Overflow}, {kCols, 30, 4, -1, ErrorKind::InvalidInput}};
    for (const auto& c : cases) {
        AnalysisSettings s = smallSettings(StatisticId::CScore);
        s.siteCount = c.sites;
        s.iterations = c.iterations;
        s.matricesPerDistribution = c.matrices;
        RunControl control;
        try {
            runAnalysis(randomMatrix(), s, RunOptions{c.threads, true}, control);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), c.kind) << c.sites << " " << c.iterations << " " << c.matrices << " " << c.threads;
        }
    }
}

}  // namespace
}  // namespace kelpo
