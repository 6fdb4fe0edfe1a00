// A trade's pool: the positions only line a holds, then those only line b holds, each
// ascending, as 2 e (a) and 2 e + 1 (b). By AVX-512 byte compression where the
// processor has it (VBMI2), else bit by bit; the same entries either way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelpo {

// Entries the listing may write past the last one it counts.
inline constexpr std::size_t kPoolSlack = 64;

struct PoolSides {
    std::int32_t onlyA = 0, onlyB = 0;
};

// pool and scratch need room for the lines' bits and kPoolSlack more.
PoolSides listPool(const std::uint64_t* lineA, const std::uint64_t* lineB, std::size_t words, std::int32_t* pool,
                   std::int32_t* scratch);
// The same bit by bit, on any processor.
PoolSides listPoolBitByBit(const std::uint64_t* lineA, const std::uint64_t* lineB, std::size_t words,
                           std::int32_t* pool, std::int32_t* scratch);

}  // namespace kelpo
