#include "core/random.h"

#include <cstring>

namespace kelpo {

namespace {

// Width 32-bit lanes as one value: GCC and Clang run the arithmetic on all of them at
// once, in whatever vector registers the target has.
// (A class member, not an alias template: GCC drops the attribute from the latter.)
template <int Width>
struct Lanes {
    typedef std::uint32_t Type __attribute__((vector_size(Width * sizeof(std::uint32_t))));
};

// One xoshiro128++ step of every lane of the value, the outputs into out (a
// reference, not a return value: vector returns change the ABI between targets).
template <class V>
[[gnu::always_inline]] inline void step(V& out, V& s0, V& s1, V& s2, V& s3) {
    const V sum = s0 + s3;
    out = ((sum << 7) | (sum >> 25)) + s0;
    const V t = s1 << 9;
    s2 ^= s0;
    s3 ^= s1;
    s1 ^= s2;
    s0 ^= s3;
    s2 ^= t;
    s3 = (s3 << 11) | (s3 >> 21);
}

// The eight lanes in groups of Width, the groups side by side: with 4-lane registers
// (SSE2, NEON) two groups overlap their dependency chains and still fit the registers.
template <int Width>
[[gnu::always_inline]] inline void rounds(std::uint32_t (&state)[4][8], std::uint32_t* batch, int count) {
    using V = typename Lanes<Width>::Type;
    constexpr int kGroups = 8 / Width;
    V s[4][kGroups];
    for (int w = 0; w < 4; ++w)
        for (int g = 0; g < kGroups; ++g) std::memcpy(&s[w][g], &state[w][g * Width], sizeof(V));
    for (int r = 0; r < count; ++r) {
        for (int g = 0; g < kGroups; ++g) {
            V out;
            step(out, s[0][g], s[1][g], s[2][g], s[3][g]);
            // Only the top 24 bits are ever used: shifted here, eight at a time, rather
            // than once per draw.
            out >>= 8;
            std::memcpy(batch + r * 8 + g * Width, &out, sizeof out);
        }
    }
    for (int w = 0; w < 4; ++w)
        for (int g = 0; g < kGroups; ++g) std::memcpy(&state[w][g * Width], &s[w][g], sizeof(V));
}

void refillPortable(std::uint32_t (&state)[4][8], std::uint32_t* batch, int count) { rounds<4>(state, batch, count); }

#if defined(__x86_64__) && defined(__GNUC__)
// All eight lanes in one AVX2 register: about a third of the instructions.
__attribute__((target("avx2"))) void refillAvx2(std::uint32_t (&state)[4][8], std::uint32_t* batch, int count) {
    rounds<8>(state, batch, count);
}

// The same register with AVX-512VL's rotate instruction: each rotation is one
// instruction instead of two shifts and an or.
__attribute__((target("avx2,avx512f,avx512vl"))) void refillAvx512(std::uint32_t (&state)[4][8], std::uint32_t* batch,
                                                                  int count) {
    rounds<8>(state, batch, count);
}
#endif

}  // namespace

void refillLanes(VectorLevel level, std::uint32_t (&state)[4][8], std::uint32_t* batch, int count) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (level == VectorLevel::Avx512) return refillAvx512(state, batch, count);
    if (level == VectorLevel::Avx2) return refillAvx2(state, batch, count);
#endif
    refillPortable(state, batch, count);
}

void Random::refill() {
    static_assert(kLanes == 8);
    refillLanes(vectorLevel(), state_, batch_, kRounds);
    position_ = 0;
}

}  // namespace kelpo
