#include "engine/distribution.h"

#include <array>

namespace kelpo {

namespace {

struct Blocks {
    double upperLeft, upperRight, lowerLeft, lowerRight;
};

// Patterns 1-3 are uniform, 4-5 vary across sites only, 6-7 across species only,
// 8-12 across both.
constexpr std::array<Blocks, 12> kPatterns{{
    {0.1, 0.1, 0.1, 0.1},
    {0.5, 0.5, 0.5, 0.5},
    {0.9, 0.9, 0.9, 0.9},
    {0.1, 0.3, 0.1, 0.3},
    {0.2, 0.8, 0.2, 0.8},
    {0.1, 0.1, 0.3, 0.3},
    {0.2, 0.2, 0.8, 0.8},
    {0.8, 0.8, 0.2, 0.8},
    {0.9, 0.9, 0.1, 0.9},
    {0.2, 0.8, 0.8, 0.2},
    {0.1, 0.9, 0.9, 0.1},
    {0.2, 0.8, 0.8, 0.9},
}};

}  // namespace

double Proportion(std::int32_t k) {
    switch (k) {
        case 2: return 0.5;
        case 3: return 1.0;
        default: return 0.0;
    }
}

ProbabilityMatrix::ProbabilityMatrix(std::int32_t rows, std::int32_t cols, double upperLeft, double upperRight,
                                     double lowerLeft, double lowerRight)
    : rows_(rows),
      cols_(cols),
      upperRows_(rows / 2),
      leftCols_(cols / 2),
      values_{{upperLeft, upperRight}, {lowerLeft, lowerRight}} {}

ProbabilityMatrix Distribution(std::int32_t d, std::int32_t rows, std::int32_t cols) {
    if (d < 1 || d > static_cast<std::int32_t>(kPatterns.size())) return {rows, cols, 0.0, 0.0, 0.0, 0.0};
    const Blocks& b = kPatterns[static_cast<std::size_t>(d - 1)];
    return {rows, cols, b.upperLeft, b.upperRight, b.lowerLeft, b.lowerRight};
}

}  // namespace kelpo
