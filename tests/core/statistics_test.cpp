// The statistics, the swap step and the p-value: edge values pinned by hand, then the
// incremental values and the whole p-value against literal computations driven by the
// same random values, step by step, on many random matrices.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/p_value.h"
#include "core/pool_listing.h"
#include "core/statistic_chain.h"
#include "core/statistics.h"
#include "core/cscore_count.h"
#include "core/curveball_chain.h"
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

TEST(Statistics, CScoreBeyond32BitsIsKeptAndRefusedOnlyUnderThe32BitRule) {
    // Two groups of 250 species on disjoint halves of 500 sites: 250^4 > 2^31.
    PresenceMatrix m(500, 500);
    for (std::int32_t i = 1; i <= 500; ++i)
        for (std::int32_t k = 1; k <= 500; ++k) m.set(i, k, (i <= 250) == (k <= 250) ? 1 : 0);
    EXPECT_EQ(computeStatistic(m, StatisticId::CScore), 3906250000);
    Random random;
    EXPECT_EQ(PValue(m, StatisticId::CScore, 10, random).observed, 3906250000);
    try {
        PValue(m, StatisticId::CScore, 10, random, StatisticRange::Limited32);
        ADD_FAILURE() << "no overflow";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::Overflow);
        EXPECT_NE(std::string(e.what()).find("C-score"), std::string::npos);
    }
    EXPECT_EQ(computeStatistic(m, StatisticId::Checkerboards), 250 * 250);
    EXPECT_EQ(computeStatistic(m, StatisticId::Combinations), 2);
}

// The randomised cross-check: every step of the chain against the plain swap step
// driven by the same random values (same matrix after every step, so the draws are
// taken in the defined order), every incremental value against a plain full
// computation of the current matrix, margins never changing.
template <class Stat>
void walk(const PresenceMatrix& start, StatisticId id, std::int32_t steps, std::int32_t seed, SharedKernel kernel,
          ChainUse use) {
    SwapChain<Stat> chain;
    ASSERT_EQ(chain.start(featureLines(start, Stat::kSpeciesAreEntities), kernel, use), reference::statistic(start, id));
    PresenceMatrix expected = start;
    Random a(seed, 7), b(seed, 7);
    for (std::int32_t t = 0; t < steps; ++t) {
        const std::int32_t before = chain.value();
        const bool swapped = chain.step(a);
        ASSERT_EQ(swapped, reference::swapStep(expected, b)) << "step " << t;
        ASSERT_EQ(chain.value(), swapped ? reference::statistic(expected, id) : before) << "step " << t;
        if (swapped) {
            ASSERT_EQ(chain.matrix(), expected) << "step " << t;
        }
    }
    EXPECT_TRUE(expected.rowSums() == start.rowSums() && expected.colSums() == start.colSums());
    EXPECT_EQ(a.next(), b.next());
}

// The same for trades: a trade says it moved exactly when the matrix changed, and the
// value equals a full computation, the margins unchanged.
template <class Stat>
void tradeWalk(const PresenceMatrix& start, StatisticId id, std::int32_t trades, std::int32_t seed,
               SharedKernel kernel, ChainUse use, TradedCounts counts = TradedCounts::Cheaper) {
    CurveballChain<Stat> chain;
    chain.findCountsBy(counts);
    ASSERT_EQ(chain.start(featureLines(start, Stat::kSpeciesAreEntities), kernel, use), reference::statistic(start, id));
    Random random(seed, 8);
    PresenceMatrix before = start;
    for (std::int32_t t = 0; t < trades; ++t) {
        const bool moved = chain.step(random);
        const PresenceMatrix now = chain.matrix();
        ASSERT_EQ(moved, !(now == before)) << "trade " << t;
        ASSERT_EQ(chain.value(), reference::statistic(now, id)) << "trade " << t;
        ASSERT_TRUE(now.rowSums() == start.rowSums() && now.colSums() == start.colSums()) << "trade " << t;
        // The shared counts the pairwise test reads stay current.
        if constexpr (requires { chain.statistic().table(); }) {
            for (std::int32_t x = 1; use == ChainUse::SharedCounts && x < now.rows(); ++x)
                for (std::int32_t y = 0; y < x; ++y)
                    ASSERT_EQ(chain.statistic().table().row(x)[y], reference::shared(now, x + 1, y + 1)) << "trade " << t;
        }
        before = now;
    }
}

