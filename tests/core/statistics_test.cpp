// The statistics and the swap step: the incremental values against a
// literal full computation, step by step, on many random matrices.
#include <gtest/gtest.h>

#include <cstdint>
#include <type_traits>
#include <vector>

#include "core/error.h"
#include "core/statistics.h"
#include "core/swap_chain.h"
#include "reference.h"

namespace kelpo {
namespace {

PresenceMatrix fromRows(const std::vector<std::vector<int>>& rows) {
    const auto R = static_cast<std::int32_t>(rows.size());
    const auto C = R ? static_cast<std::int32_t>(rows[0].size()) : 0;
    PresenceMatrix m(R, C);
    for (std::int32_t i = 1; i <= R; ++i)
        for (std::int32_t k = 1; k <= C; ++k) m.set(i, k, static_cast<std::uint8_t>(rows[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(k - 1)]));
    return m;
}

PresenceMatrix randomMatrix(std::int32_t R, std::int32_t C, double fill, Random& random) {
    PresenceMatrix m(R, C);
    for (std::int32_t i = 1; i <= R; ++i)
        for (std::int32_t k = 1; k <= C; ++k) m.set(i, k, random.next() < fill ? 1 : 0);
    return m;
}

TEST(Statistics, SpecEdgeCases) {
    // One species: C-score 0, checkerboards 0.
    const PresenceMatrix oneSpecies = fromRows({{1, 0, 1, 1}});
    EXPECT_EQ(computeStatistic(oneSpecies, StatisticId::CScore), 0);
    EXPECT_EQ(computeStatistic(oneSpecies, StatisticId::Checkerboards), 0);
    // One site: one combination.
    EXPECT_EQ(computeStatistic(fromRows({{1}, {0}, {1}}), StatisticId::Combinations), 1);
    // All zero, R species: 0, R(R-1)/2, 1.
    const PresenceMatrix zero(7, 5);
    EXPECT_EQ(computeStatistic(zero, StatisticId::CScore), 0);
    EXPECT_EQ(computeStatistic(zero, StatisticId::Checkerboards), 21);
    EXPECT_EQ(computeStatistic(zero, StatisticId::Combinations), 1);
    // r = 3 and 2 sharing one site: (3 - 1)(2 - 1) = 2.
    const PresenceMatrix pair = fromRows({{1, 1, 1, 0}, {0, 0, 1, 1}});
    EXPECT_EQ(computeStatistic(pair, StatisticId::CScore), 2);
    EXPECT_EQ(computeStatistic(pair, StatisticId::Checkerboards), 0);
    // V-Ratio has no computation.
    EXPECT_EQ(computeStatistic(pair, StatisticId::VRatio), 0);
    // Zero rows or columns.
    EXPECT_EQ(computeStatistic(PresenceMatrix(0, 0), StatisticId::Combinations), 1);
    EXPECT_EQ(computeStatistic(PresenceMatrix(3, 0), StatisticId::Checkerboards), 3);
}

TEST(Statistics, CombinationsExampleOfThePart) {
    // Columns (species 1, species 2): (1,0), (0,1), (0,1) -> 2 combinations.
    const PresenceMatrix m = fromRows({{1, 0, 0}, {0, 1, 1}});
    SwapChain<CombinationsStatistic<TableLayout::Square>> chain;
    EXPECT_EQ(chain.start(featureLines(m, false)), 2);
    // The swap on species 1, 2 and sites 1, 2 gives (0,1), (1,0), (0,1): still 2.
    EXPECT_TRUE(chain.trySwap(0, 1, 0, 1));
    EXPECT_EQ(chain.value(), 2);
    EXPECT_EQ(chain.matrix(), fromRows({{0, 1, 0}, {1, 0, 1}}));
    // Sites 1 and 3 are no checkerboard with site 2 in rows... (0,1)/(0,1): refused, value kept.
    EXPECT_FALSE(chain.trySwap(0, 1, 0, 2));
    EXPECT_EQ(chain.value(), 2);
}

TEST(Statistics, SwapWhereEveryOtherSpeciesHasBothSitesOrNeitherKeepsCScoreAndCheckerboards) {
    const PresenceMatrix m = fromRows({{1, 0, 1}, {0, 1, 0}, {1, 1, 0}, {0, 0, 1}, {1, 1, 1}});
    SwapChain<CScoreStatistic<TableLayout::Triangle>> c;
    SwapChain<CheckerboardsStatistic<TableLayout::Square>> b;
    const std::int32_t c0 = c.start(featureLines(m, true)), b0 = b.start(featureLines(m, true));
    ASSERT_TRUE(c.trySwap(0, 1, 0, 1));
    ASSERT_TRUE(b.trySwap(0, 1, 0, 1));
    EXPECT_EQ(c.value(), c0);
    EXPECT_EQ(b.value(), b0);
}

TEST(Statistics, OverflowingCScoreThrowsOverflowNamingTheCScore) {
    // Two groups of 250 species on disjoint halves of 500 sites: 250^4 > 2^31.
    PresenceMatrix m(500, 500);
    for (std::int32_t i = 1; i <= 500; ++i)
        for (std::int32_t k = 1; k <= 500; ++k) m.set(i, k, (i <= 250) == (k <= 250) ? 1 : 0);
    try {
        computeStatistic(m, StatisticId::CScore);
        FAIL() << "no overflow";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::Overflow);
        EXPECT_NE(std::string(e.what()).find("C-score"), std::string::npos);
    }
    EXPECT_THROW(checkedCScore(std::int64_t{INT32_MAX} + 1), Error);
    EXPECT_EQ(checkedCScore(INT32_MAX), INT32_MAX);
    // The other statistics of the same matrix are fine.
    EXPECT_EQ(computeStatistic(m, StatisticId::Checkerboards), 250 * 250);
    EXPECT_EQ(computeStatistic(m, StatisticId::Combinations), 2);
}

TEST(Statistics, NonBinaryCellIsRefusedNamingTheCell) {
    PresenceMatrix m(3, 3);
    m.set(2, 3, 2);
    try {
        computeStatistic(m, StatisticId::CScore);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::InvalidInput);
        EXPECT_NE(std::string(e.what()).find("(2, 3)"), std::string::npos);
    }
}

