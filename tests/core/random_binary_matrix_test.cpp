// Random 0/1 matrices with fixed margins.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/error.h"
#include "core/random_binary_matrix.h"
#include "reference.h"

namespace kelpo {
namespace {

PresenceMatrix randomMatrix(std::int32_t R, std::int32_t C, double fill, Random& random) {
    PresenceMatrix m(R, C);
    for (std::int32_t i = 1; i <= R; ++i)
        for (std::int32_t k = 1; k <= C; ++k) m.set(i, k, random.next() < fill ? 1 : 0);
    return m;
}

bool onlyZeroOne(const PresenceMatrix& m) {
    for (std::int32_t i = 1; i <= m.rows(); ++i)
        for (std::int32_t k = 1; k <= m.cols(); ++k)
            if (m(i, k) > 1) return false;
    return true;
}

// Margins from real 0/1 matrices, with full rows, full columns and zero sums.
std::vector<PresenceMatrix> sampleMatrices() {
    Random random(31, 2);
    std::vector<PresenceMatrix> out;
    for (int n = 0; n < 400; ++n) {
        const std::int32_t R = random.draw(12), C = random.draw(12);
        const double fill = (random.draw(11) - 1) / 10.0;
        PresenceMatrix m = randomMatrix(R, C, fill, random);
        if (n % 5 == 0) for (std::int32_t k = 1; k <= C; ++k) m.set(1, k, 1);          // a full row
        if (n % 7 == 0) for (std::int32_t i = 1; i <= R; ++i) m.set(i, C, 1);          // a full column
        if (n % 3 == 0) for (std::int32_t k = 1; k <= C; ++k) m.set(R, k, 0);          // a zero row
        out.push_back(m);
    }
    out.emplace_back(60, 40);
    out.push_back(randomMatrix(70, 90, 0.3, random));
    out.push_back(randomMatrix(100, 30, 0.8, random));
    return out;
}

TEST(RandomBinaryMatrix, MeetsTheMarginsWithOnlyZeroAndOne) {
    Random random(5, 0);
    for (const PresenceMatrix& m : sampleMatrices()) {
        const PresenceMatrix r = RandomBinaryMatrix(m.rowSums(), m.colSums(), random);
        ASSERT_EQ(r.rows(), m.rows());
        ASSERT_EQ(r.cols(), m.cols());
        ASSERT_TRUE(onlyZeroOne(r));
        ASSERT_EQ(r.rowSums(), m.rowSums());
        ASSERT_EQ(r.colSums(), m.colSums());
    }
}

// The same random values give the same matrix as the literal algorithm (lists by
// vector erase and push_back), so the draws come in the defined order.
TEST(RandomBinaryMatrix, DealingAndReductionFollowTheLiteralAlgorithm) {
    int withReduction = 0;
    int seed = 1;
    for (const PresenceMatrix& m : sampleMatrices()) {
        Random a(seed, 4), b(seed, 4);
        ++seed;
        MarginMatrix x = RandomMarginMatrix(m.rowSums(), m.colSums(), a);
        auto y = reference::marginMatrix(m.rowSums(), m.colSums(), b);
        bool above1 = false;
        for (std::int32_t i = 1; i <= m.rows(); ++i)
            for (std::int32_t k = 1; k <= m.cols(); ++k) {
                ASSERT_EQ(x.at(i, k), y[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)]);
                above1 = above1 || x.at(i, k) > 1;
            }
        withReduction += above1;
        ReduceSumOfSquares(x, a);
        reference::reduce(y, m.rows(), m.cols(), b);
        for (std::int32_t i = 1; i <= m.rows(); ++i)
            for (std::int32_t k = 1; k <= m.cols(); ++k)
                ASSERT_EQ(x.at(i, k), y[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)]);
        ASSERT_EQ(a.next(), b.next());
    }
    EXPECT_GT(withReduction, 50);  // the reduction really ran on many of them
}

TEST(RandomBinaryMatrix, FixedSeedGivesTheSameMatrix) {
    Random random(9, 9);
    const PresenceMatrix m = randomMatrix(30, 25, 0.4, random);
    Random a(123, 1), b(123, 1);
    EXPECT_EQ(RandomBinaryMatrix(m.rowSums(), m.colSums(), a), RandomBinaryMatrix(m.rowSums(), m.colSums(), b));
}

TEST(RandomBinaryMatrix, AllZeroMarginsDrawNothing) {
    Random used(4, 4), fresh(4, 4);
    const PresenceMatrix r = RandomBinaryMatrix({0, 0, 0}, {0, 0}, used);
    EXPECT_EQ(r, PresenceMatrix(3, 2));
    EXPECT_EQ(used.next(), fresh.next());
}

