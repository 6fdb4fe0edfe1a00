// Plain versions of the statistics, the margins and the swap step on plain 1-based tables: slow, obvious,
// and independent of the optimised core, which the tests hold equal to them.
#pragma once

#include <cstdint>
#include <vector>

#include "core/presence_matrix.h"
#include "core/random.h"
#include "core/statistic_id.h"

namespace kelpo::reference {

inline PresenceMatrix fromRows(const std::vector<std::vector<int>>& rows) {
    const auto R = static_cast<std::int32_t>(rows.size());
    const auto C = R ? static_cast<std::int32_t>(rows[0].size()) : 0;
    PresenceMatrix m(R, C);
    for (std::int32_t i = 1; i <= R; ++i)
        for (std::int32_t k = 1; k <= C; ++k) m.set(i, k, static_cast<std::uint8_t>(rows[i - 1][k - 1]));
    return m;
}

inline PresenceMatrix randomMatrix(std::int32_t R, std::int32_t C, double fill, Random& random) {
    PresenceMatrix m(R, C);
    for (std::int32_t i = 1; i <= R; ++i)
        for (std::int32_t k = 1; k <= C; ++k) m.set(i, k, random.next() < fill ? 1 : 0);
    return m;
}

// Sites shared by species i and j, and sites of species i.
inline std::int64_t shared(const PresenceMatrix& a, std::int32_t i, std::int32_t j) {
    std::int64_t s = 0;
    for (std::int32_t k = 1; k <= a.cols(); ++k) s += a(i, k) == 1 && a(j, k) == 1;
    return s;
}

// Statistic 1, 2 or 3 of the matrix: the C-score sums (r(i) - S)(r(j) - S) over
// species pairs, checkerboards count the pairs with S = 0, combinations count the
// distinct site columns (a site counts unless a later site equals it, plus one).
inline std::int64_t statistic(const PresenceMatrix& a, StatisticId id) {
    std::int64_t sum = 0;
    if (id == StatisticId::Combinations) {
        sum = 1;
        for (std::int32_t c = 1; c < a.cols(); ++c) {
            bool twin = false;
            for (std::int32_t c2 = c + 1; c2 <= a.cols(); ++c2) {
                bool equal = true;
                for (std::int32_t r = 1; r <= a.rows(); ++r) equal = equal && a(r, c2) == a(r, c);
                twin = twin || equal;
            }
            sum += !twin;
        }
        return sum;
    }
    for (std::int32_t i = 2; i <= a.rows(); ++i)
        for (std::int32_t j = 1; j < i; ++j) {
            const std::int64_t s = shared(a, i, j);
            sum += id == StatisticId::CScore ? (shared(a, i, i) - s) * (shared(a, j, j) - s) : s == 0;
        }
    return sum;
}

// The swap step on an 8-bit matrix: returns whether it swapped.
inline bool swapStep(PresenceMatrix& a, Random& random) {
    const std::int32_t R = a.rows(), C = a.cols();
    // The second of each pair is drawn among the others and steps over the first.
    const std::int32_t i1 = random.draw(R), i2 = random.draw(R - 1), j2 = i2 + (i2 >= i1);
    const std::int32_t k1 = random.draw(C), k3 = random.draw(C - 1), k2 = k3 + (k3 >= k1);
    const int s1 = a(i1, k1) + a(j2, k2), s2 = a(i1, k2) + a(j2, k1);
    if ((s1 ^ s2) != 2) return false;
    a.set(i1, k1, 1 - a(i1, k1));
    a.set(j2, k1, 1 - a(j2, k1));
    a.set(i1, k2, 1 - a(i1, k2));
    a.set(j2, k2, 1 - a(j2, k2));
    return true;
}

// The random margin matrix with plain vectors: erase closes the gap, push_back appends.
struct Entry {
    std::int32_t index, count;
};

inline std::vector<std::vector<std::int32_t>> marginMatrix(const std::vector<std::int32_t>& rowSums,
                                                           const std::vector<std::int32_t>& colSums, Random& random) {
    const auto R = rowSums.size(), C = colSums.size();
    std::vector<std::vector<std::int32_t>> x(R + 1, std::vector<std::int32_t>(C + 1, 0));
    std::vector<Entry> rows, cols;
    std::int32_t total = 0;
    for (std::size_t i = 1; i <= R; ++i)
        if (rowSums[i - 1] != 0) {
            rows.push_back({static_cast<std::int32_t>(i), 0});
            total += rowSums[i - 1];
        }
    for (std::size_t j = 1; j <= C; ++j)
        if (colSums[j - 1] != 0) cols.push_back({static_cast<std::int32_t>(j), 0});
    for (std::int32_t t = 0; t < total; ++t) {
        const auto p = static_cast<std::size_t>(random.draw(static_cast<std::int32_t>(rows.size())));
        const auto q = static_cast<std::size_t>(random.draw(static_cast<std::int32_t>(cols.size())));
        const Entry re = rows[p - 1], ce = cols[q - 1];
        x[static_cast<std::size_t>(re.index)][static_cast<std::size_t>(ce.index)] += 1;
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(p - 1));
        if (re.count + 1 < rowSums[static_cast<std::size_t>(re.index) - 1]) rows.push_back({re.index, re.count + 1});
        cols.erase(cols.begin() + static_cast<std::ptrdiff_t>(q - 1));
        if (ce.count + 1 < colSums[static_cast<std::size_t>(ce.index) - 1]) cols.push_back({ce.index, ce.count + 1});
    }
    return x;
}

inline void reduce(std::vector<std::vector<std::int32_t>>& x, std::int32_t R, std::int32_t C, Random& random) {
    std::int32_t total = 0, ss = 0;
    for (std::int32_t i = 1; i <= R; ++i)
        for (std::int32_t k = 1; k <= C; ++k) {
            total += x[i][k];
            ss += x[i][k] * x[i][k];
        }
    while (ss != total) {
        const std::int32_t i1 = random.draw(R - 1);
        std::int32_t i2 = random.draw(R);
        if (i2 == i1) i2 = i1 + 1;
        const std::int32_t k1 = random.draw(C - 1);
        std::int32_t k2 = random.draw(C);
        if (k2 == k1) k2 = k1 + 1;
        auto& a = x;
        if (a[i1][k1] > 0 && a[i2][k2] > 0) {
            const std::int32_t d = a[i1][k1] + a[i2][k2] - a[i1][k2] - a[i2][k1];
            if (d >= 2) {
                ss -= 2 * (d - 2);
                a[i1][k1] -= 1; a[i2][k2] -= 1; a[i2][k1] += 1; a[i1][k2] += 1;
            }
        }
        if (a[i1][k2] > 0 && a[i2][k1] > 0) {
            const std::int32_t d = a[i1][k2] + a[i2][k1] - a[i1][k1] - a[i2][k2];
            if (d >= 2) {
                ss -= 2 * (d - 2);
                a[i1][k2] -= 1; a[i2][k1] -= 1; a[i1][k1] += 1; a[i2][k2] += 1;
            }
        }
    }
}

}  // namespace kelpo::reference
