// The number reading accepts any text; the whole-number conversion either fits or refuses.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/error.h"
#include "core/numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = kelpo::leadingNumber(text);
    try {
        const std::int32_t whole = kelpo::toWholeNumber(value);
        if (std::fabs(static_cast<double>(whole) - value) > 0.5) __builtin_trap();
    } catch (const kelpo::Error& error) {
        if (error.kind() != kelpo::ErrorKind::Overflow) __builtin_trap();
    }
    return 0;
}