TEST(RandomBinaryMatrix, PermutationMarginsGiveAPermutationMatrix) {
    Random random(1, 1);
    for (int n = 0; n < 50; ++n) {
        const PresenceMatrix r = RandomBinaryMatrix({1, 1}, {1, 1}, random);
        EXPECT_EQ(r(1, 1), r(2, 2));
        EXPECT_EQ(r(1, 2), r(2, 1));
        EXPECT_NE(r(1, 1), r(1, 2));
    }
}

TEST(RandomBinaryMatrix, OneRowIsTheObservedRow) {
    Random random(1, 1);
    const PresenceMatrix r = RandomBinaryMatrix({3}, {1, 0, 1, 1, 0}, random);
    for (std::int32_t k = 1; k <= 5; ++k) EXPECT_EQ(r(1, k), k == 2 || k == 5 ? 0 : 1);
}

TEST(RandomBinaryMatrix, RefusesBadMargins) {
    Random random(1, 1);
    auto kindOf = [&](const std::vector<std::int32_t>& r, const std::vector<std::int32_t>& c) {
        try {
            RandomBinaryMatrix(r, c, random);
        } catch (const Error& e) {
            return e.kind();
        }
        return ErrorKind::Cancelled;  // no error
    };
    EXPECT_EQ(kindOf({1, -1}, {0, 0}), ErrorKind::InvalidInput);  // negative
    EXPECT_EQ(kindOf({1, 1}, {1, 0}), ErrorKind::InvalidInput);   // unequal totals
    EXPECT_EQ(kindOf({3, 0}, {1, 2}), ErrorKind::InvalidInput);   // row sum above the columns
    EXPECT_EQ(kindOf({2, 0}, {2, 0}), ErrorKind::InvalidInput);  // within bounds, yet impossible
    EXPECT_EQ(kindOf({1, 1}, {1, 1}), ErrorKind::Cancelled);
    EXPECT_THROW(RandomMarginMatrix({2}, {1}, random), Error);
    MarginMatrix impossible{2, 2, {2, 0, 0, 0}};
    EXPECT_THROW(ReduceSumOfSquares(impossible, random), Error);
}

TEST(RandomBinaryMatrix, LongListsStayInOrder) {
    // Enough rows and units to make the open lists pack their slots many times.
    Random random(8, 8);
    const PresenceMatrix m = randomMatrix(300, 200, 0.5, random);
    Random a(17, 0), b(17, 0);
    const MarginMatrix x = RandomMarginMatrix(m.rowSums(), m.colSums(), a);
    const auto y = reference::marginMatrix(m.rowSums(), m.colSums(), b);
    for (std::int32_t i = 1; i <= 300; ++i)
        for (std::int32_t k = 1; k <= 200; ++k) ASSERT_EQ(x.at(i, k), y[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)]);
}

}  // namespace
}  // namespace kelpo

namespace kelpo {

// Past the plain-pass limit the aimed passes must still end with the margins kept and
// only 0 and 1: a limit of 0 sends every dealt matrix straight to them.
TEST(ReduceSumOfSquares, AimedPassesKeepMarginsAndEndWithZerosAndOnes) {
    Random random(17, 3);
    for (int trial = 0; trial < 300; ++trial) {
        const std::int32_t rows = random.draw(12) + 1, cols = random.draw(12) + 1;
        const double fill = random.next();
        PresenceMatrix source(rows, cols);
        for (std::int32_t i = 1; i <= rows; ++i)
            for (std::int32_t k = 1; k <= cols; ++k) source.set(i, k, random.next() < fill ? 1 : 0);
        MarginMatrix x = RandomMarginMatrix(source.rowSums(), source.colSums(), random);
        ReduceSumOfSquares(x, random, 0);
        std::vector<std::int32_t> rowSums(static_cast<std::size_t>(rows), 0), colSums(static_cast<std::size_t>(cols), 0);
        for (std::int32_t i = 1; i <= rows; ++i) {
            for (std::int32_t k = 1; k <= cols; ++k) {
                ASSERT_LE(x.at(i, k), 1);
                rowSums[static_cast<std::size_t>(i - 1)] += x.at(i, k);
                colSums[static_cast<std::size_t>(k - 1)] += x.at(i, k);
            }
        }
        ASSERT_EQ(rowSums, source.rowSums());
        ASSERT_EQ(colSums, source.colSums());
    }
}

}  // namespace kelpo
