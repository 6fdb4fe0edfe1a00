// Which vector instructions this processor runs: the kernels that have a wider
// version pick it once, and every version gives the same numbers.
#pragma once

namespace kelpo {

enum class VectorLevel { Portable, Avx2, Avx512 };

// The widest level this processor runs (Avx512: AVX-512 F, VL and VPOPCNTDQ).
VectorLevel vectorLevel();

}  // namespace kelpo
