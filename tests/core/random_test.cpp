// The random generator's draw contract: floor(u * n) + 1 in double precision, u the
// 24-bit float of one output. draw and drawSmall compute it in integers; they must
// agree with the double formula for every n they serve.
#include <gtest/gtest.h>

#include <cstdint>

#include "core/random.h"

namespace kelpo {
namespace {

std::int32_t literalDraw(float u, std::int32_t n) {
    return static_cast<std::int32_t>(static_cast<double>(u) * static_cast<double>(n)) + 1;
}

TEST(Random, DrawIsFloorOfUTimesNPlusOne) {
    const std::int32_t sizes[] = {0, 1, 2, 3, 7, 20, 100, 32767, 65536, 1000003, (1 << 29) - 1, 1 << 29,
                                  (1 << 29) + 1, 1 << 30, INT32_MAX};
    for (std::int32_t n : sizes) {
        Random a(42, 1), b(42, 1), c(42, 1);
        for (int t = 0; t < 20000; ++t) {
            const float u = c.next();
            ASSERT_EQ(a.draw(n), literalDraw(u, n)) << n;
            if (n <= (1 << 29)) ASSERT_EQ(b.drawSmall(n), literalDraw(u, n)) << n;
            else b.next();
        }
    }
}

TEST(Random, SeedAndStreamFixTheSequence) {
    Random a(7, 3), b(7, 3), c(7, 4), d(8, 3);
    bool differsByStream = false, differsBySeed = false;
    for (int t = 0; t < 100; ++t) {
        const float x = a.next();
        ASSERT_EQ(x, b.next());
        differsByStream = differsByStream || x != c.next();
        differsBySeed = differsBySeed || x != d.next();
    }
    EXPECT_TRUE(differsByStream);
    EXPECT_TRUE(differsBySeed);
    Random r1, r2(1, 1);
    r2.reset();
    EXPECT_EQ(r1.next(), r2.next());
}

}  // namespace
}  // namespace kelpo
