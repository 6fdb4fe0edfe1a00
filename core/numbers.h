// Reading numbers the user typed, and turning doubles into 32-bit whole numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelpo {

// The longest leading part of the text that forms a decimal number (blanks
// skipped; sign, digits, point, exponent); 0 when there is none. "12abc" is 12.
double leadingNumber(std::string_view text);

// Nearest whole number, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Throws kelpo::Error (Overflow) outside the signed 32-bit range or for NaN.
std::int32_t toWholeNumber(double value);

// Plain decimal text of a double as the dimension boxes show it: 12, 3.5, -7.
std::string plainNumberText(double value);

// A double through a printf format (one conversion, "%.3f" and the like), for figures in messages.
std::string formatted(const char* format, double value);

// Checked 32-bit arithmetic: throws kelpo::Error (Overflow) naming what overflowed.
std::int32_t checkedAdd(std::int32_t a, std::int32_t b, const char* what);
std::int32_t checkedMultiply(std::int32_t a, std::int32_t b, const char* what);

}  // namespace kelpo
