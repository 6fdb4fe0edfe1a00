#include "results/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <system_error>

namespace kelpo {

namespace {

constexpr int kSignificantDigits = 15;

// std::to_chars never consults the locale, so a report always carries a decimal
// point, whatever locale the desktop program runs under.
std::string toChars(double value, std::chars_format format, int precision) {
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format, precision);
    if (error != std::errc{}) return {};
    return std::string(buffer.data(), end);
}

// The value's 15 significant digits: value = d1.d2d3...d15 x 10^exponent.
struct DecimalForm {
    bool negative = false;
    std::string digits;  // exactly 15 digits
    int exponent = 0;
};

DecimalForm decimalForm(double value) {
    const std::string text = toChars(value, std::chars_format::scientific, kSignificantDigits - 1);
    DecimalForm form;
    std::size_t i = 0;
    if (text[i] == '-') {
        form.negative = true;
        ++i;
    }
    for (; i < text.size() && text[i] != 'e'; ++i) {
        if (text[i] != '.') form.digits += text[i];
    }
    form.exponent = std::atoi(text.c_str() + i + 1);
    return form;
}

// Adds one to a string of decimal digits.
void incrementDigits(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

// value x 10^shift with `decimals` places, rounded half away from zero on the
// decimal digits: rounding the binary double would turn 0.0125 into 0.012.
std::string roundedDecimalText(double value, int shift, int decimals) {
    if (!std::isfinite(value)) return generalNumberText(value);
    const DecimalForm form = decimalForm(value);
    // Digits kept: those whose place value is at least 10^-decimals after the shift.
    const int kept = form.exponent + shift + decimals + 1;
    std::string scaled;  // the result times 10^decimals, as a whole number
    bool roundUp = false;
    if (kept >= 0) {
        const int available = static_cast<int>(form.digits.size());
        scaled = form.digits.substr(0, static_cast<std::size_t>(std::min(kept, available)));
        if (kept > available) scaled.append(static_cast<std::size_t>(kept - available), '0');
        roundUp = kept < available && form.digits[static_cast<std::size_t>(kept)] >= '5';
    }
    if (roundUp) incrementDigits(scaled);
    // Zero's digits stand at exponent 0 and may leave extra leading zeros.
    const std::size_t firstDigit = scaled.find_first_not_of('0');
    scaled.erase(0, std::min(firstDigit, scaled.size()));
    if (scaled.size() < static_cast<std::size_t>(decimals) + 1) {
        scaled.insert(0, static_cast<std::size_t>(decimals) + 1 - scaled.size(), '0');
    }
    const bool isZero = firstDigit == std::string::npos;
    std::string text = scaled.substr(0, scaled.size() - static_cast<std::size_t>(decimals));
    if (decimals > 0) text += "." + scaled.substr(scaled.size() - static_cast<std::size_t>(decimals));
    return form.negative && !isZero ? "-" + text : text;
}

}  // namespace

std::string generalNumberText(double value) {
    // The %.15G rule: exponent form when the decimal exponent is below -4 or at
    // least 15, as the classic general format does; the exponent keeps two digits.
    std::string text = toChars(value, std::chars_format::general, kSignificantDigits);
    for (char& c : text) {
        if (c == 'e') c = 'E';
    }
    return text;
}

std::string fixedNumberText(double value, int decimals) { return roundedDecimalText(value, 0, decimals); }

std::string percentText(double value) { return roundedDecimalText(value, 2, 1) + "%"; }

std::string wholeNumberText(std::int64_t value) { return std::to_string(value); }

}  // namespace kelpo
