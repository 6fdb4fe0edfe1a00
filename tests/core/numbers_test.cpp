#include <gtest/gtest.h>

#include "core/error.h"
#include "core/numbers.h"

namespace kelpo {

TEST(Numbers, LeadingNumberReadsTheLongestDecimalPrefix) {
    EXPECT_EQ(leadingNumber("12abc"), 12.0);
    EXPECT_EQ(leadingNumber("  7  "), 7.0);
    EXPECT_EQ(leadingNumber("abc"), 0.0);
    EXPECT_EQ(leadingNumber(""), 0.0);
    EXPECT_EQ(leadingNumber("-3.5e2x"), -350.0);
    EXPECT_EQ(leadingNumber("3e"), 3.0);
    EXPECT_EQ(leadingNumber(".5"), 0.5);
    EXPECT_EQ(leadingNumber("-"), 0.0);
}

TEST(Numbers, WholeNumbersRoundHalfToEvenAndRefuseOverflow) {
    EXPECT_EQ(toWholeNumber(2.5), 2);
    EXPECT_EQ(toWholeNumber(3.5), 4);
    EXPECT_EQ(toWholeNumber(-2.5), -2);
    EXPECT_EQ(toWholeNumber(2147483647.0), 2147483647);
    EXPECT_THROW(toWholeNumber(2147483648.0), Error);
    EXPECT_THROW(toWholeNumber(1e300), Error);
    EXPECT_THROW(checkedMultiply(214748365, 10, "iterations"), Error);
    EXPECT_EQ(checkedMultiply(214748364, 10, "iterations"), 2147483640);
}

}  // namespace kelpo