// A chain that reads now and then makes the same trades from the same draws, moving the
// cells alone; every read equals a full computation of the cells it has then.
template <class Stat>
void readWalk(const PresenceMatrix& start, StatisticId id, std::int32_t trades, std::int32_t seed) {
    CurveballChain<Stat> followed, reading;
    const BitLines lines = featureLines(start, Stat::kSpeciesAreEntities);
    followed.start(lines);
    ASSERT_EQ(reading.start(lines, SharedKernel::Automatic, ChainUse::ValuesWhenRead), reference::statistic(start, id));
    ASSERT_GE(reading.tradesPerRead(), 1);
    Random a(seed, 8), b(seed, 8);
    for (std::int32_t t = 0; t < trades; ++t) {
        const std::int64_t last = reading.value();
        ASSERT_EQ(reading.step(b), followed.step(a)) << "trade " << t;
        ASSERT_EQ(reading.value(), last) << "a trade alone changed the value read";
        ASSERT_EQ(reading.matrix(), followed.matrix()) << "trade " << t;
        if (t % 3 == 0) {
            ASSERT_EQ(reading.read(), followed.value()) << "trade " << t;
        }
    }
}

// Every update path: with ChainUse::Values small matrices take the bit rows where the
// processor has them, with SharedCounts the table's rows.
template <TableLayout L>
void walkAll(const PresenceMatrix& m, std::int32_t steps, std::int32_t seed, SharedKernel kernel, ChainUse use) {
    walk<CScoreStatistic<L>>(m, StatisticId::CScore, steps, seed, kernel, use);
    walk<CheckerboardsStatistic<L>>(m, StatisticId::Checkerboards, steps, seed, kernel, use);
    walk<CombinationsStatistic<L>>(m, StatisticId::Combinations, steps, seed, kernel, use);
    const std::int32_t trades = m.rows() * m.cols() > 1000 ? 20 : steps / 8;
    for (const TradedCounts counts : {TradedCounts::Table, TradedCounts::Lists})
        tradeWalk<CScoreStatistic<L>>(m, StatisticId::CScore, trades, seed, kernel, use, counts);
    tradeWalk<CheckerboardsStatistic<L>>(m, StatisticId::Checkerboards, trades, seed, kernel, use);
    tradeWalk<CombinationsStatistic<L>>(m, StatisticId::Combinations, trades, seed, kernel, use);
    readWalk<CScoreStatistic<L>>(m, StatisticId::CScore, trades, seed);
    readWalk<CheckerboardsStatistic<L>>(m, StatisticId::Checkerboards, trades, seed);
    readWalk<CombinationsStatistic<L>>(m, StatisticId::Combinations, trades, seed);
}

TEST(Chains, IncrementalValuesEqualFullComputationsOnThousandsOfRandomWalks) {
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
            if (round % 2) walkAll<TableLayout::Triangle>(m, 400, seed, SharedKernel::PairsPerFeature, ChainUse::Values);
            else walkAll<TableLayout::Square>(m, 400, seed, SharedKernel::BitRowPopcount, ChainUse::SharedCounts);
            ++matrices;
        }
    }
    // Larger matrices whose lines span several 64-bit words (and 33 to 64 sites, one
    // 64-bit row per species), each counting kernel on each layout.
    const std::int32_t large[][2] = {{70, 9}, {9, 70}, {130, 65}, {64, 129}, {40, 50}};
    for (auto& shape : large) {
        for (double fill : {0.03, 0.5, 0.97}) {
            const PresenceMatrix m = randomMatrix(shape[0], shape[1], fill, random);
            walkAll<TableLayout::Triangle>(m, 1000, 99, fill < 0.5 ? SharedKernel::PairsPerFeature : SharedKernel::BitRowPopcount,
                                           ChainUse::Values);
            walkAll<TableLayout::Square>(m, 1000, 98, fill < 0.5 ? SharedKernel::BitRowPopcount : SharedKernel::Automatic,
                                         ChainUse::SharedCounts);
            ++matrices;
        }
    }
    EXPECT_GT(matrices, 900);
}


constexpr StatisticId kComputed[] = {StatisticId::CScore, StatisticId::Checkerboards, StatisticId::Combinations};

