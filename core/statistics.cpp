#include "core/statistics.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace kelpo {

namespace {

template <class T>
std::vector<T> allocate(std::size_t count, const char* what) {
    try {
        return std::vector<T>(count);
    } catch (const std::bad_alloc&) {
        throw Error(ErrorKind::OutOfMemory, std::string("Out of memory for ") + what + ".");
    }
}

// Counting per pair of entities: S(x, y) = popcount(row x AND row y), the rows being
// bit sets over the features. Built for popcnt where the processor has it.
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("popcnt", "default")))
#endif
void popcountKernel(const std::uint64_t* rows, std::size_t words, std::int32_t n, std::uint16_t* table,
                    const std::size_t* rowStarts) {
    for (std::int32_t x = 1; x < n; ++x) {
        const std::uint64_t* rx = rows + static_cast<std::size_t>(x) * words;
        std::uint16_t* out = table + rowStarts[x];
        for (std::int32_t y = 0; y < x; ++y) {
            const std::uint64_t* ry = rows + static_cast<std::size_t>(y) * words;
            std::uint32_t count = 0;
            for (std::size_t w = 0; w < words; ++w) count += static_cast<std::uint32_t>(__builtin_popcountll(rx[w] & ry[w]));
            out[y] = static_cast<std::uint16_t>(count);
        }
    }
}

}  // namespace

void countSharedFeatures(const BitLines& lines, SharedKernel kernel, std::int32_t* totals, std::uint16_t* data,
                         const std::size_t* rowStarts) {
    const std::int32_t n = lines.bits;
    const std::int32_t features = lines.lines;
    const std::size_t words = lines.wordsPerLine;

    // Totals per entity, and per feature the number of its entities.
    std::vector<std::int32_t> perFeature = allocate<std::int32_t>(static_cast<std::size_t>(features), "the column totals");
    double pairsPerFeature = 0;
    std::size_t ones = 0;
    for (std::int32_t f = 0; f < features; ++f) {
        const std::uint64_t* line = lines.line(f);
        std::int32_t count = 0;
        forEachSetBit(line, words, [&](std::int32_t e) {
            ++totals[static_cast<std::size_t>(e)];
            ++count;
        });
        perFeature[static_cast<std::size_t>(f)] = count;
        ones += static_cast<std::size_t>(count);
        pairsPerFeature += 0.5 * count * (count - 1.0);
    }
    if (n < 2) return;

    if (kernel == SharedKernel::Automatic) {
        // A feature-pair increment costs about as much as a popcount of two words;
        // both estimates are exact operation counts.
        const double popcountWork = 0.5 * n * (n - 1.0) * ((features + 63) / 64);
        kernel = pairsPerFeature <= popcountWork ? SharedKernel::PairsPerFeature : SharedKernel::BitRowPopcount;
    }

    if (kernel == SharedKernel::BitRowPopcount) {
        // Bit rows per entity over the features (the transpose of the lines).
        const std::size_t rowWords = (static_cast<std::size_t>(features) + 63) / 64;
        std::vector<std::uint64_t> rows = allocate<std::uint64_t>(static_cast<std::size_t>(n) * rowWords, "the bit rows");
        for (std::int32_t f = 0; f < features; ++f) {
            const std::uint64_t* line = lines.line(f);
            const std::uint64_t bit = std::uint64_t{1} << (f & 63);
            const std::size_t fw = static_cast<std::size_t>(f) >> 6;
            forEachSetBit(line, words, [&](std::int32_t e) { rows[static_cast<std::size_t>(e) * rowWords + fw] |= bit; });
        }
        popcountKernel(rows.data(), rowWords, n, data, rowStarts);
        return;
    }

    // Pairs per feature, one table row at a time so that the row being counted stays
    // in cache: for entity x and each feature f of x, every entity y < x of f adds 1
    // to S(x, y). Each feature's entity list is ascending and x is visited in order,
    // so the entities before x in f's list are those before f's cursor.
    std::vector<std::size_t> start = allocate<std::size_t>(static_cast<std::size_t>(features) + 1, "the site lists");
    for (std::int32_t f = 0; f < features; ++f) start[static_cast<std::size_t>(f) + 1] = start[static_cast<std::size_t>(f)] + static_cast<std::size_t>(perFeature[static_cast<std::size_t>(f)]);
    std::vector<std::int32_t> members = allocate<std::int32_t>(ones, "the site lists");
    std::vector<std::size_t> ownStart = allocate<std::size_t>(static_cast<std::size_t>(n) + 1, "the species lists");
    for (std::int32_t x = 0; x < n; ++x) ownStart[static_cast<std::size_t>(x) + 1] = ownStart[static_cast<std::size_t>(x)] + static_cast<std::size_t>(totals[x]);
    std::vector<std::int32_t> own = allocate<std::int32_t>(ones, "the species lists");
    {
        std::vector<std::size_t> fill(ownStart.begin(), ownStart.end() - 1);
        std::size_t pos = 0;
        for (std::int32_t f = 0; f < features; ++f) {
            const std::uint64_t* line = lines.line(f);
            forEachSetBit(line, words, [&](std::int32_t e) {
                members[pos++] = e;
                own[fill[static_cast<std::size_t>(e)]++] = f;
            });
        }
    }
    std::vector<std::size_t> cursor(start.begin(), start.end() - 1);
    for (std::int32_t x = 0; x < n; ++x) {
        std::uint16_t* out = data + rowStarts[x];
        std::fill(out, out + x, std::uint16_t{0});
        for (std::size_t j = ownStart[static_cast<std::size_t>(x)]; j < ownStart[static_cast<std::size_t>(x) + 1]; ++j) {
            const auto f = static_cast<std::size_t>(own[j]);
            const std::int32_t* list = members.data() + start[f];
            const std::size_t before = cursor[f] - start[f];
            for (std::size_t m = 0; m < before; ++m) ++out[list[m]];
            ++cursor[f];
        }
    }
}

