// The generator's statistical properties: uniform draws, no correlation between
// consecutive draws nor between streams (related ids included, at every seed).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/random.h"

namespace kelpo {
namespace {

// The 99.9 % point of chi-square with df degrees of freedom (Wilson-Hilferty).
double chiSquareBound(double df) {
    const double a = 2.0 / (9.0 * df);
    return df * std::pow(1.0 - a + 3.0902 * std::sqrt(a), 3.0);
}

// sqrt(N) times the correlation of N paired values of two uniforms: about N(0, 1).
template <class Next>
double correlationZ(std::int64_t n, Next&& nextPair) {
    double sum = 0;
    for (std::int64_t t = 0; t < n; ++t) {
        const auto [a, b] = nextPair();
        sum += (a - 0.5) * (b - 0.5);
    }
    return sum * 12.0 / std::sqrt(static_cast<double>(n));
}

double streamZ(std::int32_t seed, std::uint64_t a, std::uint64_t b, std::int64_t n) {
    Random x(seed, a), y(seed, b);
    return correlationZ(n, [&] { return std::pair<double, double>(x.next(), y.next()); });
}

constexpr std::uint64_t community(std::uint64_t row, std::uint64_t index) { return row << 32 | index; }

TEST(Generator, DrawsOfOneToNAreUniform) {
    Random random(2024, 3);
    for (const std::int32_t n : {2, 3, 7, 20, 1000, 32767}) {
        constexpr std::int64_t kDraws = 10'000'000;
        std::vector<std::int64_t> counts(static_cast<std::size_t>(n) + 1, 0);
        for (std::int64_t t = 0; t < kDraws; ++t) ++counts[static_cast<std::size_t>(random.draw(n))];
        ASSERT_EQ(counts[0], 0);
        const double expected = static_cast<double>(kDraws) / n;
        double chi = 0;
        for (std::int32_t v = 1; v <= n; ++v) chi += std::pow(counts[static_cast<std::size_t>(v)] - expected, 2) / expected;
        EXPECT_LT(chi, chiSquareBound(n - 1)) << n;
    }
}

TEST(Generator, ConsecutiveDrawsAreUncorrelated) {
    Random random(0, 0);
    double last = random.next();
    EXPECT_LT(std::abs(correlationZ(2'000'000, [&] {
                  const double now = random.next();
                  return std::pair<double, double>(std::exchange(last, now), now);
              })),
              4.5);
}

// Streams whose ids stand in ratio 3, 5 or 7, neighbours, and random pairs: at seeds
// 0, 1 and 2^31 - 1 none is correlated beyond sampling noise.
TEST(Generator, RelatedStreamsAreUncorrelatedAtEverySeed) {
    const std::pair<std::uint64_t, std::uint64_t> related[] = {
        {1, 4}, {2, 7}, {3, 10}, {1, 2}, {10, 11}, {community(1, 1), community(3, 4)},
        {community(2, 5), community(6, 16)}, {community(1, 1), community(1, 2)}, {community(1, 7), community(2, 7)}};
    for (const std::int32_t seed : {0, 1, INT32_MAX}) {
        for (const auto& [a, b] : related) EXPECT_LT(std::abs(streamZ(seed, a, b, 1'000'000)), 4.5) << seed << " " << a << " " << b;
        Random ids(seed, 77);
        constexpr int kPairs = 300;
        double chi = 0;
        for (int p = 0; p < kPairs; ++p) {
            const auto a = static_cast<std::uint64_t>(ids.draw(36)) << 32 | static_cast<std::uint64_t>(ids.draw(100));
            const auto b = a + static_cast<std::uint64_t>(ids.draw(1000));
            chi += std::pow(streamZ(seed, a, b, 20'000), 2);
        }
        EXPECT_LT(chi, chiSquareBound(kPairs)) << seed;
    }
}

}  // namespace
}  // namespace kelpo