// Both ways of counting shared features give the same table, on shapes that cross
// the 64-bit word boundaries.
TEST(Statistics, BothSharedCountKernelsAgree) {
    Random random(11, 3);
    const std::int32_t shapes[][2] = {{2, 2}, {5, 70}, {70, 5}, {65, 129}, {130, 64}, {40, 40}, {1, 9}, {9, 1}};
    const double fills[] = {0.0, 0.03, 0.5, 0.97, 1.0};
    for (auto& shape : shapes) {
        for (double fill : fills) {
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
            const std::int64_t cs = reference::cScore(m);
            EXPECT_EQ(computeStatistic(m, StatisticId::CScore), cs);
            EXPECT_EQ(computeStatistic(m, StatisticId::Checkerboards), reference::checkerboards(m));
            EXPECT_EQ(computeStatistic(m, StatisticId::Combinations), reference::combinations(m));
        }
    }
}

// The randomised cross-check: every step of the chain against the literal swap step
// driven by the same random values (same matrix after every step, so the draws are
// taken in the defined order), every incremental value against a literal full
// computation of the current matrix, margins never changing.
template <class Stat>
std::int64_t literal(const PresenceMatrix& m) {
    if constexpr (std::is_same_v<Stat, CScoreStatistic<TableLayout::Square>> ||
                  std::is_same_v<Stat, CScoreStatistic<TableLayout::Triangle>>) {
        return reference::cScore(m);
    } else if constexpr (std::is_same_v<Stat, CheckerboardsStatistic<TableLayout::Square>> ||
                         std::is_same_v<Stat, CheckerboardsStatistic<TableLayout::Triangle>>) {
        return reference::checkerboards(m);
    } else {
        return reference::combinations(m);
    }
}

template <class Stat>
void walk(const PresenceMatrix& start, std::int32_t steps, std::int32_t seed, SharedKernel kernel) {
    SwapChain<Stat> chain;
    ASSERT_EQ(chain.start(featureLines(start, Stat::kSpeciesAreEntities), kernel), literal<Stat>(start));
    PresenceMatrix expected = start;
    const auto rowSums = start.rowSums();
    const auto colSums = start.colSums();
    Random a(seed, 7), b(seed, 7);
    for (std::int32_t t = 0; t < steps; ++t) {
        const std::int32_t before = chain.value();
        const bool swapped = chain.step(a);
        ASSERT_EQ(swapped, reference::swapStep(expected, b)) << "step " << t;
        if (swapped) {
            ASSERT_EQ(chain.value(), literal<Stat>(expected)) << "step " << t;
            ASSERT_EQ(chain.matrix(), expected) << "step " << t;
        } else {
            ASSERT_EQ(chain.value(), before);
        }
    }
    EXPECT_EQ(chain.matrix(), expected);
    EXPECT_EQ(expected.rowSums(), rowSums);
    EXPECT_EQ(expected.colSums(), colSums);
    EXPECT_EQ(a.next(), b.next());
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
            const double fill = fills[random.draw(7) - 1];
            const PresenceMatrix m = randomMatrix(shape[0], shape[1], fill, random);
            const std::int32_t seed = random.draw(1000000);
            const SharedKernel kernel = round % 2 ? SharedKernel::PairsPerFeature : SharedKernel::BitRowPopcount;
            // Both table layouts, each with one of the counting kernels.
            if (round % 2) {
                walk<CScoreStatistic<TableLayout::Triangle>>(m, 400, seed, kernel);
                walk<CheckerboardsStatistic<TableLayout::Triangle>>(m, 400, seed, kernel);
                walk<CombinationsStatistic<TableLayout::Triangle>>(m, 400, seed, kernel);
            } else {
                walk<CScoreStatistic<TableLayout::Square>>(m, 400, seed, kernel);
                walk<CheckerboardsStatistic<TableLayout::Square>>(m, 400, seed, kernel);
                walk<CombinationsStatistic<TableLayout::Square>>(m, 400, seed, kernel);
            }
            ++matrices;
        }
    }
    // A few larger matrices whose lines span several 64-bit words.
    const std::int32_t large[][2] = {{70, 9}, {9, 70}, {130, 130}, {64, 65}};
    for (auto& shape : large) {
        for (double fill : {0.05, 0.5}) {
            const PresenceMatrix m = randomMatrix(shape[0], shape[1], fill, random);
            walk<CScoreStatistic<TableLayout::Triangle>>(m, 1500, 99, SharedKernel::Automatic);
            walk<CheckerboardsStatistic<TableLayout::Triangle>>(m, 1500, 99, SharedKernel::Automatic);
            walk<CombinationsStatistic<TableLayout::Triangle>>(m, 1500, 99, SharedKernel::Automatic);
            walk<CScoreStatistic<TableLayout::Square>>(m, 1500, 98, SharedKernel::Automatic);
            walk<CheckerboardsStatistic<TableLayout::Square>>(m, 1500, 98, SharedKernel::Automatic);
            walk<CombinationsStatistic<TableLayout::Square>>(m, 1500, 98, SharedKernel::Automatic);
            ++matrices;
        }
    }
    EXPECT_GT(matrices, 1800);
}

