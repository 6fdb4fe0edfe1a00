#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "results/number_text.h"

namespace kelpo {

using Cases = std::vector<std::pair<double, std::string>>;

TEST(NumberText, GeneralText) {
    const Cases cases = {
        // No trailing zeros, a 0 before the point, up to 15 significant digits.
        {0.0234, "0.0234"}, {0.5, "0.5"}, {1.0, "1"}, {120.0, "120"}, {0.0, "0"}, {1000000.0, "1000000"},
        {0.1 + 0.2, "0.3"}, {1.0 / 3.0, "0.333333333333333"}, {123456789012345.0, "123456789012345"},
        // Exponent form below 1E-04 and from 1E+15.
        {0.0001, "0.0001"}, {0.00001, "1E-05"}, {0.000025, "2.5E-05"}, {1e15, "1E+15"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(generalNumberText(value), text) << text;
}

TEST(NumberText, FixedTextRoundsTheDecimalFormHalfAwayFromZero) {
    const Cases cases = {
        {0.0125, "0.013"},  // binary 0.0125 lies a hair above; 0.0135 below
        {0.0135, "0.014"},
        {1.0005, "1.001"},  // the double is 1.000499999...
        {0.05, "0.050"}, {0.0, "0.000"}, {1.0, "1.000"}, {0.9996, "1.000"}, {0.0004, "0.000"},
        {0.0005, "0.001"}, {0.00001, "0.000"}, {123.4567, "123.457"}, {-0.0125, "-0.013"}, {-0.0001, "0.000"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(fixedNumberText(value, 3), text) << value;
}

TEST(NumberText, PercentTextShiftsTheDecimalFormBeforeRounding) {
    const Cases cases = {
        {0.5, "50.0%"}, {0.15, "15.0%"}, {1.0, "100.0%"}, {0.12345, "12.3%"},
        {0.12355, "12.4%"}, {0.00049, "0.0%"}, {0.0005, "0.1%"}, {0.0, "0.0%"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(percentText(value), text) << value;
}

}  // namespace kelpo