// PValue throws for N < 1 and for a cell other than 0 or 1, also in a single row.
TEST(PValue, VRatioAndSingleArrangementsGivePOneWithoutDrawingAndBadInputIsRefused) {
    Random used(6, 6), fresh(6, 6);
    EXPECT_EQ(PValue(fromRows({{1, 0}, {0, 1}}), StatisticId::VRatio, 10000, used).equal, 10000.0);
    PValue(fromRows({{1, 0, 1, 1, 0}}), StatisticId::CScore, 100, used);  // one row draws nothing
    PValue(fromRows({{1}, {0}, {1}}), StatisticId::Checkerboards, 100, used);
    EXPECT_EQ(used.next(), fresh.next());
    PresenceMatrix bad(3, 4), row(1, 4);
    bad.set(2, 3, 7);
    row.set(1, 2, 2);
    for (StatisticId id : kComputed) {
        for (const PresenceMatrix* x : {&bad, &row}) EXPECT_THROW(PValue(*x, id, 10, used), Error);
        for (std::int32_t n : {0, -1}) EXPECT_THROW(PValue(bad, id, n, used), Error);
    }
}

// The literal p-value estimate over the literal statistics and swap step.
struct Literal {
    double less = 0, equal = 0, sum = 0, squares = 0;
    std::int64_t observed = 0;
};

Literal literalPValue(const PresenceMatrix& m, StatisticId id, std::int32_t n, Random& random) {
    auto x = reference::marginMatrix(m.rowSums(), m.colSums(), random);
    reference::reduce(x, m.rows(), m.cols(), random);
    PresenceMatrix work(m.rows(), m.cols());
    for (std::int32_t i = 1; i <= m.rows(); ++i)
        for (std::int32_t k = 1; k <= m.cols(); ++k) work.set(i, k, static_cast<std::uint8_t>(x[i][k]));
    Literal out;
    out.observed = reference::statistic(m, id);
    std::int64_t value = reference::statistic(work, id);
    for (std::int32_t t = 1; t <= n; ++t) {
        if (t > 1 && reference::swapStep(work, random)) value = reference::statistic(work, id);
        if (value == out.observed) out.equal += 1;
        else if (value < out.observed) out.less += 1;
        out.sum += static_cast<double>(value);
        out.squares += static_cast<double>(value) * static_cast<double>(value);
    }
    return out;
}

// Also N = 1: only the starting matrix is counted.
TEST(PValue, EqualsTheLiteralAlgorithmAndItsFormula) {
    Random shapes(12, 0);
    for (int n = 0; n < 40; ++n) {
        const std::int32_t R = shapes.draw(9) + 1, C = shapes.draw(9) + 1;
        const PresenceMatrix m = randomMatrix(R, C, shapes.draw(9) / 10.0, shapes);
        for (StatisticId id : kComputed) {
            for (const std::int32_t iterations : {1, 2000}) {
                Random a(n, 5), b(n, 5);
                const PValueResult r = PValue(m, id, iterations, a);
                const Literal e = literalPValue(m, id, iterations, b);
                ASSERT_EQ(r.observed, e.observed);
                ASSERT_EQ(r.less, e.less);
                ASSERT_EQ(r.equal, e.equal);
                ASSERT_EQ(r.simulatedSum, e.sum);
                ASSERT_EQ(r.simulatedSumOfSquares, e.squares);
                ASSERT_EQ(a.next(), b.next());
                ASSERT_LE(r.less + r.equal, iterations);
                const double expected = id == StatisticId::Combinations ? (r.less + r.equal) / iterations
                                                                        : (iterations - r.less) / iterations;
                ASSERT_EQ(r.pValue, expected);
                ASSERT_GE(r.pValue, 0.0);
                ASSERT_LE(r.pValue, 1.0);
            }
        }
    }
}

// A trade's pool as listed where the processor compresses bytes equals the bit-by-bit
// listing and the literal one: sparse and dense words, short lines and long.
TEST(PoolListing, BothWaysListTheLinesOwnPositionsInOrder) {
    Random random(41, 3);
    const double fills[][2] = {{0.01, 0.01}, {0.2, 0.3}, {0.5, 0.5}, {0.95, 0.02}, {0.1, 0.9}, {1.0, 0.0}};
    for (const auto& fill : fills) {
        for (const std::size_t words : {1u, 3u, 8u, 157u}) {
            std::vector<std::uint64_t> a(words), b(words);
            for (std::size_t w = 0; w < words; ++w) {
                for (int bit = 0; bit < 64; ++bit) {
                    a[w] |= std::uint64_t{random.next() < fill[0]} << bit;
                    b[w] |= std::uint64_t{random.next() < fill[1]} << bit;
                }
            }
            std::vector<std::int32_t> literal;
            for (const int side : {0, 1})
                for (std::size_t e = 0; e < 64 * words; ++e)
                    if ((side ? b : a)[e / 64] >> (e % 64) & 1 && !((side ? a : b)[e / 64] >> (e % 64) & 1))
                        literal.push_back(static_cast<std::int32_t>(2 * e) + side);
            for (const auto list : {&listPool, &listPoolBitByBit}) {
                std::vector<std::int32_t> pool(64 * words + kPoolSlack, -1), scratch(pool.size(), -1);
                const PoolSides sides = list(a.data(), b.data(), words, pool.data(), scratch.data());
                ASSERT_EQ(static_cast<std::size_t>(sides.onlyA + sides.onlyB), literal.size()) << fill[0] << " " << words;
                EXPECT_TRUE(std::equal(literal.begin(), literal.end(), pool.begin())) << fill[0] << " " << words;
                EXPECT_TRUE(sides.onlyA == 0 || (pool[static_cast<std::size_t>(sides.onlyA - 1)] & 1) == 0);
            }
        }
    }
}