BitLines featureLines(const PresenceMatrix& matrix, bool speciesAreEntities) {
    const std::int32_t rows = matrix.rows(), cols = matrix.cols();
    BitLines lines = speciesAreEntities ? BitLines(cols, rows) : BitLines(rows, cols);
    for (std::int32_t k = 0; k < cols; ++k) {
        const std::uint8_t* column = matrix.column(k + 1);
        std::uint8_t any = 0;
        for (std::int32_t i = 0; i < rows; ++i) any |= column[i];
        if (any > 1) {
            for (std::int32_t i = 0; i < rows; ++i) {
                if (column[i] > 1) {
                    throw Error(ErrorKind::InvalidInput, "The presence-absence matrix holds " + std::to_string(column[i]) +
                                                             " in cell (" + std::to_string(i + 1) + ", " +
                                                             std::to_string(k + 1) + "); only 0 and 1 are allowed.");
                }
            }
        }
        if (speciesAreEntities) {
            std::uint64_t* line = lines.line(k);
            for (std::int32_t i = 0; i < rows; ++i) line[i >> 6] |= std::uint64_t{column[i]} << (i & 63);
        } else {
            const std::uint64_t bit = std::uint64_t{1} << (k & 63);
            const std::size_t word = static_cast<std::size_t>(k) >> 6;
            for (std::int32_t i = 0; i < rows; ++i)
                if (column[i]) lines.line(i)[word] |= bit;
        }
    }
    return lines;
}

std::int64_t computeStatistic(const PresenceMatrix& matrix, StatisticId id) {
    switch (id) {
        case StatisticId::CScore: {
            CScoreStatistic<TableLayout::Triangle> s;
            return s.full(featureLines(matrix, true));
        }
        case StatisticId::Checkerboards: {
            CheckerboardsStatistic<TableLayout::Triangle> s;
            return s.full(featureLines(matrix, true));
        }
        case StatisticId::Combinations: {
            CombinationsStatistic<TableLayout::Triangle> s;
            return s.full(featureLines(matrix, false));
        }
        case StatisticId::VRatio: break;
    }
    return 0;
}

}  // namespace kelpo
