#include "core/traded_cscore.h"

#include <bit>
#include <new>

#include "core/error.h"

namespace kelpo {

namespace {

std::int32_t bitCount(const std::uint64_t* line, std::size_t words) {
    std::int32_t count = 0;
    for (std::size_t w = 0; w < words; ++w) count += std::popcount(line[w]);
    return count;
}

}  // namespace

std::int64_t TradedCScore::start(const BitLines& cross, bool speciesTrade) {
    speciesTrade_ = speciesTrade;
    table_.build(cross);
    const std::int32_t n = table_.entities();
    const std::int32_t* t = table_.totals().data();
    std::int64_t presences = 0;
    try {
        crossTotals_.resize(static_cast<std::size_t>(cross.lines));
        for (std::int32_t e = 0; e < cross.lines; ++e) {
            crossTotals_[static_cast<std::size_t>(e)] = bitCount(cross.line(e), cross.wordsPerLine);
            presences += crossTotals_[static_cast<std::size_t>(e)];
        }
        delta_.assign(static_cast<std::size_t>(n), 0);
        offsets_.assign(static_cast<std::size_t>(cross.lines) + 1, 0);
        for (std::int32_t e = 0; e < cross.lines; ++e)
            offsets_[static_cast<std::size_t>(e) + 1] = offsets_[static_cast<std::size_t>(e)] +
                                                        static_cast<std::size_t>(crossTotals_[static_cast<std::size_t>(e)]);
        entries_.resize(static_cast<std::size_t>(presences));
        for (std::int32_t e = 0; e < cross.lines; ++e) {
            std::size_t at = offsets_[static_cast<std::size_t>(e)];
            forEachSetBit(cross.line(e), cross.wordsPerLine,
                          [&](std::int32_t h) { entries_[at++] = static_cast<std::uint16_t>(h); });
        }
    } catch (const std::bad_alloc&) {
        throw Error(ErrorKind::OutOfMemory, "Out of memory for the curveball's C-score.");
    }
    std::int64_t sum = 0;
    if (speciesTrade_) {
        for (std::int32_t x = 1; x < n; ++x) {
            const std::uint16_t* s = table_.row(x);
            for (std::int32_t y = 0; y < x; ++y) sum += std::int64_t{t[x] - s[y]} * (t[y] - s[y]);
        }
        return value_ = sum;
    }
    // Sites trade: the traded totals are the sites' c, the cross totals the species' r.
    std::int64_t squares = 0;
    for (std::int32_t r : crossTotals_) squares += std::int64_t{r} * r;
    sum = (presences * presences - squares) / 2;
    std::vector<std::int64_t> speciesTotalsAt(static_cast<std::size_t>(n), 0);  // R_k
    for (std::int32_t e = 0; e < cross.lines; ++e)
        for (std::size_t j = offsets_[static_cast<std::size_t>(e)]; j < offsets_[static_cast<std::size_t>(e) + 1]; ++j)
            speciesTotalsAt[entries_[j]] += crossTotals_[static_cast<std::size_t>(e)];
    for (std::int32_t k = 0; k < n; ++k) {
        sum -= std::int64_t{t[k] - 1} * speciesTotalsAt[static_cast<std::size_t>(k)];
        sum += std::int64_t{t[k]} * (t[k] - 1) / 2;
        const std::uint16_t* s = table_.row(k);
        for (std::int32_t l = 0; l < k; ++l) sum += std::int64_t{s[l]} * (s[l] - 1);
    }
    return value_ = sum;
}

std::int64_t TradedCScore::of(const BitLines& cross, bool speciesTrade) {
    TradedCScore score;
    return score.start(cross, speciesTrade);
}

// With D(h) the change of the count line p shares with traded line h (q's changes by
// -D(h)), each pair's term changes by -D (a + b) + D^2 in the defining sum, or by
// D (2 T + D - 1) in the site-pair sum; over the two pairs of h that is
//   species: D (r_q - r_p) + 2 D (S(p, h) - S(q, h) + D),
//   sites:   2 D (T(p, h) - T(q, h) + D), plus -(c_p - c_q) times the change of R_p,
// counts before the trade. S(p, q) and T(p, q) never change: a moved entry is in
// exactly one of the two lines before and after.
std::int64_t TradedCScore::afterTrade(std::int32_t p, std::int32_t q, std::span<const std::int32_t> gained,
                                      std::span<const std::int32_t> lost) {
    std::int32_t* delta = delta_.data();
    std::uint16_t* entries = entries_.data();
    std::int64_t movedTotals = 0;  // change of R_p when sites trade
    // Each moved line's list is walked once, for its counts and for the one entry that
    // changes (q for p, or p for q); the select keeps the walk free of branches.
    const auto walk = [&](std::int32_t e, std::int32_t step, std::int32_t from, std::int32_t to) {
        const std::size_t begin = offsets_[static_cast<std::size_t>(e)], end = offsets_[static_cast<std::size_t>(e) + 1];
        std::size_t at = begin;
        for (std::size_t j = begin; j < end; ++j) {
            const std::uint16_t h = entries[j];
            delta[h] += step;
            at = h == from ? j : at;
        }
        entries[at] = static_cast<std::uint16_t>(to);
        return static_cast<std::int64_t>(end - begin);
    };
    for (const std::int32_t e : gained) movedTotals += walk(e, 1, q, p);
    for (const std::int32_t e : lost) movedTotals -= walk(e, -1, p, q);
    delta[p] = delta[q] = 0;
    const auto [pairs, deltaSum] = table_.addToRows(p, q, delta);
    const std::int32_t* t = table_.totals().data();
    value_ += 2 * pairs + (speciesTrade_ ? std::int64_t{t[q] - t[p]} * deltaSum : -std::int64_t{t[p] - t[q]} * movedTotals);
    return value_;
}

}  // namespace kelpo
