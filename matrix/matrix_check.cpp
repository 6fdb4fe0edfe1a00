#include "matrix/matrix_check.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"

namespace kelpo {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool isBinary(std::string_view text) { return text == "1" || text == "0"; }

// The cell as users count it: species number, comma, site number, the site
// numbered from 1 like the species, so "3,5" is species 3 at site 5.
std::string positionText(std::int32_t row, std::int32_t col) {
    return std::to_string(row) + "," + std::to_string(col);
}

}  // namespace

void validateMatrix(SparseArray& copy) {
    // One read-only pass: the trims are written back after it, so no list of every
    // key is needed, and there are few of them (most cells hold no blanks), while
    // rewriting every cell would churn the store of a large matrix to twice its size.
    struct Trim {
        std::int32_t row;
        std::int32_t col;
        std::string text;
    };
    std::vector<Trim> trims;
    std::optional<CellError> refusal;
    copy.forEach([&](const SparseArray::Cell& cell) {
        if (refusal) return;
        const std::string_view text = trimmed(cell.text);
        if (text.size() != cell.text.size()) trims.push_back(Trim{cell.row, cell.col, std::string(text)});
        if (cell.row >= 1 && cell.col >= 1 && !isBinary(text)) {
            refusal = CellError("Error 05: Presence-absence matrix contains a non-binary entry in cell " +
                                    positionText(cell.row, cell.col) + ".  Aborting analysis.",
                                cell.row, cell.col);
        }
    });
    for (const Trim& trim : trims) copy.setValue(trim.row, trim.col, trim.text);
    if (refusal) throw *refusal;
}

PresenceMatrix buildMatrix(const SparseArray& cells) { return buildMatrix(cells, cells.rows(), cells.cols()); }

PresenceMatrix buildMatrix(const SparseArray& cells, std::int32_t rows, std::int32_t cols) {
    PresenceMatrix matrix(rows, cols);
    cells.forEach([&matrix](const SparseArray::Cell& cell) {
        if (cell.row >= 1 && cell.col >= 1 && cell.row <= matrix.rows() && cell.col <= matrix.cols()) matrix.set(cell.row, cell.col, 1);
    });
    return matrix;
}

}  // namespace kelpo
