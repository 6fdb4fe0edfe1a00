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

    // The sequence that follows depends only on the seed and the stream id.
    void seed(std::int32_t seedValue, std::uint64_t stream = 0) {
        engine_ = pcg32(static_cast<std::uint64_t>(static_cast<std::uint32_t>(seedValue)), stream);
    }

    // u in [0, 1) carrying the top 24 bits of one output: exactly a float's mantissa.
    float next() { return static_cast<float>(engine_() >> 8) * 0x1.0p-24f; }

    // A whole number from 1 to n, as floor(u * n) + 1 in double precision.
    std::int32_t draw(std::int32_t n) {
        return static_cast<std::int32_t>(static_cast<double>(next()) * static_cast<double>(n)) + 1;
    }

private:
    static constexpr std::uint64_t kResetState = 0x853c49e6748fea9bULL;
    static constexpr std::uint64_t kResetStream = 100;
    pcg32 engine_;
};

}  // namespace kelpo
