#include "core/numbers.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/error.h"

namespace kelpo {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Length of the longest prefix of text (from pos) that is a decimal number.
std::size_t numberLength(std::string_view text, std::size_t pos) {
    std::size_t i = pos;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) { ++i; ++digits; }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) { ++i; ++digits; }
    }
    if (digits == 0) return 0;
    // An exponent counts only when digits follow it, so "3e" reads 3.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        std::size_t expDigits = 0;
        while (j < text.size() && isDigit(text[j])) { ++j; ++expDigits; }
        if (expDigits > 0) i = j;
    }
    return i - pos;
}

}  // namespace

double leadingNumber(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    const std::size_t length = numberLength(text, pos);
    if (length == 0) return 0.0;
    const std::string number(text.substr(pos, length));
    return std::strtod(number.c_str(), nullptr);
}

std::int32_t toWholeNumber(double value) {
    const double rounded = std::nearbyint(value);  // default mode: halves to even
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) {
        throw Error(ErrorKind::Overflow, "The number " + plainNumberText(value) +
                                             " does not fit a 32-bit whole number.");
    }
    return static_cast<std::int32_t>(rounded);
}

std::string plainNumberText(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

std::int32_t checkedAdd(std::int32_t a, std::int32_t b, const char* what) {
    std::int32_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        throw Error(ErrorKind::Overflow, std::string("Overflow: ") + what + " exceeds the 32-bit range.");
    }
    return sum;
}

std::int32_t checkedMultiply(std::int32_t a, std::int32_t b, const char* what) {
    std::int32_t product = 0;
    if (__builtin_mul_overflow(a, b, &product)) {
        throw Error(ErrorKind::Overflow, std::string("Overflow: ") + what + " exceeds the 32-bit range.");
    }
    return product;
}

std::string formatted(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace kelpo
