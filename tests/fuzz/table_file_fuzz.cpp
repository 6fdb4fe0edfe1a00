// Any bytes, with any table options taken from the first byte, either load within the
// table's sides or end in an invalid-input error.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/error.h"
#include "matrix/table_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const kelpo::TableOptions options{(data[0] & 1) != 0, (data[0] & 2) != 0};
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        const kelpo::MatrixFileContents contents = kelpo::parseTableText(text, options);
        if (contents.rows < 1 || contents.cols < 1) __builtin_trap();
        if (contents.rows > kelpo::kMaxMatrixSide || contents.cols > kelpo::kMaxMatrixSide) __builtin_trap();
        if (contents.cells.rows() > contents.rows || contents.cells.cols() > contents.cols) __builtin_trap();
    } catch (const kelpo::Error& error) {
        if (error.kind() != kelpo::ErrorKind::InvalidInput) __builtin_trap();
    }
    return 0;
}
