// Block patterns, the interaction table and the community draw, the last two checked
// against a cell-by-cell table built the plain way.
#include <gtest/gtest.h>

#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "engine/community.h"
#include "engine/distribution.h"
#include "engine/interaction_table.h"

namespace kelpo {
namespace {

std::vector<double> rowOf(const ProbabilityMatrix& x, std::int32_t i) {
    std::vector<double> row;
    for (std::int32_t j = 1; j <= x.cols(); ++j) row.push_back(x(i, j));
    return row;
}

TEST(DistributionTest, ProportionsOfInteractingSpecies) {
    const double expected[] = {0.0, 0.0, 0.5, 1.0, 0.0};  // indices 0 to 4
    for (std::int32_t k = 0; k <= 4; ++k) EXPECT_EQ(Proportion(k), expected[k]) << k;
}

TEST(DistributionTest, OddSizesPutTheExtraRowBelowAndTheExtraColumnRight) {
    const ProbabilityMatrix x = Distribution(10, 5, 4);
    const std::vector<double> upper{0.2, 0.2, 0.8, 0.8}, lower{0.8, 0.8, 0.2, 0.2};
    for (std::int32_t i = 1; i <= 5; ++i) EXPECT_EQ(rowOf(x, i), i <= 2 ? upper : lower) << "row " << i;
    const ProbabilityMatrix wide = Distribution(12, 3, 5);  // upper row 1; left columns 1-2
    EXPECT_EQ(rowOf(wide, 1), (std::vector<double>{0.2, 0.2, 0.8, 0.8, 0.8}));
    EXPECT_EQ(rowOf(wide, 2), (std::vector<double>{0.8, 0.8, 0.9, 0.9, 0.9}));
    // A single column is right, a single row lower.
    EXPECT_EQ(rowOf(Distribution(6, 1, 6), 1), std::vector<double>(6, 0.3));
    const ProbabilityMatrix column = Distribution(4, 6, 1);
    for (std::int32_t i = 1; i <= 6; ++i) EXPECT_EQ(column(i, 1), 0.3) << "row " << i;
    // An unknown pattern is all zero.
    for (const std::int32_t d : {0, 13, -1}) {
        const ProbabilityMatrix none = Distribution(d, 4, 4);
        for (std::int32_t i = 1; i <= 4; ++i) EXPECT_EQ(rowOf(none, i), (std::vector<double>(4, 0.0)));
    }
}

TEST(InteractionTableTest, ConditionalProbabilities) {
    const ConditionalTable even = InteractionTable(Distribution(2, 4, 4), 2.0);
    EXPECT_DOUBLE_EQ(even(1, 2, 1), 1.0 / 3.0);
    EXPECT_DOUBLE_EQ(even(0, 2, 1), 2.0 / 3.0);
    EXPECT_EQ(even(1, 1, 1), 0.0);  // odd rows carry no entries
    EXPECT_EQ(even(0, 3, 4), 0.0);
    // a = b = 0.8: q0 = 4/3 is kept, not corrected.
    const ConditionalTable high = InteractionTable(Distribution(8, 4, 4), 2.0);
    EXPECT_DOUBLE_EQ(high(1, 2, 1), 0.8 / 1.2);
    EXPECT_DOUBLE_EQ(high(0, 2, 1), 4.0 / 3.0);

    // Seven rows: upper rows 1-3, so the pair (3, 4) has an upper partner and a lower species.
    const ProbabilityMatrix x = Distribution(7, 7, 2);  // upper 0.2, lower 0.8
    const ConditionalTable y = InteractionTable(x, 2.0);
    EXPECT_EQ(y(1, 4, 1), 0.8 / ((1.0 - 0.2) * 2.0 + 0.2));
    EXPECT_EQ(y(1, 2, 1), 0.2 / ((1.0 - 0.2) * 2.0 + 0.2));
    EXPECT_EQ(y(1, 6, 2), 0.8 / ((1.0 - 0.8) * 2.0 + 0.8));
    // b = 0 and c = 0 leave nothing to divide by.
    EXPECT_THROW(InteractionTable(ProbabilityMatrix(2, 2, 0.0, 0.0, 0.5, 0.5), 0.0), Error);
}

// The community drawn the plain way: full R x C tables of X and Y, one cell at a time.
PresenceMatrix referenceDraw(std::int32_t d, std::int32_t rows, std::int32_t cols, double p, Random& random) {
    const std::int32_t r2 = rows / 2;
    const std::int32_t c2 = cols / 2;
    const ProbabilityMatrix blocks = Distribution(d, 2, 2);  // one cell per block
    auto x = [&](std::int32_t i, std::int32_t j) { return blocks(i <= r2 ? 1 : 2, j <= c2 ? 1 : 2); };
    PresenceMatrix m(rows, cols);
    const auto k = static_cast<std::int32_t>(rows * p);
    for (std::int32_t i = 1; i <= rows; ++i) {
        for (std::int32_t j = 1; j <= cols; ++j) {
            double q = x(i, j);
            if (i % 2 == 0 && i <= k) {
                const double a = x(i, j);
                const double b = x(i - 1, j);
                const double q1 = a / ((1.0 - b) * 2.0 + b);
                q = m(i - 1, j) == 1 ? q1 : q1 * 2.0;
            }
            if (random.next() < static_cast<float>(q)) m.set(i, j, 1);
        }
    }
    return m;
}

TEST(CommunityTest, MatchesACellByCellDraw) {
    const std::int32_t sizes[][2] = {{1, 1}, {1, 5}, {5, 1}, {7, 4}, {6, 5}, {9, 9}, {2, 3}};
    for (const auto& size : sizes) {
        for (std::int32_t d = 1; d <= 12; ++d) {
            for (std::int32_t k = 1; k <= 3; ++k) {
                const ProbabilityMatrix x = Distribution(d, size[0], size[1]);
                Random compact(7, 40 + d);
                Random plain(7, 40 + d);
                const PresenceMatrix drawn = DrawCommunity(x, InteractionTable(x, 2.0), Proportion(k), compact);
                EXPECT_EQ(drawn, referenceDraw(d, size[0], size[1], Proportion(k), plain))
                    << size[0] << " x " << size[1] << ", d " << d << ", k " << k;
                EXPECT_EQ(compact.next(), plain.next()) << "one random value per cell";
            }
        }
    }
}

}  // namespace
}  // namespace kelpo
