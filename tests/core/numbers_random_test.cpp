// Reading typed numbers, whole-number rounding, and the random draw contract.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "core/error.h"
#include "core/numbers.h"
#include "core/random.h"

namespace kelpo {
namespace {

TEST(Numbers, LeadingNumberAndWholeNumberRules) {
    const struct { const char* text; double value; } leading[] = {
        {"12abc", 12}, {"  7  ", 7}, {"abc", 0}, {"", 0}, {"-3.5e2x", -350}, {"3e", 3}, {".5", 0.5}, {"-", 0}};
    for (const auto& c : leading) EXPECT_EQ(leadingNumber(c.text), c.value) << c.text;
    const struct { double value; std::int32_t whole; } rounding[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {2.4999, 2}, {2147483647.0, 2147483647}, {-2147483648.0, INT32_MIN}};
    for (const auto& c : rounding) EXPECT_EQ(toWholeNumber(c.value), c.whole) << c.value;
    for (const double bad : {2147483648.0, -2147483649.0, 1e300, std::nan("")}) EXPECT_THROW(toWholeNumber(bad), Error);
    EXPECT_EQ(checkedMultiply(214748364, 10, "x"), 2147483640);
    EXPECT_THROW(checkedMultiply(214748365, 10, "x"), Error);
    EXPECT_EQ(checkedAdd(2147483646, 1, "x"), 2147483647);
    EXPECT_THROW(checkedAdd(2147483647, 1, "x"), Error);
    const struct { double value; const char* text; } plain[] = {{12, "12"}, {3.5, "3.5"}, {-7, "-7"}, {0.25, "0.25"}};
    for (const auto& c : plain) EXPECT_EQ(plainNumberText(c.value), c.text);
}

// floor(u * n) + 1 in double precision, u the 24-bit float of one output, for every n
// that either path of draw serves.
TEST(Random, DrawIsFloorOfUTimesNPlusOneAndTheSeedFixesTheSequence) {
    const std::int32_t sizes[] = {0, 1, 2, 3, 7, 100, 32767, 1000003, 1 << 29, (1 << 29) + 1, INT32_MAX};
    for (std::int32_t n : sizes) {
        Random a(42, 1), b(42, 1), c(42, 1);
        for (int t = 0; t < 20000; ++t) {
            const auto literal = static_cast<std::int32_t>(static_cast<double>(c.next()) * static_cast<double>(n)) + 1;
            ASSERT_EQ(a.draw(n), literal) << n;
            if (n <= (1 << 29)) ASSERT_EQ(b.drawSmall(n), literal) << n;
            else b.next();
        }
    }
    Random a(7, 3), b(7, 3), c(7, 4), d(8, 3);
    bool differsByStream = false, differsBySeed = false;
    for (int t = 0; t < 100; ++t) {
        const float x = a.next();
        ASSERT_EQ(x, b.next());
        ASSERT_GE(x, 0.0f);
        ASSERT_LT(x, 1.0f);
        differsByStream = differsByStream || x != c.next();
        differsBySeed = differsBySeed || x != d.next();
    }
    EXPECT_TRUE(differsByStream && differsBySeed);
    Random r1, r2(1, 1);
    r2.reset();
    EXPECT_EQ(r1.next(), r2.next());
}

}  // namespace
}  // namespace kelpo
