// The statistics and the swap step: the incremental values against a
// literal full computation, step by step, on many random matrices.
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
    // C-score, checkerboards, combinations (V-Ratio has no computation and reads 0).
    const struct { PresenceMatrix m; std::int64_t values[3]; } cases[] = {
        {fromRows({{1, 0, 1, 1}}), {0, 0, 2}},                    // one species
        {fromRows({{1}, {0}, {1}}), {0, 2, 1}},                   // one site
        {PresenceMatrix(7, 5), {0, 21, 1}},                       // all zero: R(R-1)/2 checkerboards
        {fromRows({{1, 1, 1, 0}, {0, 0, 1, 1}}), {2, 0, 3}},      // (3 - 1)(2 - 1)
        {fromRows({{1, 0}, {0, 1}}), {1, 1, 2}},
        {PresenceMatrix(0, 0), {0, 0, 1}}, {PresenceMatrix(3, 0), {0, 3, 1}}};
    for (const auto& c : cases) {
        EXPECT_EQ(computeStatistic(c.m, StatisticId::CScore), c.values[0]) << c.m.rows() << "x" << c.m.cols();
        EXPECT_EQ(computeStatistic(c.m, StatisticId::Checkerboards), c.values[1]) << c.m.rows() << "x" << c.m.cols();
        EXPECT_EQ(computeStatistic(c.m, StatisticId::Combinations), c.values[2]) << c.m.rows() << "x" << c.m.cols();
        EXPECT_EQ(computeStatistic(c.m, StatisticId::VRatio), 0);
    }
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

TEST(Statistics, OverflowingCScoreThrowsOverflowNamingTheCScore) {
    // Two groups of 250 species on disjoint halves of 500 sites: 250^4 > 2^31.
    PresenceMatrix m(500, 500);
    for (std::int32_t i = 1; i <= 500; ++i)
        for (std::int32_t k = 1; k <= 500; ++k) m.set(i, k, (i <= 250) == (k <= 250) ? 1 : 0);
    for (const bool viaPValue : {false, true}) {
        try {
            Random random;
            if (viaPValue) PValue(m, StatisticId::CScore, 10, random);
            else computeStatistic(m, StatisticId::CScore);
            ADD_FAILURE() << "no overflow";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), ErrorKind::Overflow);
            EXPECT_NE(std::string(e.what()).find("C-score"), std::string::npos);
        }
    }
    EXPECT_THROW(checkedCScore(std::int64_t{INT32_MAX} + 1), Error);
    EXPECT_THROW(checkedCScore(std::int64_t{INT32_MIN} - 1), Error);
    EXPECT_EQ(checkedCScore(INT32_MAX), INT32_MAX);
    EXPECT_EQ(checkedCScore(INT32_MIN), INT32_MIN);
    EXPECT_EQ(computeStatistic(m, StatisticId::Checkerboards), 250 * 250);
    EXPECT_EQ(computeStatistic(m, StatisticId::Combinations), 2);
}

// The randomised cross-check: every step of the chain against the literal swap step
// driven by the same random values (same matrix after every step, so the draws are
// taken in the defined order), every incremental value against a literal full
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
    for (int round = 0; round < 150; ++round) {
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
    // Larger matrices whose lines span several 64-bit words, each counting kernel on each layout.
    const std::int32_t large[][2] = {{70, 9}, {9, 70}, {130, 65}, {64, 129}};
    for (auto& shape : large) {
        for (double fill : {0.03, 0.5, 0.97}) {
            const PresenceMatrix m = randomMatrix(shape[0], shape[1], fill, random);
            walkAll<TableLayout::Triangle>(m, 1000, 99, fill < 0.5 ? SharedKernel::PairsPerFeature : SharedKernel::BitRowPopcount);
            walkAll<TableLayout::Square>(m, 1000, 98, fill < 0.5 ? SharedKernel::BitRowPopcount : SharedKernel::Automatic);
            ++matrices;
        }
    }
    EXPECT_GT(matrices, 900);
}

}  // namespace
}  // namespace kelpo
