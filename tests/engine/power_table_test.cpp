// Which rows the power table has, in which order, and which belong to the null hypothesis.
#include <gtest/gtest.h>

#include <vector>

#include "core/error.h"
#include "engine/null_membership.h"
#include "engine/power_analysis.h"

namespace kelpo {
namespace {

// Distributions 4, 5 and 8-12 vary along the sites, 6-12 along the species.
bool variesAlongSites(std::int32_t d) { return d == 4 || d == 5 || d >= 8; }

bool expectedMember(NullHypothesis h, std::int32_t k, std::int32_t d) {
    switch (h) {
        case NullHypothesis::NoInteractions: return k == 1;
        case NullHypothesis::SitesEquivalent: return !variesAlongSites(d);
        case NullHypothesis::SpeciesEquivalent: return d <= 5;
        case NullHypothesis::None: return true;
    }
    return false;
}

TEST(PowerTableTest, RowsAndMembershipForEveryCombination) {
    for (const bool sites : {false, true}) {
        for (const bool species : {false, true}) {
            for (const int interaction : {0, 1, 2, 3}) {
                for (const NullHypothesis h : {NullHypothesis::None, NullHypothesis::NoInteractions,
                                               NullHypothesis::SitesEquivalent, NullHypothesis::SpeciesEquivalent}) {
                    SCOPED_TRACE(testing::Message() << "sites " << sites << " species " << species
                                                    << " interaction " << interaction << " h " << static_cast<int>(h));
                    AnalysisSettings s;
                    s.speciesCount = 10;
                    s.siteCount = 10;
                    s.nullHypothesis = h;
                    s.assumeSitesEquivalent = sites;
                    s.assumeSpeciesEquivalent = species;
                    s.assumeInteractions = interaction != 0;
                    s.interactionChoice = static_cast<InteractionChoice>(interaction == 0 ? 1 : interaction);
                    const std::vector<PowerRowPlan> plans = powerRowPlans(s);
                    std::size_t row = 0;
                    for (std::int32_t d = 1; d <= 12; ++d) {
                        if ((sites && variesAlongSites(d)) || (species && d >= 6)) continue;
                        for (std::int32_t k = 1; k <= 3; ++k) {
                            if (interaction != 0 && k != interaction) continue;
                            ASSERT_LT(row, plans.size());
                            const PowerRow& got = plans[row].row;
                            EXPECT_EQ(got.distribution, d) << "row " << row + 1;
                            EXPECT_EQ(got.proportion, k) << "row " << row + 1;
                            EXPECT_EQ(got.inNullHypothesis, expectedMember(h, k, d)) << "row " << row + 1;
                            EXPECT_EQ(plans[row].tableRow, static_cast<std::int32_t>(row + 1)) << "row " << row + 1;
                            ++row;
                        }
                    }
                    EXPECT_EQ(plans.size(), row);
                    EXPECT_EQ(TotalSteps(s), static_cast<std::int32_t>(row));
                    if (interaction != 0) {
                        // An assumed proportion outside the choices is refused.
                        s.interactionChoice = static_cast<InteractionChoice>(0);
                        EXPECT_THROW(powerRowPlans(s), Error);
                    }
                }
            }
        }
    }
}

// Membership read off every cell, as the plain definition states it.
bool scannedEquivalence(NullHypothesis h, const ProbabilityMatrix& x) {
    for (std::int32_t i = 1; i <= x.rows(); ++i) {
        for (std::int32_t j = 1; j <= x.cols(); ++j) {
            if (h == NullHypothesis::SitesEquivalent && x(i, j) != x(i, 1)) return false;
            if (h == NullHypothesis::SpeciesEquivalent && x(i, j) != x(1, j)) return false;
        }
    }
    return true;
}

TEST(NullMembershipTest, EquivalenceAgreesWithACellScan) {
    const std::int32_t sizes[][2] = {{1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 5}, {10, 10}};
    for (const auto& size : sizes) {
        for (std::int32_t d = 0; d <= 12; ++d) {
            const ProbabilityMatrix x = Distribution(d, size[0], size[1]);
            for (const NullHypothesis h : {NullHypothesis::SitesEquivalent, NullHypothesis::SpeciesEquivalent,
                                           NullHypothesis::NoInteractions, NullHypothesis::None}) {
                EXPECT_EQ(MatchesEquivalence(h, x), scannedEquivalence(h, x))
                    << size[0] << " x " << size[1] << " d " << d << " h " << static_cast<int>(h);
            }
        }
    }
}

}  // namespace
}  // namespace kelpo
