// The community draw against a cell-by-cell draw built the plain way.
#include <gtest/gtest.h>

#include "core/random.h"
#include "engine/community.h"

namespace kelpo {
namespace {

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

}  // namespace
}  // namespace kelpo
