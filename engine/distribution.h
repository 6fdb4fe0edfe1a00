// The twelve block patterns of presence probabilities and the three proportions of
// interacting species from which the power analysis draws its communities.
#pragma once

#include <cstdint>

namespace kelpo {

// 1 -> 0.0, 2 -> 0.5, 3 -> 1.0; any other index -> 0.0.
double Proportion(std::int32_t k);

// Which half of the species or of the sites an index lies in.
enum class Half : std::uint8_t { Upper = 0, Lower = 1 };  // rows
enum class Side : std::uint8_t { Left = 0, Right = 1 };   // columns

// A species x sites table of presence probabilities that is constant on four blocks:
// the upper and lower species crossed with the left and right sites. Only the four
// values and the halves are stored, so a huge matrix costs nothing.
class ProbabilityMatrix {
public:
    // The upper half takes rows / 2 rows and the left half cols / 2 columns, rounded down:
    // an odd extra row or column goes to the lower or right half, a single row is lower,
    // a single column right.
    ProbabilityMatrix(std::int32_t rows, std::int32_t cols, double upperLeft, double upperRight,
                      double lowerLeft, double lowerRight);

    std::int32_t rows() const { return rows_; }
    std::int32_t cols() const { return cols_; }
    std::int32_t upperRows() const { return upperRows_; }
    std::int32_t leftCols() const { return leftCols_; }

    Half half(std::int32_t i) const { return i <= upperRows_ ? Half::Upper : Half::Lower; }
    Side side(std::int32_t j) const { return j <= leftCols_ ? Side::Left : Side::Right; }

    bool hasHalf(Half h) const { return h == Half::Upper ? upperRows_ >= 1 : rows_ > upperRows_; }
    bool hasSide(Side s) const { return s == Side::Left ? leftCols_ >= 1 : cols_ > leftCols_; }

    double block(Half h, Side s) const { return values_[static_cast<int>(h)][static_cast<int>(s)]; }

    // X(i, j), species i (1..rows) at site j (1..cols).
    double operator()(std::int32_t i, std::int32_t j) const { return block(half(i), side(j)); }

private:
    std::int32_t rows_;
    std::int32_t cols_;
    std::int32_t upperRows_;
    std::int32_t leftCols_;
    double values_[2][2];
};

// Pattern d (1..12) for a rows x cols community; every entry 0 for any other d.
ProbabilityMatrix Distribution(std::int32_t d, std::int32_t rows, std::int32_t cols);

}  // namespace kelpo
