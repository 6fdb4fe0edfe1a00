#include <gtest/gtest.h>

#include "results/number_text.h"

namespace kelpo {

TEST(NumberText, GeneralTextHasNoTrailingZerosAndALeadingZero) {
    EXPECT_EQ(generalNumberText(0.0234), "0.0234");
    EXPECT_EQ(generalNumberText(0.5), "0.5");
    EXPECT_EQ(generalNumberText(1.0), "1");
    EXPECT_EQ(generalNumberText(120.0), "120");
    EXPECT_EQ(generalNumberText(0.0), "0");
    EXPECT_EQ(generalNumberText(1000000.0), "1000000");
}

TEST(NumberText, GeneralTextKeepsFifteenSignificantDigits) {
    EXPECT_EQ(generalNumberText(0.1 + 0.2), "0.3");
    EXPECT_EQ(generalNumberText(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(generalNumberText(123456789012345.0), "123456789012345");
}

TEST(NumberText, GeneralTextSwitchesToExponentBelowOneTenThousandth) {
    EXPECT_EQ(generalNumberText(0.0001), "0.0001");
    EXPECT_EQ(generalNumberText(0.00001), "1E-05");
    EXPECT_EQ(generalNumberText(0.000025), "2.5E-05");
    EXPECT_EQ(generalNumberText(1e15), "1E+15");
}

TEST(NumberText, FixedTextRoundsTheDecimalFormHalfAwayFromZero) {
    EXPECT_EQ(fixedNumberText(0.0125, 3), "0.013");  // binary 0.0125 lies a hair above; 0.0135 below
    EXPECT_EQ(fixedNumberText(0.0135, 3), "0.014");
    EXPECT_EQ(fixedNumberText(1.0005, 3), "1.001");  // the double is 1.000499999...
    EXPECT_EQ(fixedNumberText(0.05, 3), "0.050");
    EXPECT_EQ(fixedNumberText(0.0, 3), "0.000");
    EXPECT_EQ(fixedNumberText(1.0, 3), "1.000");
    EXPECT_EQ(fixedNumberText(0.9996, 3), "1.000");
    EXPECT_EQ(fixedNumberText(0.0004, 3), "0.000");
    EXPECT_EQ(fixedNumberText(0.0005, 3), "0.001");
    EXPECT_EQ(fixedNumberText(0.00001, 3), "0.000");
    EXPECT_EQ(fixedNumberText(123.4567, 3), "123.457");
    EXPECT_EQ(fixedNumberText(-0.0125, 3), "-0.013");
    EXPECT_EQ(fixedNumberText(-0.0001, 3), "0.000");
}

TEST(NumberText, PercentTextShiftsTheDecimalFormBeforeRounding) {
    EXPECT_EQ(percentText(0.5), "50.0%");
    EXPECT_EQ(percentText(0.15), "15.0%");
    EXPECT_EQ(percentText(1.0), "100.0%");
    EXPECT_EQ(percentText(0.12345), "12.3%");
    EXPECT_EQ(percentText(0.12355), "12.4%");
    EXPECT_EQ(percentText(0.00049), "0.0%");
    EXPECT_EQ(percentText(0.0005), "0.1%");
    EXPECT_EQ(percentText(0.0), "0.0%");
}

}  // namespace kelpo
