// Every rule of the engine that decides a number, pinned at its boundaries and table
// entries (one table per rule); the community draw and the bootstrap interval against
// plain recomputations driven by the same random values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "engine/bootstrap.h"
#include "engine/community.h"
#include "engine/hypothesis_test.h"
#include "engine/null_membership.h"
#include "engine/power_analysis.h"
#include "engine/progress.h"

namespace kelpo {
namespace {

TEST(EngineRules, RejectionIsAtOrBelowTheLevel) {
    const struct { double p; bool rejected; } cases[] = {
        {0.0, true}, {0.0499, true}, {5000.0 / 100000.0, true}, {std::nextafter(0.05, 1.0), false}, {1.0, false}};
    for (const auto& c : cases) EXPECT_EQ(rejects(c.p), c.rejected) << c.p;
}

TEST(EngineRules, ProportionsAndTheTwelveBlockPatterns) {
    const double proportions[] = {0.0, 0.0, 0.5, 1.0, 0.0};  // k = 0..4
    for (std::int32_t k = 0; k <= 4; ++k) EXPECT_EQ(Proportion(k), proportions[k]) << k;
    // Upper-left, upper-right, lower-left, lower-right for d = 1..12; 0 and 13 are all zero.
    const double patterns[14][4] = {
        {0, 0, 0, 0},         {0.1, 0.1, 0.1, 0.1}, {0.5, 0.5, 0.5, 0.5}, {0.9, 0.9, 0.9, 0.9}, {0.1, 0.3, 0.1, 0.3},
        {0.2, 0.8, 0.2, 0.8}, {0.1, 0.1, 0.3, 0.3}, {0.2, 0.2, 0.8, 0.8}, {0.8, 0.8, 0.2, 0.8}, {0.9, 0.9, 0.1, 0.9},
        {0.2, 0.8, 0.8, 0.2}, {0.1, 0.9, 0.9, 0.1}, {0.2, 0.8, 0.8, 0.9}, {0, 0, 0, 0}};
    for (std::int32_t d = 0; d <= 13; ++d) {
        const ProbabilityMatrix x = Distribution(d, 2, 2);
        EXPECT_EQ((std::vector<double>{x(1, 1), x(1, 2), x(2, 1), x(2, 2)}),
                  std::vector<double>(patterns[d], patterns[d] + 4)) << "d " << d;
    }
}

// Every cell of every pattern: q1 = a / ((1 - b) c + b) from its own and its partner's
// probability, q0 = c q1, and 0 on odd rows. Seven rows give all three pair kinds.
TEST(EngineRules, InteractionTableFollowsItsFormulaInEveryCell) {
    for (const double c : {2.0, 3.0}) {
        for (std::int32_t d = 1; d <= 12; ++d) {
            const ProbabilityMatrix x = Distribution(d, 7, 5);
            const ConditionalTable y = InteractionTable(x, c);
            for (std::int32_t i = 1; i <= 7; ++i)
                for (std::int32_t j = 1; j <= 5; ++j) {
                    const double q1 = i % 2 ? 0.0 : x(i, j) / ((1.0 - x(i - 1, j)) * c + x(i - 1, j));
                    EXPECT_EQ(y(1, i, j), q1) << d << ": " << i << "," << j;
                    EXPECT_EQ(y(0, i, j), q1 * c) << d << ": " << i << "," << j;
                }
        }
    }
    EXPECT_THROW(InteractionTable(ProbabilityMatrix(2, 2, 0.0, 0.0, 0.5, 0.5), 0.0), Error);
}

// Distributions 4, 5 and 8-12 vary along the sites, 6-12 along the species.
bool variesAlongSites(std::int32_t d) { return d == 4 || d == 5 || d >= 8; }

bool expectedMember(NullHypothesis h, std::int32_t k, std::int32_t d) {
    switch (h) {
        case NullHypothesis::NoInteractions: return k == 1;
        case NullHypothesis::SitesEquivalent: return !variesAlongSites(d);
        case NullHypothesis::SpeciesEquivalent: return d <= 5;
        default: return true;
    }
}

TEST(EngineRules, PowerTableRowsOrderAndMembershipForEveryChoice) {
    const NullHypothesis hypotheses[] = {NullHypothesis::None, NullHypothesis::NoInteractions,
                                         NullHypothesis::SitesEquivalent, NullHypothesis::SpeciesEquivalent};
    for (int choice = 0; choice < 2 * 2 * 4 * 4; ++choice) {
        const bool sites = choice & 1, species = choice & 2;
        const int interaction = (choice >> 2) & 3;
        AnalysisSettings s;
        s.speciesCount = s.siteCount = 10;
        s.nullHypothesis = hypotheses[choice >> 4];
        s.assumeSitesEquivalent = sites;
        s.assumeSpeciesEquivalent = species;
        s.assumeInteractions = interaction != 0;
        s.interactionChoice = static_cast<InteractionChoice>(interaction == 0 ? 1 : interaction);
        std::vector<std::vector<int>> expected, got;
        for (std::int32_t d = 1; d <= 12; ++d)
            for (std::int32_t k = 1; k <= 3; ++k)
                if (!(sites && variesAlongSites(d)) && !(species && d >= 6) && (interaction == 0 || k == interaction))
                    expected.push_back({d, k, expectedMember(s.nullHypothesis, k, d), int(expected.size()) + 1});
        for (const PowerRowPlan& plan : powerRowPlans(s))
            got.push_back({plan.row.distribution, plan.row.proportion, plan.row.inNullHypothesis, plan.tableRow});
        EXPECT_EQ(got, expected) << "choice " << choice;
        EXPECT_EQ(TotalSteps(s), static_cast<std::int32_t>(expected.size())) << "choice " << choice;
        if (interaction != 0) {
            s.interactionChoice = static_cast<InteractionChoice>(interaction == 3 ? 4 : 0);
            EXPECT_THROW(powerRowPlans(s), Error);
        }
    }
}

// Membership read off every cell, as the plain definition states it.
bool scannedEquivalence(NullHypothesis h, const ProbabilityMatrix& x) {
    for (std::int32_t i = 1; i <= x.rows(); ++i)
        for (std::int32_t j = 1; j <= x.cols(); ++j) {
            if (h == NullHypothesis::SitesEquivalent && x(i, j) != x(i, 1)) return false;
            if (h == NullHypothesis::SpeciesEquivalent && x(i, j) != x(1, j)) return false;
        }
    return true;
}

TEST(EngineRules, EquivalenceAgreesWithACellScan) {
    const std::int32_t sizes[][2] = {{1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 5}};
    for (const auto& size : sizes)
        for (std::int32_t d = 0; d <= 12; ++d)
            for (const int h : {0, 1, 2, 3}) {
                const ProbabilityMatrix x = Distribution(d, size[0], size[1]);
                EXPECT_EQ(MatchesEquivalence(NullHypothesis(h), x), scannedEquivalence(NullHypothesis(h), x))
                    << size[0] << "x" << size[1] << " d " << d << " h " << h;
            }
}

TEST(EngineRules, ProgressTexts) {
    const struct { double seconds; std::int32_t done, total; const char* text; } remaining[] = {
        {30.2, 2, 4, "30s Remaining"}, {59.4, 2, 4, "59s Remaining"}, {59.5, 2, 4, "2min Remaining"},
        {90.0, 2, 4, "2min Remaining"}, {3599.0, 2, 4, "60min Remaining"}, {3600.0, 2, 4, "1hr 1min Remaining"},
        {4000.0, 2, 4, "1hr 7min Remaining"}, {123.0, 1, 3601, ""}, {10.0, 3601, 3601, "0s Remaining"}};
    for (const auto& c : remaining) EXPECT_EQ(remainingTimeText(c.seconds, c.done, c.total), c.text) << c.seconds;
    const struct { std::int32_t done, total; const char* caption; } captions[] = {
        {1800, 3601, "Kelpo Progress... 50%"}, {1, 3601, "Kelpo Progress... 0%"}, {1, 200, "Kelpo Progress... 0%"},
        {3, 200, "Kelpo Progress... 2%"}, {3601, 3601, "Kelpo Progress... 100%"}};
    for (const auto& c : captions) EXPECT_EQ(progressCaption(c.done, c.total), c.caption) << c.done;
    EXPECT_EQ(simulationLine(1800, 3601), "Simulation: 1800 of 3601");
    EXPECT_THROW(progressPercent(30000000, 40000000), Error);
}

TEST(EngineRules, StepCounts) {
    EXPECT_EQ(stepTotal(36, 100), 3601);
    EXPECT_EQ(stepTotal(0, 100), 1);
    EXPECT_EQ(stepTotal(1, 2147483646), 2147483647);
    EXPECT_THROW(stepTotal(1, 2147483647), Error);
    EXPECT_THROW(stepTotal(36, 100000000), Error);
}

TEST(EngineRules, MeanAndSampleDeviation) {
    const struct { double n, sum, squares, mean, sd; } cases[] = {
        {4, 16, 72, 4.0, std::sqrt(8.0 / 3.0)}, {1, 5, 25, 5.0, 0.0}, {3, 21, 147, 7.0, 0.0},
        {2, 2, 2 - 1e-9, 1.0, 0.0}, {0, 0, 0, 0.0, 0.0}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(meanAndSd(c.n, c.sum, c.squares).mean, c.mean) << c.n;
        EXPECT_DOUBLE_EQ(meanAndSd(c.n, c.sum, c.squares).sd, c.sd) << c.n;
    }
}


// Full R x C tables of X and Y, one cell at a time; the patterns come from 2 x 2 blocks.
PresenceMatrix referenceDraw(std::int32_t d, std::int32_t rows, std::int32_t cols, double p, Random& random) {
    const ProbabilityMatrix blocks = Distribution(d, 2, 2);
    auto x = [&](std::int32_t i, std::int32_t j) { return blocks(i <= rows / 2 ? 1 : 2, j <= cols / 2 ? 1 : 2); };
    PresenceMatrix m(rows, cols);
    const auto k = static_cast<std::int32_t>(rows * p);
    for (std::int32_t i = 1; i <= rows; ++i) {
        for (std::int32_t j = 1; j <= cols; ++j) {
            double q = x(i, j);
            if (i % 2 == 0 && i <= k) {
                const double q1 = x(i, j) / ((1.0 - x(i - 1, j)) * 2.0 + x(i - 1, j));
                q = m(i - 1, j) == 1 ? q1 : q1 * 2.0;
            }
            if (random.next() < static_cast<float>(q)) m.set(i, j, 1);
        }
    }
    return m;
}

TEST(Community, MatchesACellByCellDraw) {
    const std::int32_t sizes[][2] = {{1, 1}, {1, 5}, {5, 1}, {7, 4}, {6, 5}, {9, 9}, {2, 3}};
    for (const auto& size : sizes) {
        for (std::int32_t d = 1; d <= 12; ++d) {
            for (std::int32_t k = 1; k <= 3; ++k) {
                const ProbabilityMatrix x = Distribution(d, size[0], size[1]);
                Random compact(7, 40 + d), plain(7, 40 + d);
                EXPECT_EQ(DrawCommunity(x, InteractionTable(x, 2.0), Proportion(k), compact),
                          referenceDraw(d, size[0], size[1], Proportion(k), plain))
                    << size[0] << " x " << size[1] << ", d " << d << ", k " << k;
                EXPECT_EQ(compact.next(), plain.next()) << "one random value per cell";
            }
        }
    }
    const struct { std::int32_t species; double p; std::int32_t limit; } limits[] = {
        {9, 0.5, 4}, {10, 0.5, 5}, {7, 1.0, 7}, {7, 0.0, 0}};
    for (const auto& c : limits) EXPECT_EQ(interactionLimit(c.species, c.p), c.limit) << c.species;
    EXPECT_TRUE(speciesInteracts(4, 4));
    EXPECT_FALSE(speciesInteracts(4, 3));
    EXPECT_FALSE(speciesInteracts(3, 4));
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

}  // namespace
}  // namespace kelpo
