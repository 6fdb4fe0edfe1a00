#include "engine/community.h"

#include <cmath>

namespace kelpo {

namespace {

struct ColumnRange {
    Side side;
    std::int32_t first;
    std::int32_t last;
};

// One random value per cell of row i over the sites first..last, in site order.
void drawRange(PresenceMatrix& community, std::int32_t i, const ColumnRange& range, float present, float absent,
               bool interacting, Random& random) {
    for (std::int32_t j = range.first; j <= range.last; ++j) {
        const float q = interacting && community(i - 1, j) == 0 ? absent : present;
        if (random.next() < q) community.set(i, j, 1);
    }
}

}  // namespace

std::int32_t interactionLimit(std::int32_t speciesCount, double proportion) {
    return static_cast<std::int32_t>(std::floor(static_cast<double>(speciesCount) * proportion));
}

PresenceMatrix DrawCommunity(const ProbabilityMatrix& x, const ConditionalTable& y, double proportion,
                             Random& random) {
    PresenceMatrix community(x.rows(), x.cols());
    const std::int32_t limit = interactionLimit(x.rows(), proportion);
    // The probabilities are constant on each half of a row, so the single-precision
    // thresholds are rounded once per half rather than once per cell.
    const ColumnRange ranges[2] = {{Side::Left, 1, x.leftCols()}, {Side::Right, x.leftCols() + 1, x.cols()}};
    for (std::int32_t i = 1; i <= x.rows(); ++i) {
        const bool interacting = speciesInteracts(i, limit);
        for (const ColumnRange& range : ranges) {
            if (range.first > range.last) continue;
            if (interacting) {
                const ConditionalTable::Entry& e = y.entry(i, range.first);
                drawRange(community, i, range, static_cast<float>(e.present), static_cast<float>(e.absent), true,
                          random);
            } else {
                const float q = static_cast<float>(x.block(x.half(i), range.side));
                drawRange(community, i, range, q, q, false, random);
            }
        }
    }
    return community;
}

}  // namespace kelpo
