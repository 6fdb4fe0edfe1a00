// Any bytes must either load by the reading rules or end in the one opening error.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/error.h"
#include "matrix/matrix_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const kelpo::MatrixFileContents contents = kelpo::parseMatrixText(text);
        // Whatever loaded must be within what the grid can show.
        if (contents.rows < 0 || contents.cols < 0 || contents.rows > 32767 || contents.cols > 32767) __builtin_trap();
    } catch (const kelpo::Error& error) {
        if (error.kind() != kelpo::ErrorKind::InputOutput) __builtin_trap();
    }
    return 0;
}
