// Which vector instructions this processor runs: the kernels that have a wider
// version pick it once, and every version gives the same numbers.
#pragma once

namespace kelpo {

enum class VectorLevel { Portable, Avx2, Avx512 };

// The widest level this processor runs (Avx512 means AVX-512VL).
VectorLevel vectorLevel();

}  // namespace kelpo
