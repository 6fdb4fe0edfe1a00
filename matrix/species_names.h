// The species names of a matrix: column 0 of its cells, for the tables that name pairs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "matrix/sparse_array.h"

namespace kelpo {

// Names of rows 1..rows as stored; a row without a name is called by its number.
std::vector<std::string> speciesNames(const SparseArray& cells, std::int32_t rows);

}  // namespace kelpo
