// The number texts of the report: general notation, fixed decimals and percentages.
#pragma once

#include <cstdint>
#include <string>

namespace kelpo {

// Up to 15 significant digits, no trailing zeros, a 0 before the point:
// 0.0234, 0.5, 1, 120; exponent form (1E-05, 1.5E+15) below 1E-04 and from 1E+15.
std::string generalNumberText(double value);

// At least one digit before the point and exactly `decimals` after it, rounded half
// away from zero on the value's 15-significant-digit decimal form: "0.000" style.
std::string fixedNumberText(double value, int decimals);

// The value times 100 with one decimal and a percent sign, rounded like
// fixedNumberText: "0.0%" style (0.5 gives 50.0%).
std::string percentText(double value);

// A whole number in decimal, every digit of it (64-bit statistics included).
std::string wholeNumberText(std::int64_t value);

}  // namespace kelpo
