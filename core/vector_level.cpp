#include "core/vector_level.h"

namespace kelpo {

VectorLevel vectorLevel() {
#if defined(__x86_64__) && defined(__GNUC__)
    // Asked once: the answer cannot change while the program runs.
    static const VectorLevel level =
        __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
                __builtin_cpu_supports("avx512vpopcntdq")
            ? VectorLevel::Avx512
        : __builtin_cpu_supports("avx2") ? VectorLevel::Avx2
                                         : VectorLevel::Portable;
    return level;
#else
    return VectorLevel::Portable;
#endif
}

}  // namespace kelpo
