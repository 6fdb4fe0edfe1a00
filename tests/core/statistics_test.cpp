// The statistics and the swap step: the incremental values against a
// plain full computation, step by step, on many random matrices.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/p_value.h"
#include "core/statistics.h"
#include "core/swap_chain.h"
#include "reference.h"

namespace kelpo {
namespace {

using reference::fromRows;
using reference::randomMatrix;

TEST(Statistics, EdgeCasesAndRefusals) {
    // One species: C-score 0, checkerboards 0. One site: one combination.
    const PresenceMatrix oneSpecies = fromRows({{1, 0, 1, 1}});
    EXPECT_EQ(computeStatistic(oneSpecies, StatisticId::CScore), 0);
    EXPECT_EQ(computeStatistic(oneSpecies, StatisticId::Checkerboards), 0);
    EXPECT_EQ(computeStatistic(fromRows({{1}, {0}, {1}}), StatisticId::Combinations), 1);
    // All zero, R species: 0, R(R-1)/2, 1.
    const PresenceMatrix zero(7, 5);
    EXPECT_EQ(computeStatistic(zero, StatisticId::CScore), 0);
    EXPECT_EQ(computeStatistic(zero, StatisticId::Checkerboards), 21);
    EXPECT_EQ(computeStatistic(zero, StatisticId::Combinations), 1);
    // r = 3 and 2 sharing one site: (3 - 1)(2 - 1) = 2. V-Ratio has no computation.
    const PresenceMatrix pair = fromRows({{1, 1, 1, 0}, {0, 0, 1, 1}});
    EXPECT_EQ(computeStatistic(pair, StatisticId::CScore), 2);
    EXPECT_EQ(computeStatistic(pair, StatisticId::Checkerboards), 0);
    EXPECT_EQ(computeStatistic(pair, StatisticId::VRatio), 0);
    // Zero rows or columns.
    EXPECT_EQ(computeStatistic(PresenceMatrix(0, 0), StatisticId::Combinations), 1);
    EXPECT_EQ(computeStatistic(PresenceMatrix(3, 0), StatisticId::Checkerboards), 3);
    // A cell other than 0 or 1 is refused, naming the cell.
    PresenceMatrix bad(3, 3);
    bad.set(2, 3, 2);
    try {
        computeStatistic(bad, StatisticId::CScore);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::InvalidInput);
        EXPECT_NE(std::string(e.what()).find("(2, 3)"), std::string::npos);
    }
}

TEST(Statistics, CScoreBeyond32BitsIsKeptAndRefusedOnlyUnderThe32BitRule) {
    // Two groups of 250 species on disjoint halves of 500 sites: 250^4 > 2^31.
    PresenceMatrix m(500, 500);
    for (std::int32_t i = 1; i <= 500; ++i)
        for (std::int32_t k = 1; k <= 500; ++k) m.set(i, k, (i <= 250) == (k <= 250) ? 1 : 0);
    auto expectOverflow = [](auto call) {
        try {
            call();
            FAIL() << "no overflow";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), ErrorKind::Overflow);
            EXPECT_NE(std::string(e.what()).find("C-score"), std::string::npos);
        }
    };
    EXPECT_EQ(computeStatistic(m, StatisticId::CScore), 3906250000);
    Random random;
    EXPECT_EQ(PValue(m, StatisticId::CScore, 10, random).observed, 3906250000);
    expectOverflow([&] { PValue(m, StatisticId::CScore, 10, random, StatisticRange::Limited32); });
    // The other statistics of the same matrix are fine.
    EXPECT_EQ(computeStatistic(m, StatisticId::Checkerboards), 250 * 250);
    EXPECT_EQ(computeStatistic(m, StatisticId::Combinations), 2);
}

// Both ways of counting shared features give the same table, and the full computations
// equal the plain ones, on shapes that cross the 64-bit word boundaries.
TEST(Statistics, BothSharedCountKernelsAgree) {
    Random random(11, 3);
    const std::int32_t shapes[][2] = {{2, 2}, {5, 70}, {70, 5}, {65, 129}, {130, 64}, {40, 40}, {1, 9}, {9, 1}};
    for (auto& shape : shapes) {
        for (double fill : {0.0, 0.03, 0.5, 0.97, 1.0}) {
            const PresenceMatrix m = randomMatrix(shape[0], shape[1], fill, random);
            for (bool species : {true, false}) {
                const BitLines lines = featureLines(m, species);
                SharedTable<TableLayout::Triangle> a;
                SharedTable<TableLayout::Square> b;
                a.build(lines, SharedKernel::PairsPerFeature);
                b.build(lines, SharedKernel::BitRowPopcount);
                ASSERT_EQ(a.totals(), b.totals());
                for (std::int32_t x = 1; x < a.entities(); ++x)
                    for (std::int32_t y = 0; y < x; ++y) {
                        ASSERT_EQ(a.row(x)[y], b.row(x)[y]) << x << "," << y;
                        ASSERT_EQ(b.row(y)[x], b.row(x)[y]) << x << "," << y;  // the square's mirror
                    }
            }
            for (StatisticId id : {StatisticId::CScore, StatisticId::Checkerboards, StatisticId::Combinations})
                EXPECT_EQ(computeStatistic(m, id), reference::statistic(m, id));
        }
    }
}

