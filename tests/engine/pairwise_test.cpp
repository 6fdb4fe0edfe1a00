// The pairwise test: its null means against an enumeration of every matrix with the
// margins, the pairs it flags, the Benjamini-Hochberg table and the untestable pairs.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "core/random.h"
#include "engine/false_discovery.h"
#include "engine/pairwise_test.h"

namespace kelpo {
namespace {

PresenceMatrix fromRows(const std::vector<std::vector<int>>& rows) {
    PresenceMatrix m(static_cast<std::int32_t>(rows.size()), static_cast<std::int32_t>(rows[0].size()));
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t k = 0; k < rows[i].size(); ++k) m.set(i + 1, k + 1, rows[i][k]);
    return m;
}

// Mean shared sites of every pair (a < b, in the test's order) over all matrices with m's margins.
std::vector<double> exactMeans(const PresenceMatrix& m) {
    const std::vector<std::int32_t> rowSums = m.rowSums(), colSums = m.colSums();
    const std::int32_t rows = m.rows(), cols = m.cols();
    std::vector<unsigned> pick(rows);
    std::vector<double> sums(rows * (rows - 1) / 2, 0.0);
    double count = 0;
    std::function<void(std::int32_t)> fill = [&](std::int32_t i) {
        if (i == rows) {
            for (std::int32_t k = 0; k < cols; ++k) {
                std::int32_t c = 0;
                for (unsigned row : pick) c += (row >> k) & 1;
                if (c != colSums[k]) return;
            }
            ++count;
            std::size_t p = 0;
            for (std::int32_t a = 0; a < rows; ++a)
                for (std::int32_t b = a + 1; b < rows; ++b) sums[p++] += std::popcount(pick[a] & pick[b]);
            return;
        }
        for (unsigned row = 0; row < (1u << cols); ++row)
            if (std::popcount(row) == rowSums[i]) pick[i] = row, fill(i + 1);
    };
    fill(0);
    for (double& s : sums) s /= count;
    return sums;
}

PairwiseResults run(const PresenceMatrix& m, PairwiseSettings s) {
    RunControl control;
    return PairwiseTest(m, s, control);
}

// Four ordinary species, one at every site and one at none (their pairs are untestable).
TEST(PairwiseTest, NullMeansMatchEveryMatrixWithTheMarginsAndFixedPairsAreUntestable) {
    const PresenceMatrix m = fromRows({{1, 1, 0, 0}, {1, 0, 1, 0}, {0, 1, 1, 1}, {1, 0, 0, 1}, {1, 1, 1, 1}, {0, 0, 0, 0}});
    const PairwiseSettings s{.samples = 20000, .burnIn = 1000, .thin = 100, .seed = 3};
    const PairwiseResults r = run(m, s);
    const std::vector<double> exact = exactMeans(m);
    ASSERT_EQ(r.pairs.size(), 15u);
    std::vector<double> family;
    for (std::size_t p = 0; p < r.pairs.size(); ++p) {
        const PairResult& pair = r.pairs[p];
        if (pair.speciesB >= 5) {
            EXPECT_EQ(pair.pairClass, PairClass::Untestable);
            EXPECT_FALSE(pair.pLower || pair.pUpper || pair.pAdjusted || pair.ses);
            continue;
        }
        // 100 steps on 4 x 4 leave the samples practically independent: 4 standard
        // errors, a false alarm about once in 16000 per pair.
        EXPECT_NEAR(pair.sharedMean, exact[p], 4 * pair.sharedSd / std::sqrt(s.samples) + 1e-9) << p;
        EXPECT_GT(*pair.pLower + *pair.pUpper, 1.0);  // samples equal to the observed count are in both tails
        family.push_back(std::min(1.0, 2 * std::min(*pair.pLower, *pair.pUpper)));
    }
    // Only the six testable pairs form the family.
    const std::vector<double> adjusted = benjaminiHochberg(family);
    for (std::size_t p = 0, k = 0; p < r.pairs.size(); ++p)
        if (r.pairs[p].pAdjusted) { EXPECT_DOUBLE_EQ(*r.pairs[p].pAdjusted, adjusted[k++]); }
}

// 20 sites: species 1 and 2 split them in halves (segregated), species 3 and 4 share the
// odd ones (aggregated, and half with each of 1 and 2), six more species at random.
PresenceMatrix plantedPairs(bool planted) {
    PresenceMatrix m(10, 20);
    Random random(11, 5);
    for (std::int32_t i = 1; i <= 10; ++i)
        for (std::int32_t k = 1; k <= 20; ++k) {
            const bool plantedCell = i == 1 ? k <= 10 : i == 2 ? k > 10 : k % 2 == 1;
            m.set(i, k, planted && i <= 4 ? plantedCell : random.next() < 0.5f);
        }
    return m;
}

TEST(PairwiseTest, FlagsExactlyThePlantedPairsTheSameForAnyThreads) {
    PairwiseSettings s{.samples = 4000, .thin = 500, .seed = 8, .threads = 1};
    const PairwiseResults one = run(plantedPairs(true), s);
    s.threads = 2;
    const PairwiseResults two = run(plantedPairs(true), s);
    for (std::size_t p = 0; p < one.pairs.size(); ++p) {
        const PairResult& pair = one.pairs[p];
        const PairClass expected = pair.speciesA == 1 && pair.speciesB == 2   ? PairClass::Segregated
                                   : pair.speciesA == 3 && pair.speciesB == 4 ? PairClass::Aggregated
                                                                              : PairClass::Random;
        EXPECT_EQ(pair.pairClass, expected) << pair.speciesA << "," << pair.speciesB;
        EXPECT_EQ(*pair.ses < 0, pair.sharedObserved < pair.sharedMean);
        EXPECT_EQ(pair.pAdjusted, two.pairs[p].pAdjusted);
        EXPECT_EQ(pair.sharedMean, two.pairs[p].sharedMean);
    }
    int flagged = 0;
    for (const PairResult& pair : run(plantedPairs(false), s).pairs) flagged += pair.pairClass != PairClass::Random;
    EXPECT_LE(flagged, 2);  // 5 % of the 45 pairs
}

TEST(PairwiseTest, BenjaminiHochbergMatchesTheHandTable) {
    // Ranked: 0.001 0.008 0.039 0.041 0.042 0.060 0.074 0.205; 8 p / rank, then the
    // running minimum from the largest down (ranks 3 and 4 take rank 5's 0.0672).
    const std::vector<double> p = {0.042, 0.001, 0.205, 0.039, 0.060, 0.008, 0.074, 0.041};
    const std::vector<double> expected = {0.0672, 0.008, 0.205, 0.0672, 0.08, 0.032, 0.592 / 7, 0.0672};
    const std::vector<double> adjusted = benjaminiHochberg(p);
    for (std::size_t k = 0; k < p.size(); ++k) EXPECT_NEAR(adjusted[k], expected[k], 1e-12) << k;
}

}  // namespace
}  // namespace kelpo
