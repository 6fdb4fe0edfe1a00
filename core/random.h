// The random generator: reset, seed and next, one value per stream of work.
//
// Values come in batches: a buffer of 256 refilled at once by eight xoshiro128++
// generators run side by side (core/random.cpp). The refill works on the eight lanes
// together (vector instructions), so a draw costs a load and an index step instead of
// the one dependent 64-bit multiply per value of a single pcg32.
#pragma once

#include <algorithm>
#include <cstdint>

#include "core/vector_level.h"

namespace kelpo {

// count xoshiro128++ outputs of each of eight lanes, their top 24 bits (lane l's
// r-th output is batch[r * 8 + l]), at a level the processor runs.
void refillLanes(VectorLevel level, std::uint32_t (&state)[4][8], std::uint32_t* batch, int count);

class Random {
public:
    Random() { reset(); }
    Random(std::int32_t seedValue, std::uint64_t stream) { seed(seedValue, stream); }

    // One fixed state, the same every time.
    void reset() { seedLanes(kResetKey); }

    // The sequence that follows depends only on the seed and the stream id. Both are
    // mixed through SplitMix64 into the lanes' states, so related ids (consecutive, in
    // small ratios) and seed 0 give streams as unrelated as any other pair.
    void seed(std::int32_t seedValue, std::uint64_t stream = 0) {
        seedLanes(splitMix64(splitMix64(static_cast<std::uint32_t>(seedValue)) ^ splitMix64(~stream)));
    }

    // u in [0, 1) carrying the top 24 bits of one output: exactly a float's mantissa.
    float next() { return static_cast<float>(next24()) * 0x1.0p-24f; }

    // Four draws less one, floor(u * n) for n1 to n4 in that order: the swap step's
    // whole proposal as 0-based indices, with one check of the batch for all four.
    void drawIndices4(const std::int32_t (&n)[4], std::int32_t (&out)[4]) {
        if (position_ > kBatch - 4) [[unlikely]] {
            for (int j = 0; j < 4; ++j) out[j] = index(next24(), n[j]);
            return;
        }
        const std::uint32_t* k = batch_ + position_;
        for (int j = 0; j < 4; ++j) out[j] = index(k[j], n[j]);
        position_ += 4;
    }

    // Proposals of four values each, tried in order until accept(k) is true for one
    // or limit of them have been refused; returns how many were refused. k points to
    // the proposal's four 24-bit values: value j is index(k[j], n) for drawIndices4's n.
    // The same values as limit calls of drawIndices4, with the batch position kept
    // in a register: the loop then has no call and no store in it.
    template <class Accept>
    std::int64_t proposeUntil(std::int64_t limit, Accept&& accept) {
        std::int64_t refused = 0;
        while (refused < limit) {
            if (position_ > kBatch - 4) [[unlikely]] {
                // A proposal that straddles two batches (or none left): value by value.
                const std::uint32_t k[4] = {next24(), next24(), next24(), next24()};
                if (accept(static_cast<const std::uint32_t*>(k))) return refused;
                ++refused;
                continue;
            }
            const std::uint32_t* k = batch_ + position_;
            const std::int64_t here = std::min<std::int64_t>((kBatch - position_) / 4, limit - refused);
            for (std::int64_t q = 0; q < here; ++q, k += 4) {
                if (accept(k)) [[unlikely]] {
                    position_ += static_cast<std::int32_t>(4 * (q + 1));
                    return refused + q;
                }
            }
            position_ += static_cast<std::int32_t>(4 * here);
            refused += here;
        }
        return refused;
    }

    // floor(u * n) for u = k / 2^24 and 0 <= n <= 2^29.
    //
    // u * n is exactly k * n / 2^24 whenever k * n < 2^53, which holds for n <= 2^29: the
    // double product is then exact and its floor is the integer (k * n) >> 24, a
    // multiply and a shift instead of two conversions.
    static std::int32_t index(std::uint32_t k, std::int32_t n) {
        return static_cast<std::int32_t>((std::uint64_t{k} * static_cast<std::uint32_t>(n)) >> 24);
    }

    // A whole number from 1 to n, as floor(u * n) + 1 in double precision: index() for
    // n <= 2^29, the double computation for any larger n (never used: sizes are at
    // most 32767).
    std::int32_t draw(std::int32_t n) {
        const std::uint32_t k = next24();
        if (static_cast<std::uint32_t>(n) <= (1u << 29)) [[likely]] return index(k, n) + 1;
        const float u = static_cast<float>(k) * 0x1.0p-24f;
        return static_cast<std::int32_t>(static_cast<double>(u) * static_cast<double>(n)) + 1;
    }

    // One SplitMix64 output for the state x: every input bit reaches every output bit.
    static constexpr std::uint64_t splitMix64(std::uint64_t x) {
        x += 0x9E3779B97F4A7C15ULL;
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
        return x ^ (x >> 31);
    }

private:
    static constexpr int kLanes = 8;
    static constexpr int kRounds = 32;
    static constexpr int kBatch = kLanes * kRounds;
    static constexpr std::uint64_t kResetKey = 0x853c49e6748fea9bULL;

    // The next 24-bit value of the batch.
    std::uint32_t next24() {
        if (position_ == kBatch) [[unlikely]] refill();
        return batch_[position_++];
    }

    // The lanes' 128-bit states are consecutive outputs of SplitMix64 from the key,
    // as xoshiro's authors advise; the batch starts empty.
    void seedLanes(std::uint64_t key) {
        for (int lane = 0; lane < kLanes; ++lane) {
            for (int word = 0; word < 4; word += 2) {
                const std::uint64_t bits = splitMix64(key += 0x9E3779B97F4A7C15ULL);
                state_[word][lane] = static_cast<std::uint32_t>(bits);
                state_[word + 1][lane] = static_cast<std::uint32_t>(bits >> 32);
            }
            // The all-zero state would repeat itself forever.
            if ((state_[0][lane] | state_[1][lane] | state_[2][lane] | state_[3][lane]) == 0) state_[0][lane] = 1;
        }
        position_ = kBatch;
    }

    // kRounds outputs of every lane (refillLanes). Out of line, so the draws stay a
    // load and an index step.
    void refill();

    std::uint32_t state_[4][kLanes];  // word w of lane l's state
    std::uint32_t batch_[kBatch];
    std::int32_t position_ = kBatch;
};

}  // namespace kelpo
