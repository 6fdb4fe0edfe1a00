// The pairwise test: its null means against an enumeration of every matrix with the
// margins, the pairs it flags, the Benjamini-Hochberg table and the untestable pairs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "core/random.h"
#include "engine/false_discovery.h"
#include "engine/pairs_text.h"
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

// Independent cells, P(present) = logistic(a_i + b_j) with skewed prevalences: given its
// margins such a table is a uniform draw from the matrices the chains walk, a true null.
PresenceMatrix nullTable(std::int32_t seed) {
    Random random(seed, 77);
    PresenceMatrix m(60, 40);
    std::vector<double> a(60), b(40);
    for (double& x : a) x = 3.0 * random.next() - 2.5;
    for (double& x : b) x = random.next() - 0.5;
    for (std::int32_t i = 1; i <= 60; ++i)
        for (std::int32_t k = 1; k <= 40; ++k) m.set(i, k, random.next() < 1.0 / (1.0 + std::exp(-(a[i - 1] + b[k - 1]))));
    return m;
}

// At the measured defaults, both samplers. Under the global null BH flags any pair with
// probability at most 0.05 per table: at most 2 over the 4 runs. The well-occupied pairs'
// randomized lower tails, (1 - pUpper) + U (pLower + pUpper - 1), are uniform for a
// discrete count (the two-sided p is only conservative): KS distance below 0.04 (the pairs
// share species, so this is looser than 1.36 / sqrt(n) = 0.03 for their n of about 2000).
TEST(PairwiseTest, NullTablesGiveUniformTailsNoZeroPAndFewFlagsAtTheMeasuredLengths) {
    Random jitter(5, 5);
    std::vector<double> randomized;
    int flagged = 0, wild = 0, below005 = 0;
    for (const Sampler sampler : {Sampler::Swap, Sampler::Curveball})
        for (const std::int32_t table : {1, 2}) {
            const PairwiseResults r = run(nullTable(table), {.seed = table, .threads = 2, .sampler = sampler});
            EXPECT_TRUE(r.lengths.thinMeasured && r.lengths.pilotSteps > 0 && !r.lengths.pilotLimitReached);
            EXPECT_TRUE(pairChainsMixed(r.mixing)) << pairsMixingLine(r);
            // A thinning of twice the measured time leaves the 5000 trace points (every
            // second sample) nearly independent: a pilot that measured too short a time fails here.
            EXPECT_GT(r.mixing.ess, 4000) << pairsMixingLine(r);
            for (const PairResult& pair : r.pairs) {
                if (!pair.pLower) continue;
                // (b + 1) / (m + 1): a whole number of 1 / 10001ths, at least one.
                for (const double tail : {*pair.pLower, *pair.pUpper})
                    EXPECT_TRUE(tail * 10001 >= 0.999 && std::abs(tail * 10001 - std::round(tail * 10001)) < 1e-6);
                flagged += pair.pairClass != PairClass::Random;
                if (pair.sharedMean < 5.0) continue;
                randomized.push_back(1.0 - *pair.pUpper + jitter.next() * (*pair.pLower + *pair.pUpper - 1.0));
                wild += std::abs(*pair.ses) > 3.0;
                below005 += std::min(1.0, 2 * std::min(*pair.pLower, *pair.pUpper)) < 0.05;
            }
        }
    EXPECT_LE(flagged, 2);
    const double n = static_cast<double>(randomized.size());
    ASSERT_GT(n, 1000);
    std::sort(randomized.begin(), randomized.end());
    double ks = 0;
    for (std::size_t i = 0; i < randomized.size(); ++i)
        ks = std::max({ks, randomized[i] - i / n, (i + 1) / n - randomized[i]});
    EXPECT_LT(ks, 0.04);
    EXPECT_LT(wild / n, 0.01);       // 0.27 % for a normal SES
    EXPECT_LT(below005 / n, 0.065);  // at most 5 % for a valid two-sided p, plus sampling error
}

// Given lengths are used as they stand; given the measured ones, the run is the same
// (the pilot has a stream of its own), and the FDR warning appears below 2 / fdr - 1 samples.
TEST(PairwiseTest, GivenLengthsAreHonouredAndFewSamplesWarnThatNoPairCanReachTheFdr) {
    const PresenceMatrix m = plantedPairs(true);
    const PairwiseResults measured = run(m, {.samples = 400, .seed = 2});
    const PairwiseResults given = run(m, {.samples = 400, .burnIn = measured.lengths.burnIn,
                                          .thin = measured.lengths.thin, .seed = 2});
    EXPECT_FALSE(given.lengths.thinMeasured || given.lengths.burnInMeasured || given.lengths.pilotSteps);
    for (std::size_t p = 0; p < given.pairs.size(); ++p) EXPECT_EQ(given.pairs[p].pLower, measured.pairs[p].pLower);
    const PairwiseResults fixed = run(m, {.samples = 38, .burnIn = 0, .thin = 1, .seed = 2});
    EXPECT_TRUE(fixed.lengths.burnIn == 0 && fixed.lengths.thin == 1);
    EXPECT_TRUE(pairsMixingWarning(fixed));  // 38 samples one step apart from random starts
    EXPECT_TRUE(fdrWarning(fixed, 38, 0.05) && !fdrWarning(fixed, 39, 0.05));
    for (const double fdr : {0.05, 0.1, 0.01, 0.3, 1e-4})
        for (const std::int64_t pairs : {1, 45, 1770, 499500}) {
            const std::int64_t m0 = samplesToReach(fdr, pairs);
            EXPECT_TRUE(pairs * smallestAdjustedP(m0) <= fdr && pairs * smallestAdjustedP(m0 - 1) > fdr) << fdr;
        }
    EXPECT_EQ(samplesToReach(0.05), 39);
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
