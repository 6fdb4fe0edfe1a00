#include "grid/cell_block.h"

#include <algorithm>

namespace kelpo::grid {

namespace {

std::vector<std::string> splitTabs(std::string_view line) {
    std::vector<std::string> fields;
    for (;;) {
        const std::size_t tab = line.find('\t');
        fields.emplace_back(line.substr(0, tab));
        if (tab == std::string_view::npos) return fields;
        line.remove_prefix(tab + 1);
    }
}

}  // namespace

CellBlock parseCellBlock(std::string_view text) {
    CellBlock block;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        block.push_back(splitTabs(line));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    std::size_t width = 0;
    for (const auto& row : block) width = std::max(width, row.size());
    for (auto& row : block) row.resize(width);
    return block;
}

std::string cellBlockText(const CellText& textAt, const CellRange& range) {
    std::string text;
    for (std::int32_t row = range.top; row <= range.bottom; ++row) {
        for (std::int32_t col = range.left; col <= range.right; ++col) {
            if (col > range.left) text += '\t';
            text += textAt(row, col);
        }
        text += '\n';
    }
    return text;
}

}  // namespace kelpo::grid
