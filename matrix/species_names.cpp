#include "matrix/species_names.h"

#include <optional>
#include <string_view>

namespace kelpo {

std::vector<std::string> speciesNames(const SparseArray& cells, std::int32_t rows) {
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(rows > 0 ? rows : 0));
    for (std::int32_t i = 1; i <= rows; ++i) {
        const std::optional<std::string_view> name = cells.find(i, 0);
        names.push_back(name ? std::string(*name) : std::to_string(i));
    }
    return names;
}

}  // namespace kelpo
