// The swap chain's null distribution: on margins small enough to enumerate every
// matrix that has them, the long-run share of each statistic value matches the exact
// share (every such matrix equally likely). And start matrices of a large sparse
// table (the aimed reduction) keep its margins exactly.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

#include "core/random_binary_matrix.h"
#include "core/swap_chain.h"

namespace kelpo {
namespace {

const std::vector<std::int32_t> kRows = {2, 3, 2, 3, 2}, kCols = {3, 2, 3, 1, 3};

// Every 5 x 5 matrix with the margins above, row by row over the 5-bit patterns.
void enumerate(PresenceMatrix& m, std::int32_t row, std::vector<std::int32_t>& colsLeft,
               std::vector<PresenceMatrix>& out) {
    if (row > 5) {
        for (std::int32_t c : colsLeft) if (c != 0) return;
        out.push_back(m);
        return;
    }
    for (unsigned bits = 0; bits < 32; ++bits) {
        if (std::popcount(bits) != kRows[static_cast<std::size_t>(row - 1)]) continue;
        bool fits = true;
        for (std::int32_t k = 0; k < 5; ++k) fits &= (colsLeft[static_cast<std::size_t>(k)] -= (bits >> k) & 1) >= 0;
        if (fits) {
            for (std::int32_t k = 0; k < 5; ++k) m.set(row, k + 1, (bits >> k) & 1);
            enumerate(m, row + 1, colsLeft, out);
        }
        for (std::int32_t k = 0; k < 5; ++k) colsLeft[static_cast<std::size_t>(k)] += (bits >> k) & 1;
    }
}

template <template <TableLayout> class Stat>
void expectExactShares(StatisticId id, const std::vector<PresenceMatrix>& all) {
    std::map<std::int64_t, double> exact, seen;
    for (const PresenceMatrix& m : all) exact[computeStatistic(m, id)] += 1.0 / static_cast<double>(all.size());
    withChain<Stat>(5, 5, [&](auto& chain) {
        chain.start(featureLines(all.front(), std::decay_t<decltype(chain)>::Statistic::kSpeciesAreEntities));
        Random random(5, 1);
        // Thinned by 100 steps, so the samples are as good as independent.
        constexpr int kSamples = 40000;
        for (int s = 0; s < kSamples; ++s) {
            for (int t = 0; t < 100; ++t) chain.step(random);
            seen[chain.value()] += 1;
        }
        double chi = 0;
        for (const auto& [value, share] : exact) chi += std::pow(seen[value] - share * kSamples, 2) / (share * kSamples);
        const double df = static_cast<double>(exact.size()) - 1, a = 2.0 / (9.0 * df);
        EXPECT_LT(chi, df * std::pow(1.0 - a + 3.0902 * std::sqrt(a), 3.0)) << static_cast<int>(id);
        EXPECT_EQ(seen.size(), exact.size()) << "values the margins do not allow";
        return 0;
    });
}

TEST(SwapChain, LongRunSharesMatchTheEnumeratedMatrices) {
    PresenceMatrix m(5, 5);
    std::vector<std::int32_t> colsLeft = kCols;
    std::vector<PresenceMatrix> all;
    enumerate(m, 1, colsLeft, all);
    ASSERT_GT(all.size(), 500u);
    expectExactShares<CScoreStatistic>(StatisticId::CScore, all);
    expectExactShares<CheckerboardsStatistic>(StatisticId::Checkerboards, all);
    expectExactShares<CombinationsStatistic>(StatisticId::Combinations, all);
}

TEST(RandomBinaryMatrix, SparseSkewedTablesKeepTheirMargins) {
    Random random(8, 8);
    PresenceMatrix table(3000, 400);
    for (std::int32_t i = 1; i <= 3000; ++i)
        for (std::int32_t k = 1; k <= 400; ++k) table.set(i, k, random.next() * std::pow(i + 20.0, 0.7) < 3.0 ? 1 : 0);
    const PresenceMatrix start = RandomBinaryMatrix(table.rowSums(), table.colSums(), random);
    EXPECT_EQ(start.rowSums(), table.rowSums());
    EXPECT_EQ(start.colSums(), table.colSums());
    for (std::int32_t k = 1; k <= 400; ++k)
        for (std::int32_t i = 1; i <= 3000; ++i) ASSERT_LE(start(i, k), 1);
}

}  // namespace
}  // namespace kelpo
