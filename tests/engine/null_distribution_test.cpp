// What the hypothesis test keeps for the charts: the exact table of simulated values and
// the chains' traces, checked as properties over random matrices, sizes and statistics.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>

#include "core/random.h"
#include "engine/hypothesis_test.h"

namespace kelpo {
namespace {

// The table is sorted and counts every simulated value (its agreement with the report's
// counts and mean is checked through kelpo-cli in tests/charts); each trace runs from
// iteration 1 in even steps to within one step of the end, with at most 1,000 points.
TEST(NullDistributionTest, TableAndTracesAgreeWithTheTest) {
    const std::int32_t iterations[] = {1, 7, 999, 1000, 1001, 2998, 25013};
    for (std::int32_t round = 0; round < 12; ++round) {
        AnalysisSettings s;
        s.statisticId = static_cast<StatisticId>(1 + round % 3);
        s.iterations = iterations[round % 7];
        s.simulationSeed = round;
        PresenceMatrix m(1 + round * 5 % 13, 1 + round * 7 % 11);
        Random random(round, 7);
        for (std::int32_t c = 0; c < m.rows() * m.cols(); ++c) m.set(1 + c / m.cols(), 1 + c % m.cols(), random.next() < 0.45f);
        RunControl control;
        const HypothesisTestOutcome out = HypothesisTest(m, s, 2, control);
        const auto& t = out.result.nullDistribution;
        EXPECT_TRUE(std::adjacent_find(t.begin(), t.end(), [](auto& a, auto& b) { return a.value >= b.value; }) == t.end());
        EXPECT_EQ(std::accumulate(t.begin(), t.end(), std::int64_t{0}, [](std::int64_t n, auto& e) { return n + e.count; }),
                  std::int64_t{kReplicates} * s.iterations) << round;
        ASSERT_EQ(out.result.traces.size(), static_cast<std::size_t>(kReplicates));
        for (const auto& trace : out.result.traces) {
            ASSERT_TRUE(!trace.empty() && trace.size() <= 1000u);
            const std::int64_t stride = trace.size() > 1 ? trace[1].iteration - 1 : 1;
            EXPECT_GT(trace.back().iteration + stride, s.iterations);
            for (std::size_t k = 0; k < trace.size(); ++k) EXPECT_EQ(trace[k].iteration, 1 + std::int64_t(k) * stride);
        }
    }
}

// Values far apart leave the dense window for the spill map; the table stays exact and
// sorted. The quantiles and the effect size read from such a table.
TEST(NullDistributionTest, TableQuantilesAndEffectSize) {
    ValueTable table;
    for (const std::int64_t v : {0, 70000, -5, 70000, 1 << 20, -200000, 0, 65535}) table.add(v, v == 0 ? 2 : 1);
    std::vector<std::pair<std::int64_t, std::int64_t>> sorted;
    for (const ValueCount& e : table.sorted()) sorted.emplace_back(e.value, e.count);
    EXPECT_EQ(sorted, (decltype(sorted){{-200000, 1}, {-5, 1}, {0, 4}, {65535, 1}, {70000, 2}, {1 << 20, 1}}));
    // Spread wide enough that the spill is merged many times over, repeats included.
    ValueTable wide;
    std::map<std::int64_t, std::int64_t> expected;
    Random random(5, 1);
    for (int k = 0; k < 50000; ++k) {
        const std::int64_t v = std::int64_t{random.draw(40000)} * 97 - 1900000;
        wide.add(v, k % 3 + 1);
        expected[v] += k % 3 + 1;
    }
    const std::vector<ValueCount> merged = wide.sorted();
    ASSERT_EQ(merged.size(), expected.size());
    EXPECT_TRUE(std::equal(merged.begin(), merged.end(), expected.begin(),
                           [](const ValueCount& a, const auto& b) { return a.value == b.first && a.count == b.second; }));
    // Quantiles by the header's rule, pinned at exactly 2.5 % and 97.5 % of 40 values.
    AnalysisResults r;
    r.test.nullDistribution = {{10, 1}, {11, 38}, {12, 1}};
    EXPECT_EQ(std::pair(quantileLow(r), quantileHigh(r)), std::pair(std::optional<std::int64_t>(10), std::optional<std::int64_t>(11)));
    r.observed = 14, r.simulatedMean = 11.0, r.simulatedSd = 2.0;
    EXPECT_EQ(ses(r), 1.5);
    r.simulatedSd = 0.0;
    EXPECT_FALSE(ses(r).has_value() || quantileLow(AnalysisResults{}).has_value());
}

}  // namespace
}  // namespace kelpo
