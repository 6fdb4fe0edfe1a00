#include "core/bit_rows.h"

#include <bit>

#include "core/vector_level.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define KELPO_BIT_ROWS_TARGET __attribute__((target("popcnt,avx512f,avx512vl,avx512vpopcntdq"), always_inline))
#endif

namespace kelpo {

bool bitRowsAvailable() { return vectorLevel() == VectorLevel::Avx512; }

#if defined(__x86_64__) && defined(__GNUC__)
namespace {

// One 512-bit register of rows: eight of 64 bits, or sixteen of 32 (twice the
// entities per instruction when the matrix has at most 32 features).
template <class Word>
struct Block;

template <>
struct Block<std::uint64_t> {
    using Mask = __mmask8;
    static constexpr std::size_t kLanes = 8;
    KELPO_BIT_ROWS_TARGET static __m512i all(std::int64_t x) { return _mm512_set1_epi64(x); }
    KELPO_BIT_ROWS_TARGET static __m512i popcount(__m512i x) { return _mm512_popcnt_epi64(x); }
    KELPO_BIT_ROWS_TARGET static Mask test(__m512i x, __m512i y) { return _mm512_test_epi64_mask(x, y); }
    KELPO_BIT_ROWS_TARGET static Mask equal(__m512i x, __m512i y) { return _mm512_cmpeq_epi64_mask(x, y); }
    KELPO_BIT_ROWS_TARGET static __m512i add(__m512i x, __m512i y) { return _mm512_add_epi64(x, y); }
    KELPO_BIT_ROWS_TARGET static __m512i sub(__m512i x, __m512i y) { return _mm512_sub_epi64(x, y); }
    KELPO_BIT_ROWS_TARGET static __m512i addWhere(__m512i x, Mask m, __m512i y) { return _mm512_mask_add_epi64(x, m, x, y); }
    KELPO_BIT_ROWS_TARGET static std::int64_t total(__m512i x) { return _mm512_reduce_add_epi64(x); }
};

template <>
struct Block<std::uint32_t> {
    using Mask = __mmask16;
    static constexpr std::size_t kLanes = 16;
    KELPO_BIT_ROWS_TARGET static __m512i all(std::int64_t x) { return _mm512_set1_epi32(static_cast<int>(x)); }
    KELPO_BIT_ROWS_TARGET static __m512i popcount(__m512i x) { return _mm512_popcnt_epi32(x); }
    KELPO_BIT_ROWS_TARGET static Mask test(__m512i x, __m512i y) { return _mm512_test_epi32_mask(x, y); }
    KELPO_BIT_ROWS_TARGET static Mask equal(__m512i x, __m512i y) { return _mm512_cmpeq_epi32_mask(x, y); }
    KELPO_BIT_ROWS_TARGET static __m512i add(__m512i x, __m512i y) { return _mm512_add_epi32(x, y); }
    KELPO_BIT_ROWS_TARGET static __m512i sub(__m512i x, __m512i y) { return _mm512_sub_epi32(x, y); }
    KELPO_BIT_ROWS_TARGET static __m512i addWhere(__m512i x, Mask m, __m512i y) { return _mm512_mask_add_epi32(x, m, x, y); }
    // A 32-bit lane sums at most 8 changes below 3 * 32 + 2: no overflow.
    KELPO_BIT_ROWS_TARGET static std::int64_t total(__m512i x) { return _mm512_reduce_add_epi32(x); }
};

template <class Word>
KELPO_BIT_ROWS_TARGET std::int64_t change(RowTerm term, std::span<const Word> rows, const BitRowSwap& swap,
                                          std::int32_t totalsDiff) {
    using B = Block<Word>;
    // For an entity h with d = +1 (it has f1, not f2) or -1 (the reverse), the counts
    // S(h, g) and S(h, l) before the swap are popcounts of its row with g's and l's.
    // The C-score's change is d (r(l) - r(g)) + 2 d (S(h, g) - S(h, l)) + 2, where the
    // features g and l share cancel: only g-not-l and l-not-g are counted.
    const std::uint64_t g = swap.gBefore, l = swap.lBefore;
    const __m512i bit1 = B::all(std::int64_t{1} << swap.f1), bit2 = B::all(std::int64_t{1} << swap.f2);
    const __m512i rowG = B::all(static_cast<std::int64_t>(g)), rowL = B::all(static_cast<std::int64_t>(l));
    const __m512i onlyG = B::all(static_cast<std::int64_t>(g & ~l)), onlyL = B::all(static_cast<std::int64_t>(l & ~g));
    const __m512i base = B::all(totalsDiff), two = B::all(2), zero = B::all(0), one = B::all(1);
    __m512i sum = zero;
    std::int64_t count = 0;
    for (std::size_t h = 0; h < rows.size(); h += B::kLanes) {
        const __m512i e = _mm512_loadu_si512(rows.data() + h);
        const auto has1 = B::test(e, bit1), has2 = B::test(e, bit2);
        const auto plus = static_cast<typename B::Mask>(has1 & ~has2), minus = static_cast<typename B::Mask>(has2 & ~has1);
        if (term == RowTerm::CScore) {
            const __m512i a = B::popcount(_mm512_and_si512(e, onlyG)), b = B::popcount(_mm512_and_si512(e, onlyL));
            const __m512i v = B::add(base, B::add(B::sub(a, b), B::sub(a, b)));
            sum = B::addWhere(sum, plus, B::add(v, two));
            sum = B::addWhere(sum, minus, B::sub(two, v));
        } else {
            // A pair counts while it shares nothing: S(h, g) moves by d, S(h, l) by -d.
            const __m512i sg = B::popcount(_mm512_and_si512(e, rowG)), sl = B::popcount(_mm512_and_si512(e, rowL));
            const unsigned g0 = B::equal(sg, zero), g1 = B::equal(sg, one);
            const unsigned l0 = B::equal(sl, zero), l1 = B::equal(sl, one);
            // d = +1: S(h, g) leaves 0, S(h, l) may reach it; d = -1 the reverse.
            count += std::popcount(plus & l1) - std::popcount(plus & (g0 | l0));
            count += std::popcount(minus & g1) - std::popcount(minus & (g0 | l0));
        }
    }
    // The lanes of g and l themselves went through the loop too (g with d = +1, l with
    // d = -1): their rows differ from those before only at f1 and f2, so what they
    // added is known in closed form and taken out here instead of masking every block.
    if (term == RowTerm::CScore) return B::total(sum) - (2 * std::popcount(g ^ l) - 4);
    return count - (2 * (std::popcount(g & l) == 0) - (std::popcount(g) == 1) - (std::popcount(l) == 1));
}

}  // namespace

__attribute__((target("popcnt,avx512f,avx512vl,avx512vpopcntdq"))) std::int64_t bitRowsChange(
    RowTerm term, std::span<const std::uint64_t> rows, const BitRowSwap& swap, std::int32_t totalsDiff) {
    return change(term, rows, swap, totalsDiff);
}

__attribute__((target("popcnt,avx512f,avx512vl,avx512vpopcntdq"))) std::int64_t bitRowsChange(
    RowTerm term, std::span<const std::uint32_t> rows, const BitRowSwap& swap, std::int32_t totalsDiff) {
    return change(term, rows, swap, totalsDiff);
}
#else
std::int64_t bitRowsChange(RowTerm, std::span<const std::uint64_t>, const BitRowSwap&, std::int32_t) { return 0; }
std::int64_t bitRowsChange(RowTerm, std::span<const std::uint32_t>, const BitRowSwap&, std::int32_t) { return 0; }
#endif

}  // namespace kelpo
