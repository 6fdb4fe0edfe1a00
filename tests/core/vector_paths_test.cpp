// The kernels with several vector versions: every version this processor runs gives
// the portable version's numbers (the chain's results must not depend on the machine).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/random.h"
#include "core/row_kernel.h"

namespace kelpo {
namespace {

std::vector<VectorLevel> levelsHere() {
    std::vector<VectorLevel> levels{VectorLevel::Portable};
    if (vectorLevel() != VectorLevel::Portable) levels.push_back(VectorLevel::Avx2);
    if (vectorLevel() == VectorLevel::Avx512) levels.push_back(VectorLevel::Avx512);
    return levels;
}

TEST(VectorPaths, EveryRefillLevelGivesTheSameOutputs) {
    std::uint32_t start[4][8];
    Random seeds(7, 3);
    for (auto& word : start)
        for (auto& lane : word) lane = static_cast<std::uint32_t>(seeds.draw(1 << 24)) * 251u + 1u;
    std::vector<std::uint32_t> expected;
    for (const VectorLevel level : levelsHere()) {
        std::uint32_t state[4][8];
        std::copy(&start[0][0], &start[0][0] + 32, &state[0][0]);
        std::vector<std::uint32_t> batch(3 * 256);
        // Three refills, so the state each one leaves is checked too.
        for (int r = 0; r < 3; ++r) refillLanes(level, state, batch.data() + r * 256, 32);
        if (expected.empty()) expected = batch;
        EXPECT_EQ(batch, expected) << "level " << static_cast<int>(level);
    }
}

// The row update against its definition, entity by entity, at both widths.
TEST(VectorPaths, RowUpdateMatchesTheScalarDefinitionAtEveryWidth) {
    Random random(11, 0);
    for (int trial = 0; trial < 200; ++trial) {
        const std::size_t n = 16 * static_cast<std::size_t>(random.draw(8));
        const auto entities = static_cast<std::int32_t>(n - static_cast<std::size_t>(random.draw(16)) + 1);
        const auto g = static_cast<std::int16_t>(random.draw(entities) - 1);
        auto l = static_cast<std::int16_t>(random.draw(entities - 1) - 1);
        l = static_cast<std::int16_t>(l + (l >= g));
        const auto diff = static_cast<std::int16_t>(random.draw(41) - 21);
        std::vector<std::uint8_t> c1(n, 0), c2(n, 0);
        std::vector<std::uint16_t> rowG(n, 0), rowL(n, 0);
        for (std::int32_t h = 0; h < entities; ++h) {
            c1[h] = static_cast<std::uint8_t>(random.draw(2) - 1);
            c2[h] = static_cast<std::uint8_t>(random.draw(2) - 1);
            rowG[h] = static_cast<std::uint16_t>(random.draw(4) - 1 + c2[h]);
            rowL[h] = static_cast<std::uint16_t>(random.draw(4) - 1 + c1[h]);
        }
        std::int32_t cscore = 0, zeros = 0;
        std::vector<std::uint16_t> newG = rowG, newL = rowL;
        for (std::int32_t h = 0; h < entities; ++h) {
            if (h == g || h == l) continue;
            const int d = c1[h] - c2[h], sg = rowG[h], sl = rowL[h];
            cscore += d * (diff + 2 * (sg - sl)) + 2 * d * d;
            zeros += (sg + d == 0) - (sg == 0) + (sl - d == 0) - (sl == 0);
            newG[h] = static_cast<std::uint16_t>(sg + d);
            newL[h] = static_cast<std::uint16_t>(sl - d);
        }
        auto check = [&](auto kernel, std::int32_t expected, const char* what) {
            std::vector<std::uint16_t> g1 = rowG, l1 = rowL;
            EXPECT_EQ(kernel(g1.data(), l1.data()), expected) << what << " trial " << trial;
            EXPECT_EQ(g1, newG) << what << " trial " << trial;
            EXPECT_EQ(l1, newL) << what << " trial " << trial;
        };
        check([&](auto* a, auto* b) { return row_kernel::moveRowsBy<8, RowTerm::CScore>(c1.data(), c2.data(), a, b, n, g, l, diff); },
              cscore, "C-score, 8 lanes");
        check([&](auto* a, auto* b) { return row_kernel::moveRowsBy<8, RowTerm::Checkerboards>(c1.data(), c2.data(), a, b, n, g, l, 0); },
              zeros, "checkerboards, 8 lanes");
        check([&](auto* a, auto* b) { return moveRows<RowTerm::CScore>(c1.data(), c2.data(), a, b, n, g, l, diff); },
              cscore, "C-score, widest");
        check([&](auto* a, auto* b) { return moveRows<RowTerm::Checkerboards>(c1.data(), c2.data(), a, b, n, g, l, 0); },
              zeros, "checkerboards, widest");
    }
}

}  // namespace
}  // namespace kelpo
