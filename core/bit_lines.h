// The chain's working matrix: one bit per cell, stored as "lines".
//
// A statistic tabulates pairs of *entities* (species for the C-score and the
// checkerboards, sites for the combinations) by the *features* they share (sites,
// respectively species). The working matrix is stored one line per feature, each
// line a bit set over the entities, because the update after a swap on features
// f1, f2 reads exactly lines f1 and f2: their XOR lists the entities whose shared
// counts change, found a word at a time (a sparse matrix skips 64 entities at once).
// A bit per cell also keeps the matrix small: 32767 x 32767 is 128 MiB. The swap
// chain keeps the same cells as bytes as well (core/swap_chain.h), for the four
// reads of a proposal, and the full computations read only these lines.
#pragma once

#include <bit>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "core/error.h"

namespace kelpo {

struct BitLines {
    std::int32_t lines = 0;        // features
    std::int32_t bits = 0;         // entities
    std::size_t wordsPerLine = 0;  // ceil(bits / 64)
    std::vector<std::uint64_t> words;

    BitLines() = default;
    BitLines(std::int32_t lineCount, std::int32_t bitCount)
        : lines(lineCount), bits(bitCount), wordsPerLine((static_cast<std::size_t>(bitCount) + 63) / 64) {
        try {
            words.assign(static_cast<std::size_t>(lineCount) * wordsPerLine, 0);
        } catch (const std::bad_alloc&) {
            throw Error(ErrorKind::OutOfMemory, "Out of memory for the working matrix of " + std::to_string(bitCount) +
                                                    " x " + std::to_string(lineCount) + " cells.");
        }
    }

    std::uint64_t* line(std::int32_t f) { return words.data() + static_cast<std::size_t>(f) * wordsPerLine; }
    const std::uint64_t* line(std::int32_t f) const { return words.data() + static_cast<std::size_t>(f) * wordsPerLine; }

    // Entity e (0-based) in feature line f (0-based).
    bool test(std::int32_t f, std::int32_t e) const { return (line(f)[e >> 6] >> (e & 63)) & 1u; }
    void set(std::int32_t f, std::int32_t e) { line(f)[e >> 6] |= std::uint64_t{1} << (e & 63); }
};

// Calls visit(e) for every set bit e of the words word(0), ..., word(words - 1), ascending.
template <class Word, class Visit>
inline void forEachSetBitOf(std::size_t words, Word&& word, Visit&& visit) {
    for (std::size_t w = 0; w < words; ++w)
        for (std::uint64_t bits = word(w); bits; bits &= bits - 1)
            visit(static_cast<std::int32_t>(w * 64 + static_cast<std::size_t>(std::countr_zero(bits))));
}

// Calls visit(e) for every set bit e of a line of words words, ascending.
template <class Visit>
inline void forEachSetBit(const std::uint64_t* line, std::size_t words, Visit&& visit) {
    forEachSetBitOf(words, [line](std::size_t w) { return line[w]; }, visit);
}

}  // namespace kelpo