TEST(SwapChain, NestedRowsNeverChange) {
    const PresenceMatrix m = fromRows({{1, 1, 1, 1}, {1, 1, 1, 0}, {1, 1, 0, 0}, {1, 0, 0, 0}});
    SwapChain<CScoreStatistic<TableLayout::Square>> chain;
    const std::int32_t v = chain.start(featureLines(m, true));
    Random random(5, 5);
    for (int t = 0; t < 1000; ++t) ASSERT_EQ(chain.nextValue(random), v);
    EXPECT_EQ(chain.matrix(), m);
}

TEST(SwapChain, TwoByTwoPermutationAlternates) {
    const PresenceMatrix a = fromRows({{1, 0}, {0, 1}}), b = fromRows({{0, 1}, {1, 0}});
    SwapChain<CheckerboardsStatistic<TableLayout::Triangle>> chain;
    chain.start(featureLines(a, true));
    Random random(3, 3);
    for (int t = 0; t < 100; ++t) {
        EXPECT_TRUE(chain.step(random));
        EXPECT_EQ(chain.matrix(), t % 2 ? a : b);
    }
}

// The statistical check. Each proposal picks an unordered pair of rows and one of
// columns uniformly, and the swap is its own inverse, so P(A -> B) = P(B -> A): the
// transition matrix is symmetric, hence doubly stochastic, and since all matrices
// with the same margins are connected by swaps (Ryser), the long-run frequency of
// each arrangement is 1 / (number of arrangements).
TEST(SwapChain, LongRunFrequenciesAreUniformOverTheArrangements) {
    const PresenceMatrix start = fromRows({{1, 1, 0, 0}, {1, 0, 1, 0}, {0, 1, 0, 0}, {0, 0, 0, 1}});
    const auto rowSums = start.rowSums(), colSums = start.colSums();
    // Every 4 x 4 0/1 matrix with these margins, by its 16-bit pattern.
    std::vector<int> index(1 << 16, -1);
    int arrangements = 0;
    for (int bits = 0; bits < (1 << 16); ++bits) {
        std::vector<int> r(4, 0), c(4, 0);
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < 4; ++k)
                if (bits >> (i * 4 + k) & 1) { ++r[static_cast<std::size_t>(i)]; ++c[static_cast<std::size_t>(k)]; }
        bool same = true;
        for (int j = 0; j < 4; ++j) same = same && r[static_cast<std::size_t>(j)] == rowSums[static_cast<std::size_t>(j)] && c[static_cast<std::size_t>(j)] == colSums[static_cast<std::size_t>(j)];
        if (same) index[static_cast<std::size_t>(bits)] = arrangements++;
    }
    ASSERT_GT(arrangements, 10);
    SwapChain<CScoreStatistic<TableLayout::Square>> chain;
    chain.start(featureLines(start, true));
    Random random(77, 0);
    std::vector<double> visits(static_cast<std::size_t>(arrangements), 0);
    const int steps = 4000000;
    int pattern = 0;
    auto patternOf = [&] {
        int p = 0;
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < 4; ++k) p |= chain.cell(i + 1, k + 1) << (i * 4 + k);
        return p;
    };
    pattern = patternOf();
    for (int t = 0; t < steps; ++t) {
        if (chain.step(random)) pattern = patternOf();
        const int a = index[static_cast<std::size_t>(pattern)];
        ASSERT_GE(a, 0);
        visits[static_cast<std::size_t>(a)] += 1;
    }
    // Tolerance: 5% of the expected count, several standard errors even allowing for
    // the chain's autocorrelation (about 260000 visits expected per arrangement).
    const double expected = static_cast<double>(steps) / arrangements;
    for (int a = 0; a < arrangements; ++a) EXPECT_NEAR(visits[static_cast<std::size_t>(a)], expected, 0.05 * expected) << a;
}

}  // namespace
}  // namespace kelpo
