// The random generator: reset, seed and next, one value per stream of work.
#pragma once

#include <cstdint>

#include <pcg_random.hpp>

namespace kelpo {

class Random {
public:
    Random() { reset(); }
    Random(std::int32_t seedValue, std::uint64_t stream) { seed(seedValue, stream); }

    // One fixed state, the same every time.
    void reset() { engine_ = pcg32(kResetState, kResetStream); }

    // The sequence that follows depends only on the seed and the stream id. Both are
    // mixed through SplitMix64 before they become pcg32's state and increment: handed
    // over raw, seed 0 makes every stream's state a multiple of one sequence, so
    // streams whose ids stand in small ratios (3, 5, 7) draw correlated numbers.
    void seed(std::int32_t seedValue, std::uint64_t stream = 0) {
        const std::uint64_t key = splitMix64(splitMix64(static_cast<std::uint32_t>(seedValue)) ^ splitMix64(~stream));
        engine_ = pcg32(splitMix64(key), splitMix64(key + 1));
    }

    // One SplitMix64 output for the state x: every input bit reaches every output bit.
    static constexpr std::uint64_t splitMix64(std::uint64_t x) {
        x += 0x9E3779B97F4A7C15ULL;
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
        return x ^ (x >> 31);
    }

    // u in [0, 1) carrying the top 24 bits of one output: exactly a float's mantissa.
    float next() { return static_cast<float>(engine_() >> 8) * 0x1.0p-24f; }

    // A whole number from 1 to n, as floor(u * n) + 1 in double precision.
    //
    // u is k / 2^24 for the 24-bit integer k = output >> 8, so u * n is exactly
    // k * n / 2^24 whenever k * n < 2^53, that is for 0 <= n <= 2^29: the double
    // product is then exact and its floor is the integer (k * n) >> 24. That path
    // is a multiply and a shift instead of two conversions; any other n (never
    // used: sizes are at most 32767) takes the literal double computation.
    // drawSmall is draw for 0 <= n <= 2^29 (the caller guarantees it: the swap step's
    // sizes are at most 32767), without the test.
    std::int32_t drawSmall(std::int32_t n) {
        const std::uint32_t k = engine_() >> 8;
        return static_cast<std::int32_t>((static_cast<std::uint64_t>(k) * static_cast<std::uint32_t>(n)) >> 24) + 1;
    }

    std::int32_t draw(std::int32_t n) {
        const std::uint32_t k = engine_() >> 8;
        if (static_cast<std::uint32_t>(n) <= (1u << 29)) [[likely]] {
            return static_cast<std::int32_t>((static_cast<std::uint64_t>(k) * static_cast<std::uint32_t>(n)) >> 24) + 1;
        }
        const float u = static_cast<float>(k) * 0x1.0p-24f;
        return static_cast<std::int32_t>(static_cast<double>(u) * static_cast<double>(n)) + 1;
    }

private:
    static constexpr std::uint64_t kResetState = 0x853c49e6748fea9bULL;
    static constexpr std::uint64_t kResetStream = 100;
    pcg32 engine_;
};

}  // namespace kelpo
