// The seed of one matrix of a batch: from the batch's seed and the file's name
// alone, so a matrix gives the same numbers whatever else the batch holds.
#pragma once

#include <cstdint>
#include <string_view>

namespace kelpo {

// A seed in 0..2147483647, the range --seed takes, mixed through SplitMix64 so that
// names that differ in one character, or batch seeds next to each other, give
// unrelated seeds.
std::int32_t matrixSeed(std::int32_t batchSeed, std::string_view fileName);

}  // namespace kelpo