// The randomised cross-check: every step of the chain against the plain swap step
// driven by the same random values (same matrix after every step, so the draws are
// taken in the defined order), every incremental value against a plain full
// computation of the current matrix, margins never changing.
template <class Stat>
void walk(const PresenceMatrix& start, StatisticId id, std::int32_t steps, std::int32_t seed, SharedKernel kernel) {
    SwapChain<Stat> chain;
    ASSERT_EQ(chain.start(featureLines(start, Stat::kSpeciesAreEntities), kernel), reference::statistic(start, id));
    PresenceMatrix expected = start;
    Random a(seed, 7), b(seed, 7);
    for (std::int32_t t = 0; t < steps; ++t) {
        const std::int32_t before = chain.value();
        const bool swapped = chain.step(a);
        ASSERT_EQ(swapped, reference::swapStep(expected, b)) << "step " << t;
        if (swapped) {
            ASSERT_EQ(chain.value(), reference::statistic(expected, id)) << "step " << t;
            ASSERT_EQ(chain.matrix(), expected) << "step " << t;
        } else {
            ASSERT_EQ(chain.value(), before);
        }
    }
    EXPECT_EQ(chain.matrix(), expected);
    EXPECT_EQ(expected.rowSums(), start.rowSums());
    EXPECT_EQ(expected.colSums(), start.colSums());
    EXPECT_EQ(a.next(), b.next());
}

template <TableLayout L>
void walkAll(const PresenceMatrix& m, std::int32_t steps, std::int32_t seed, SharedKernel kernel) {
    walk<CScoreStatistic<L>>(m, StatisticId::CScore, steps, seed, kernel);
    walk<CheckerboardsStatistic<L>>(m, StatisticId::Checkerboards, steps, seed, kernel);
    walk<CombinationsStatistic<L>>(m, StatisticId::Combinations, steps, seed, kernel);
}

TEST(SwapChain, IncrementalValuesEqualFullComputationsOnThousandsOfRandomWalks) {
    Random random(2024, 1);
    const double fills[] = {0.0, 1.0, 0.1, 0.3, 0.5, 0.7, 0.9};
    int matrices = 0;
    for (int round = 0; round < 300; ++round) {
        // Small shapes: 2x2, 2xk, kx2, tall, wide, square.
        const std::int32_t shapes[][2] = {{2, 2}, {2, random.draw(9) + 1}, {random.draw(9) + 1, 2},
                                          {random.draw(12) + 2, random.draw(4) + 1}, {random.draw(4) + 1, random.draw(12) + 2},
                                          {random.draw(8) + 1, random.draw(8) + 1}};
        for (auto& shape : shapes) {
            const PresenceMatrix m = randomMatrix(shape[0], shape[1], fills[random.draw(7) - 1], random);
            const std::int32_t seed = random.draw(1000000);
            // Both table layouts, each with one of the counting kernels.
            if (round % 2) walkAll<TableLayout::Triangle>(m, 400, seed, SharedKernel::PairsPerFeature);
            else walkAll<TableLayout::Square>(m, 400, seed, SharedKernel::BitRowPopcount);
            ++matrices;
        }
    }
    // A few larger matrices whose lines span several 64-bit words.
    const std::int32_t large[][2] = {{70, 9}, {9, 70}, {130, 130}, {64, 65}};
    for (auto& shape : large) {
        for (double fill : {0.05, 0.5}) {
            const PresenceMatrix m = randomMatrix(shape[0], shape[1], fill, random);
            walkAll<TableLayout::Triangle>(m, 1500, 99, SharedKernel::Automatic);
            walkAll<TableLayout::Square>(m, 1500, 98, SharedKernel::Automatic);
            ++matrices;
        }
    }
    EXPECT_GT(matrices, 1800);
}

// The statistical check. Each proposal picks an unordered pair of rows and one of
// columns uniformly, and the swap is its own inverse, so P(A -> B) = P(B -> A): the
// transition matrix is symmetric, hence doubly stochastic, and since all matrices
// with the same margins are connected by swaps (Ryser), the long-run frequency of
// each arrangement is 1 / (number of arrangements).
TEST(SwapChain, LongRunFrequenciesAreUniformOverTheArrangements) {
    const PresenceMatrix start = fromRows({{1, 1, 0, 0}, {1, 0, 1, 0}, {0, 1, 0, 0}, {0, 0, 0, 1}});
    SwapChain<CScoreStatistic<TableLayout::Square>> chain;
    chain.start(featureLines(start, true));
    auto matrixOf = [](int bits) {
        PresenceMatrix m(4, 4);
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < 4; ++k) m.set(i + 1, k + 1, bits >> (i * 4 + k) & 1);
        return m;
    };
    auto patternOf = [&] {
        int p = 0;
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < 4; ++k) p |= chain.cell(i + 1, k + 1) << (i * 4 + k);
        return p;
    };
    // Every 4 x 4 0/1 matrix with these margins, by its 16-bit pattern.
    std::vector<int> index(1 << 16, -1);
    int arrangements = 0;
    for (int bits = 0; bits < (1 << 16); ++bits) {
        const PresenceMatrix m = matrixOf(bits);
        if (m.rowSums() == start.rowSums() && m.colSums() == start.colSums()) index[bits] = arrangements++;
    }
    ASSERT_GT(arrangements, 10);
    Random random(77, 0);
    std::vector<double> visits(arrangements, 0);
    const int steps = 4000000;
    int pattern = patternOf();
    for (int t = 0; t < steps; ++t) {
        if (chain.step(random)) pattern = patternOf();
        ASSERT_GE(index[pattern], 0);
        visits[index[pattern]] += 1;
    }
    // Tolerance: 5% of the expected count, several standard errors even allowing for
    // the chain's autocorrelation (about 260000 visits expected per arrangement).
    const double expected = static_cast<double>(steps) / arrangements;
    for (int a = 0; a < arrangements; ++a) EXPECT_NEAR(visits[a], expected, 0.05 * expected) << a;
}

}  // namespace
}  // namespace kelpo
