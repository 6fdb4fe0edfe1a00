// Which rows the power table has, in which order, and which belong to the null hypothesis.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "core/error.h"
#include "engine/null_membership.h"
#include "engine/power_analysis.h"

namespace kelpo {
namespace {

struct Assumptions {
    bool sites;
    bool species;
    bool interactions;
    InteractionChoice choice;
};

AnalysisSettings settingsFor(const Assumptions& a, NullHypothesis h) {
    AnalysisSettings s;
    s.speciesCount = 10;
    s.siteCount = 10;
    s.nullHypothesis = h;
    s.assumeSitesEquivalent = a.sites;
    s.assumeSpeciesEquivalent = a.species;
    s.assumeInteractions = a.interactions;
    s.interactionChoice = a.choice;
    return s;
}

std::vector<std::int32_t> expectedDistributions(const Assumptions& a) {
    const std::set<std::int32_t> alongSites{4, 5, 8, 9, 10, 11, 12};
    const std::set<std::int32_t> alongSpecies{6, 7, 8, 9, 10, 11, 12};
    std::vector<std::int32_t> ds;
    for (std::int32_t d = 1; d <= 12; ++d) {
        if (a.sites && alongSites.contains(d)) continue;
        if (a.species && alongSpecies.contains(d)) continue;
        ds.push_back(d);
    }
    return ds;
}

bool expectedMember(NullHypothesis h, std::int32_t k, std::int32_t d) {
    switch (h) {
        case NullHypothesis::NoInteractions: return k == 1;
        case NullHypothesis::SitesEquivalent: return std::set<std::int32_t>{1, 2, 3, 6, 7}.contains(d);
        case NullHypothesis::SpeciesEquivalent: return d <= 5;
        case NullHypothesis::None: return true;
    }
    return false;
}

TEST(PowerTableTest, RowsAndMembershipForEveryCombination) {
    const NullHypothesis hypotheses[] = {NullHypothesis::None, NullHypothesis::NoInteractions,
                                         NullHypothesis::SitesEquivalent, NullHypothesis::SpeciesEquivalent};
    for (const bool sites : {false, true}) {
        for (const bool species : {false, true}) {
            for (const int interaction : {0, 1, 2, 3}) {
                const Assumptions a{sites, species, interaction != 0,
                                    static_cast<InteractionChoice>(interaction == 0 ? 1 : interaction)};
                std::vector<std::int32_t> ks{1, 2, 3};
                if (a.interactions) ks = {interaction};
                for (const NullHypothesis h : hypotheses) {
                    SCOPED_TRACE(testing::Message() << "sites " << sites << " species " << species
                                                    << " interaction " << interaction << " h " << static_cast<int>(h));
                    const AnalysisSettings s = settingsFor(a, h);
                    const std::vector<PowerRowPlan> plans = powerRowPlans(s);
                    std::size_t row = 0;
                    for (const std::int32_t d : expectedDistributions(a)) {
                        for (const std::int32_t k : ks) {
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
                }
            }
        }
    }
    // An assumed proportion outside the choices is refused.
    EXPECT_THROW(powerRowPlans(settingsFor({false, false, true, static_cast<InteractionChoice>(0)}, NullHypothesis::None)),
                 Error);
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
