// The statistic's change after a swap computed from the entities' bit rows (one
// 64-bit word of features per entity) with AVX-512's vector popcount, for matrices of
// at most 64 features: no table of shared counts is read or written, so an accepted
// swap costs a few vector instructions per eight entities instead of two table rows
// and their symmetric copies.
#pragma once

#include <cstdint>
#include <span>

#include "core/row_kernel.h"

namespace kelpo {

// The swap: entity g gained feature f1 and lost f2, entity l the reverse; before and
// after are their rows before the swap.
struct BitRowSwap {
    std::int32_t g, l, f1, f2;
    std::uint64_t gBefore, lBefore;
};

// Whether this processor runs bitRowsChange (AVX-512 F, VL and VPOPCNTDQ).
bool bitRowsAvailable();

// The change of the statistic over the pairs (h, g) and (h, l), h every other entity:
// the C-score with totalsDiff = r(l) - r(g), or the count of pairs that share nothing.
// rows holds every entity's row (g and l as after the swap), padded with zero rows
// to a multiple of 8. Call only when bitRowsAvailable().
std::int64_t bitRowsChange(RowTerm term, std::span<const std::uint64_t> rows, const BitRowSwap& swap,
                           std::int32_t totalsDiff);
// The same for at most 32 features, a 32-bit row per entity (padded to a multiple of 16).
std::int64_t bitRowsChange(RowTerm term, std::span<const std::uint32_t> rows, const BitRowSwap& swap,
                           std::int32_t totalsDiff);

}  // namespace kelpo
