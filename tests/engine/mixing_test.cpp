// R-hat and ESS against chains whose properties are known, and the test's p-values on
// tables for which the null hypothesis holds exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/random.h"
#include "engine/hypothesis_test.h"
#include "engine/mixing.h"

namespace kelpo {
namespace {

double gaussian(Random& random) {  // Box-Muller; 1 - u lies in (0, 1], so the log is finite
    const double u = 1.0 - random.next();
    const double v = random.next();
    return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * v);
}

// M chains of AR(1) with coefficient phi, chain c shifted by c * shift.
std::vector<std::vector<double>> ar1Chains(int chains, int n, double phi, double shift, std::int32_t seed) {
    Random random(seed, 1);
    std::vector<std::vector<double>> result(static_cast<std::size_t>(chains));
    for (int c = 0; c < chains; ++c) {
        double x = gaussian(random) / std::sqrt(1.0 - phi * phi);
        for (int t = 0; t < n; ++t) {
            x = phi * x + gaussian(random);
            result[static_cast<std::size_t>(c)].push_back(x + c * shift);
        }
    }
    return result;
}

// AR(1)'s ESS is n (1 - phi) / (1 + phi); independent draws have phi = 0. Estimates over
// 40,000 values scatter by a few per cent, so 12 % is a margin, not a tolerance for bias.
TEST(MixingTest, KnownChains) {
    struct Case { double phi, shift; bool mixed; };
    for (const Case& c : {Case{0.0, 0.0, true}, Case{0.5, 0.0, true}, Case{0.9, 0.0, true}, Case{0.0, 0.5, false},
                          Case{0.9, 3.0, false}}) {
        const auto chains = ar1Chains(4, 10000, c.phi, c.shift, 7);
        const MixingFigures f = mixingFigures(chains);
        if (c.mixed) {
            EXPECT_LT(f.rhat, 1.01) << c.phi;
            EXPECT_NEAR(f.ess / (40000.0 * (1 - c.phi) / (1 + c.phi)), 1.0, 0.12) << c.phi;
            EXPECT_NEAR(plainMixingFigures(chains).ess / f.ess, 1.0, 0.1) << c.phi;
        } else {
            EXPECT_GT(f.rhat, 1.1) << c.shift;
        }
    }
    // Constant chains: equal ones agree, different ones never met.
    EXPECT_EQ(mixingFigures(std::vector<std::vector<double>>(3, std::vector<double>(10, 2.0))).rhat, 1.0);
    EXPECT_TRUE(std::isinf(mixingFigures({{std::vector<double>(10, 1.0), std::vector<double>(10, 2.0)}}).rhat));
    EXPECT_TRUE(std::isnan(mixingFigures({{std::vector<double>(3, 1.0)}}).rhat));
    EXPECT_NEAR(normalQuantile(0.975), 1.959963984540054, 1e-14);
    EXPECT_NEAR(normalQuantile(1e-10), -6.361340902404056, 1e-12);
}

// Cells drawn independently with P(present) = logistic(a_i + b_j): given its margins such a
// table is a uniform draw from the matrices the chain walks, so a test whose chains have
// mixed gives p-values that are uniform (here: none below 1 / (m + 1), and a
// Kolmogorov-Smirnov distance within its 0.1 % critical value for n = 40).
// Both samplers; the curveball's chains read the statistic now and then.
TEST(MixingTest, AutoLengthGivesUniformPValuesUnderAnExactNull) {
    constexpr int kTables = 40;
    for (const Sampler sampler : {Sampler::Swap, Sampler::Curveball}) {
    std::vector<double> upper;
    for (int table = 0; table < kTables; ++table) {
        Random random(table, 99);
        PresenceMatrix m(24, 14);
        std::vector<double> a(24), b(14);
        for (double& x : a) x = 3.0 * random.next() - 2.0;  // skewed prevalences
        for (double& x : b) x = random.next() - 0.5;
        for (std::int32_t i = 1; i <= 24; ++i)
            for (std::int32_t k = 1; k <= 14; ++k)
                m.set(i, k, random.next() < 1.0 / (1.0 + std::exp(-(a[i - 1] + b[k - 1]))));
        AnalysisSettings s;
        s.autoIterations = true;
        s.simulationSeed = table;
        s.sampler = sampler;
        RunControl control;
        const HypothesisTestOutcome out = HypothesisTest(m, s, 2, control);
        EXPECT_TRUE(testMixed(out.result)) << table;
        EXPECT_GT(out.result.tails.lower, 0.0);
        upper.push_back(out.result.tails.upper);
    }
    std::sort(upper.begin(), upper.end());
    double distance = 0.0;
    for (int k = 0; k < kTables; ++k) {
        distance = std::max({distance, std::abs(upper[k] - k / double(kTables)),
                             std::abs(upper[k] - (k + 1) / double(kTables))});
    }
    EXPECT_LT(distance, 0.30) << samplerName(sampler);
    }
}

// The fixed default length on a large sparse table: the chains barely move, and say so.
TEST(MixingTest, DefaultLengthOnASparseTableIsFlaggedAsUnmixed) {
    Random random(5, 3);
    PresenceMatrix m(300, 150);
    for (std::int32_t i = 1; i <= 300; ++i)
        for (std::int32_t k = 1; k <= 150; ++k) m.set(i, k, random.next() < 0.03 + 0.1 * (i % 7 == 0));
    AnalysisSettings s;
    s.iterations = AnalysisSettings::kDefaultIterations;
    RunControl control;
    const HypothesisTestOutcome out = HypothesisTest(m, s, 2, control);
    EXPECT_FALSE(testMixed(out.result));
    EXPECT_GT(out.result.mixing.rhat, 1.01);
}

}  // namespace
}  // namespace kelpo