// The C-score counted anew from lines either way round, by lists or by words (long
// lines span whole vectors and a tail), against the literal count.
TEST(CScoreCount, EqualsTheLiteralCountEitherWayRound) {
    Random random(17, 2);
    const struct { std::int32_t rows, cols; double fill; } shapes[] = {
        {600, 40, 0.3}, {40, 600, 0.3}, {520, 9, 0.05}, {9, 520, 0.9}, {130, 65, 0.5}, {64, 64, 0.02}, {2, 2, 0.5}};
    for (const auto& shape : shapes) {
        const PresenceMatrix m = randomMatrix(shape.rows, shape.cols, shape.fill, random);
        for (const bool linesAreSites : {true, false}) {
            const BitLines lines = featureLines(m, linesAreSites);
            CScoreCount count;
            count.start(lines, linesAreSites);
            EXPECT_EQ(count.of(lines), reference::statistic(m, StatisticId::CScore)) << shape.rows << "x" << shape.cols;
            EXPECT_GT(count.cost(), 0.0);
        }
    }
}

// Reading now and then follows the same chain: at the trace's points the values are the
// ones the chain followed through every trade had, and the tally weighs each read by the
// trades it stands for, so it counts every iteration and estimates the same p-value
// (exactly the same where a small matrix is read after every trade).
TEST(PValue, ReadingNowAndThenKeepsTheTraceAndTalliesEveryIteration) {
    Random shapes(31, 0);
    int readEveryTrade = 0, readNowAndThen = 0;
    for (int n = 0; n < 8; ++n) {
        const PresenceMatrix m = n < 2 ? randomMatrix(5, 4 + n, 0.5, shapes) : randomMatrix(22 + n, 14, 0.1 * n, shapes);
        for (StatisticId id : kComputed) {
            Random a(n, 5), b(n, 5);
            StatisticChain every(m, id, a, StatisticRange::Full64, Sampler::Curveball);
            StatisticChain reading(m, id, b, StatisticRange::Full64, Sampler::Curveball,
                                   StatisticChain::Reading::NowAndThen);
            const bool eachTrade = reading.stepsPerRead() == 1;
            (eachTrade ? readEveryTrade : readNowAndThen) += 1;
            for (const std::int64_t count : {std::int64_t{1} << 17, std::int64_t{50000}}) {
                const PValueResult e = every.next(count, a), r = reading.next(count, b);
                ASSERT_EQ(r.trace.size(), e.trace.size());
                for (std::size_t t = 0; t < e.trace.size(); ++t) {
                    ASSERT_EQ(r.trace[t].iteration, e.trace[t].iteration);
                    ASSERT_EQ(r.trace[t].value, e.trace[t].value) << "point " << t;
                }
                EXPECT_EQ(r.values, count);
                EXPECT_EQ(reading.iterationsDone(), every.iterationsDone());
                const double mean = e.simulatedSum / static_cast<double>(count);
                if (eachTrade) {
                    EXPECT_EQ(r.pValue, e.pValue);
                    EXPECT_EQ(r.simulatedSum, e.simulatedSum);
                } else {
                    EXPECT_NEAR(r.pValue, e.pValue, 0.03);
                    EXPECT_NEAR(r.simulatedSum / static_cast<double>(count), mean, 0.02 * std::abs(mean) + 0.05);
                }
            }
            EXPECT_EQ(a.next(), b.next());
        }
    }
    EXPECT_GT(readEveryTrade, 0);
    EXPECT_GT(readNowAndThen, 12);
}

}  // namespace
}  // namespace kelpo
