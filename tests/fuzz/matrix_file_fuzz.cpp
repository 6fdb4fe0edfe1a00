// Any bytes must either load by the reading rules or end in the one opening error.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/error.h"
#include "matrix/matrix_file.h"

namespace {

// What a load must respect whatever the bytes: sizes the grid can show, no line end
// inside a cell, no stored "0" (an unstored cell reads "0"), no species row beyond R.
bool withinTheRules(const kelpo::MatrixFileContents& contents) {
    if (contents.rows < 0 || contents.cols < 0) return false;
    if (contents.rows > kelpo::kMaxMatrixSide || contents.cols > kelpo::kMaxMatrixSide) return false;
    if (contents.cells.rows() > contents.rows || contents.cells.cols() > kelpo::kMaxMatrixSide) return false;
    bool good = true;
    contents.cells.forEach([&good](const kelpo::SparseArray::Cell& cell) {
        if (cell.text == "0" || cell.text.find_first_of("\r\n") != std::string::npos) good = false;
    });
    return good;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        if (!withinTheRules(kelpo::parseMatrixText(text))) __builtin_trap();
    } catch (const kelpo::Error& error) {
        if (error.kind() != kelpo::ErrorKind::InputOutput) __builtin_trap();
        if (std::string_view(error.what()) != "Error 07: Error opening file.") __builtin_trap();
    }
    return 0;
}
