// Typed numbers, the random draw contract, and random 0/1 matrices with fixed margins
// against the literal dealing and reduction driven by the same random values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/numbers.h"
#include "core/random_binary_matrix.h"
#include "reference.h"

namespace kelpo {
namespace {

using reference::randomMatrix;

// Every cell 0 or 1 and the margins of m.
void expectZeroOneWithMargins(const PresenceMatrix& r, const PresenceMatrix& m) {
    ASSERT_EQ(r.rows(), m.rows());
    ASSERT_EQ(r.cols(), m.cols());
    for (std::int32_t i = 1; i <= r.rows(); ++i)
        for (std::int32_t k = 1; k <= r.cols(); ++k) ASSERT_LE(r(i, k), 1) << i << "," << k;
    ASSERT_EQ(r.rowSums(), m.rowSums());
    ASSERT_EQ(r.colSums(), m.colSums());
}

// The same random values give the same matrices as the plain list version (lists by
// vector erase and push_back), so the draws come in the defined order. Margins from
// real 0/1 matrices, with full rows, full columns, zero sums and all-zero margins.
TEST(RandomBinaryMatrix, DealingAndReductionMatchThePlainListVersion) {
    Random random(31, 2);
    std::vector<PresenceMatrix> samples;
    for (int n = 0; n < 250; ++n) {
        const std::int32_t R = random.draw(12), C = random.draw(12);
        PresenceMatrix m = randomMatrix(R, C, (random.draw(11) - 1) / 10.0, random);
        if (n % 5 == 0) for (std::int32_t k = 1; k <= C; ++k) m.set(1, k, 1);  // a full row
        if (n % 7 == 0) for (std::int32_t i = 1; i <= R; ++i) m.set(i, C, 1);  // a full column
        if (n % 3 == 0) for (std::int32_t k = 1; k <= C; ++k) m.set(R, k, 0);  // a zero row
        samples.push_back(m);
    }
    samples.emplace_back(60, 40);
    samples.push_back(randomMatrix(70, 90, 0.3, random));
    samples.push_back(randomMatrix(100, 30, 0.8, random));
    samples.push_back(randomMatrix(300, 200, 0.5, random));  // the open lists pack their slots many times
    int withReduction = 0;
    int seed = 1;
    for (const PresenceMatrix& m : samples) {
        Random a(seed, 4), b(seed, 4), c(seed, 4);
        ++seed;
        MarginMatrix x = RandomMarginMatrix(m.rowSums(), m.colSums(), a);
        auto y = reference::marginMatrix(m.rowSums(), m.colSums(), b);
        bool above1 = false;
        for (std::int32_t i = 1; i <= m.rows(); ++i)
            for (std::int32_t k = 1; k <= m.cols(); ++k) {
                ASSERT_EQ(x.at(i, k), y[i][k]);
                above1 = above1 || x.at(i, k) > 1;
            }
        withReduction += above1;
        ReduceSumOfSquares(x, a);
        reference::reduce(y, m.rows(), m.cols(), b);
        // The whole call: the two stages on the same random values, 0/1 with the margins.
        const PresenceMatrix r = RandomBinaryMatrix(m.rowSums(), m.colSums(), c);
        for (std::int32_t i = 1; i <= m.rows(); ++i)
            for (std::int32_t k = 1; k <= m.cols(); ++k) {
                ASSERT_EQ(x.at(i, k), y[i][k]);
                ASSERT_EQ(r(i, k), y[i][k]);
            }
        expectZeroOneWithMargins(r, m);
        // The path for matrices beyond the cache: the same moves from the same draws.
        Random d(seed - 1, 4);
        MarginMatrix z = RandomMarginMatrix(m.rowSums(), m.colSums(), d);
        ReduceSumOfSquares(z, d, kPlainPassLimit, ReductionPath::BeyondCache);
        ASSERT_EQ(z.cells, x.cells);
        // Past the plain-pass limit (0 here) the aimed passes must still end with 0/1 and the margins.
        MarginMatrix aimed = RandomMarginMatrix(m.rowSums(), m.colSums(), c);
        ReduceSumOfSquares(aimed, c, 0);
        PresenceMatrix reduced(m.rows(), m.cols());
        for (std::int32_t i = 1; i <= m.rows(); ++i)
            for (std::int32_t k = 1; k <= m.cols(); ++k) reduced.set(i, k, static_cast<std::uint8_t>(std::min<int>(aimed.at(i, k), 9)));
        expectZeroOneWithMargins(reduced, m);
        const float next = b.next();
        ASSERT_EQ(a.next(), next);
        ASSERT_EQ(d.next(), next);
    }
    EXPECT_GT(withReduction, 30);  // the reduction really ran on many of them
}

TEST(RandomBinaryMatrix, RefusesBadMargins) {
    const struct { std::vector<std::int32_t> rows, cols; bool realisable; } cases[] = {
        {{1, -1}, {0, 0}, false}, {{1, 1}, {1, 0}, false}, {{3, 0}, {1, 2}, false},
        {{2, 0}, {2, 0}, false},  // within bounds, yet impossible
        {{1, 1}, {1, 1}, true}, {{2, 1}, {1, 1, 1}, true}, {{}, {}, true}};
    for (const auto& c : cases) {
        Random random(1, 1);
        EXPECT_EQ(marginsRealisable(c.rows, c.cols), c.realisable);
        if (c.realisable) EXPECT_NO_THROW(RandomBinaryMatrix(c.rows, c.cols, random));
        else EXPECT_THROW(RandomBinaryMatrix(c.rows, c.cols, random), Error);
    }
    Random random(1, 1);
    EXPECT_THROW(RandomMarginMatrix({2}, {1}, random), Error);
    MarginMatrix impossible{2, 2, {2, 0, 0, 0}};
    EXPECT_THROW(ReduceSumOfSquares(impossible, random), Error);
}

}  // namespace
}  // namespace kelpo
