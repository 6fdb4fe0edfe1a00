// The whole-row update of two rows of 16-bit shared counts after a swap, in vector
// registers: eight lanes in the baseline's SSE2 (or any target's vectors), sixteen
// with AVX2 where the processor has it. The sums are integers, so both give the same
// numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/vector_level.h"

namespace kelpo {

// The row lengths the kernel takes are multiples of this (paddedRowLength).
inline constexpr std::size_t kRowBlock = 16;

// Which statistic's change the kernel sums: the C-score's, whose terms need
// r(l) - r(g), or the count of pairs that share nothing.
enum class RowTerm { CScore, Checkerboards };

namespace row_kernel {

// Width lanes of T as one value. (A class member, not an alias template: GCC drops
// the attribute from the latter.)
template <class T, int Width>
struct Lanes {
    typedef T Type __attribute__((vector_size(Width * sizeof(T))));
};

// For each h < n: d = column1[h] - column2[h], but 0 at h = g and h = l (their own
// counts and the pair (g, l) do not change); adds the statistic's change for the
// pairs (h, g) and (h, l) over h (counts before the step) and applies S(h, g) += d,
// S(h, l) -= d. Both changes are 0 where d is 0, so the zero padding adds nothing.
template <int Width, RowTerm Term>
[[gnu::always_inline]] inline std::int32_t moveRowsBy(const std::uint8_t* __restrict column1,
                                                      const std::uint8_t* __restrict column2,
                                                      std::uint16_t* __restrict rowG, std::uint16_t* __restrict rowL,
                                                      std::size_t n, std::int16_t g, std::int16_t l,
                                                      std::int16_t totalsDiff) {
    using Bytes = typename Lanes<std::uint8_t, Width>::Type;
    using Short = typename Lanes<std::int16_t, Width>::Type;
    using Pairs = typename Lanes<std::int32_t, Width / 2>::Type;
    Short index;
    for (int lane = 0; lane < Width; ++lane) index[lane] = static_cast<std::int16_t>(lane);
    Pairs sum{};
    for (std::size_t h = 0; h < n; h += Width, index += static_cast<std::int16_t>(Width)) {
        Bytes a, b;
        std::memcpy(&a, column1 + h, sizeof a);
        std::memcpy(&b, column2 + h, sizeof b);
        Short d = __builtin_convertvector(a, Short) - __builtin_convertvector(b, Short);
        d &= ~((index == g) | (index == l));
        Short sg, sl;
        std::memcpy(&sg, rowG + h, sizeof sg);
        std::memcpy(&sl, rowL + h, sizeof sl);
        Short change;
        if constexpr (Term == RowTerm::CScore) {
            // |change| <= 3 F + 2 < 2^15 for the at most kDenseFeatureLimit features.
            change = d * (totalsDiff + 2 * (sg - sl)) + 2 * d * d;
        } else {
            // Comparisons give -1 for true: a pair whose count reaches 0 adds 1.
            change = (sg == 0) - (sg + d == 0) + (sl == 0) - (sl - d == 0);
        }
        // Two int16 lanes per int32 lane, each sign-extended: the sum stays in registers
        // of the same width (a vector of Width int32 would not fit one).
        Pairs pairs;
        std::memcpy(&pairs, &change, sizeof pairs);
        sum += ((pairs << 16) >> 16) + (pairs >> 16);
        sg += d;
        sl -= d;
        std::memcpy(rowG + h, &sg, sizeof sg);
        std::memcpy(rowL + h, &sl, sizeof sl);
    }
    std::int32_t total = 0;
    for (int lane = 0; lane < Width / 2; ++lane) total += sum[lane];
    return total;
}

#if defined(__x86_64__) && defined(__GNUC__)
template <RowTerm Term>
__attribute__((target("avx2"))) std::int32_t moveRowsAvx2(const std::uint8_t* column1, const std::uint8_t* column2,
                                                          std::uint16_t* rowG, std::uint16_t* rowL, std::size_t n,
                                                          std::int16_t g, std::int16_t l, std::int16_t totalsDiff) {
    return moveRowsBy<16, Term>(column1, column2, rowG, rowL, n, g, l, totalsDiff);
}
#endif

}  // namespace row_kernel

// moveRowsBy at the widest width the processor runs; n is a multiple of kRowBlock.
template <RowTerm Term>
std::int32_t moveRows(const std::uint8_t* column1, const std::uint8_t* column2, std::uint16_t* rowG,
                      std::uint16_t* rowL, std::size_t n, std::int16_t g, std::int16_t l, std::int16_t totalsDiff) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (vectorLevel() != VectorLevel::Portable) return row_kernel::moveRowsAvx2<Term>(column1, column2, rowG, rowL, n, g, l, totalsDiff);
#endif
    return row_kernel::moveRowsBy<8, Term>(column1, column2, rowG, rowL, n, g, l, totalsDiff);
}

}  // namespace kelpo
