#include "core/bit_rows.h"

#include <bit>

#include "core/vector_level.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace kelpo {

bool bitRowsAvailable() { return vectorLevel() == VectorLevel::Avx512; }

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("popcnt,avx512f,avx512vl,avx512vpopcntdq"))) std::int64_t bitRowsChange(
    RowTerm term, std::span<const std::uint64_t> rows, const BitRowSwap& swap, std::int32_t totalsDiff) {
    // For an entity h with d = +1 (it has f1, not f2) or -1 (the reverse), the counts
    // S(h, g) and S(h, l) before the swap are popcounts of its row with g's and l's.
    // The C-score's change is d (r(l) - r(g)) + 2 d (S(h, g) - S(h, l)) + 2, where the
    // features g and l share cancel: only g-not-l and l-not-g are counted.
    const __m512i bit1 = _mm512_set1_epi64(static_cast<long long>(std::uint64_t{1} << swap.f1));
    const __m512i bit2 = _mm512_set1_epi64(static_cast<long long>(std::uint64_t{1} << swap.f2));
    const __m512i onlyG = _mm512_set1_epi64(static_cast<long long>(swap.gBefore & ~swap.lBefore));
    const __m512i onlyL = _mm512_set1_epi64(static_cast<long long>(swap.lBefore & ~swap.gBefore));
    const __m512i base = _mm512_set1_epi64(totalsDiff);
    const __m512i two = _mm512_set1_epi64(2), zero = _mm512_setzero_si512(), one = _mm512_set1_epi64(1);
    __m512i sum = _mm512_setzero_si512();
    std::int64_t count = 0;
    for (std::size_t h = 0; h < rows.size(); h += 8) {
        const __m512i e = _mm512_loadu_si512(rows.data() + h);
        const __mmask8 has1 = _mm512_test_epi64_mask(e, bit1), has2 = _mm512_test_epi64_mask(e, bit2);
        const __mmask8 plus = has1 & ~has2, minus = has2 & ~has1;
        if (term == RowTerm::CScore) {
            const __m512i a = _mm512_popcnt_epi64(_mm512_and_si512(e, onlyG));
            const __m512i b = _mm512_popcnt_epi64(_mm512_and_si512(e, onlyL));
            const __m512i v = _mm512_add_epi64(base, _mm512_slli_epi64(_mm512_sub_epi64(a, b), 1));
            sum = _mm512_mask_add_epi64(sum, plus, sum, _mm512_add_epi64(v, two));
            sum = _mm512_mask_add_epi64(sum, minus, sum, _mm512_sub_epi64(two, v));
        } else {
            // A pair counts while it shares nothing: S(h, g) moves by d, S(h, l) by -d.
            const __m512i sg = _mm512_popcnt_epi64(_mm512_and_si512(e, _mm512_set1_epi64(static_cast<long long>(swap.gBefore))));
            const __m512i sl = _mm512_popcnt_epi64(_mm512_and_si512(e, _mm512_set1_epi64(static_cast<long long>(swap.lBefore))));
            const unsigned g0 = _mm512_cmpeq_epi64_mask(sg, zero), g1 = _mm512_cmpeq_epi64_mask(sg, one);
            const unsigned l0 = _mm512_cmpeq_epi64_mask(sl, zero), l1 = _mm512_cmpeq_epi64_mask(sl, one);
            // d = +1: S(h, g) leaves 0, S(h, l) may reach it; d = -1 the reverse.
            count += __builtin_popcount(plus & l1) - __builtin_popcount(plus & (g0 | l0));
            count += __builtin_popcount(minus & g1) - __builtin_popcount(minus & (g0 | l0));
        }
    }
    // The lanes of g and l themselves went through the loop too (g with d = +1, l with
    // d = -1): their rows differ from those before only at f1 and f2, so what they
    // added is known in closed form and taken out here instead of masking every block.
    const std::uint64_t g = swap.gBefore, l = swap.lBefore;
    if (term == RowTerm::CScore) return _mm512_reduce_add_epi64(sum) - (2 * std::popcount(g ^ l) - 4);
    return count - (2 * (std::popcount(g & l) == 0) - (std::popcount(g) == 1) - (std::popcount(l) == 1));
}
#else
std::int64_t bitRowsChange(RowTerm, std::span<const std::uint64_t>, const BitRowSwap&, std::int32_t) { return 0; }
#endif

}  // namespace kelpo
