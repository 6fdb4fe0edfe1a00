#include "engine/batch_seed.h"

#include "core/random.h"

namespace kelpo {

std::int32_t matrixSeed(std::int32_t batchSeed, std::string_view fileName) {
    std::uint64_t state = Random::splitMix64(static_cast<std::uint32_t>(batchSeed));
    // Eight bytes at a time; the length goes in last, so "a" and "a\0" differ.
    for (std::size_t start = 0; start < fileName.size(); start += 8) {
        std::uint64_t chunk = 0;
        for (std::size_t i = start; i < fileName.size() && i < start + 8; ++i)
            chunk |= std::uint64_t(static_cast<unsigned char>(fileName[i])) << (8 * (i - start));
        state = Random::splitMix64(state ^ chunk);
    }
    state = Random::splitMix64(state ^ fileName.size());
    return static_cast<std::int32_t>(state >> 33);
}

}  // namespace kelpo
