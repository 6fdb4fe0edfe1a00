// The p-value estimate, its edge cases, and the whole call against the
// literal algorithm driven by the same random values.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/p_value.h"
#include "reference.h"

namespace kelpo {
namespace {

using reference::fromRows;
using reference::randomMatrix;

constexpr StatisticId kComputed[] = {StatisticId::CScore, StatisticId::Checkerboards, StatisticId::Combinations};

// PValue throws for N < 1 and for a cell other than 0 or 1, also in a single row.
TEST(PValue, VRatioAndSingleArrangementsGivePOneWithoutDrawingAndBadInputIsRefused) {
    Random fill(9, 9);
    const PresenceMatrix cases[] = {
        fromRows({{1, 1, 1, 1}, {1, 1, 1, 0}, {1, 1, 0, 0}, {1, 0, 0, 0}}),  // nested rows
        PresenceMatrix(0, 3), PresenceMatrix(3, 0), randomMatrix(1, 300, 0.5, fill), randomMatrix(300, 1, 0.5, fill)};
    for (const PresenceMatrix& m : cases) {
        for (StatisticId id : kComputed) {
            Random random(1, 2);
            const PValueResult r = PValue(m, id, 500, random);
            EXPECT_EQ((std::vector<double>{r.pValue, r.less, r.equal, r.simulatedSum, r.simulatedSumOfSquares}),
                      (std::vector<double>{1, 0, 500, 500.0 * r.observed, 500.0 * r.observed * r.observed}));
            EXPECT_EQ(r.observed, reference::statistic(m, id));
        }
    }
    Random used(6, 6), fresh(6, 6);
    EXPECT_EQ(PValue(fromRows({{1, 0}, {0, 1}}), StatisticId::VRatio, 10000, used).equal, 10000.0);
    PValue(fromRows({{1, 0, 1, 1, 0}}), StatisticId::CScore, 100, used);  // one row draws nothing
    PValue(fromRows({{1}, {0}, {1}}), StatisticId::Checkerboards, 100, used);
    EXPECT_EQ(used.next(), fresh.next());
    PresenceMatrix bad(3, 4), row(1, 4);
    bad.set(2, 3, 7);
    row.set(1, 2, 2);
    for (StatisticId id : kComputed) {
        for (const PresenceMatrix* x : {&bad, &row}) EXPECT_THROW(PValue(*x, id, 10, used), Error);
        for (std::int32_t n : {0, -1}) EXPECT_THROW(PValue(bad, id, n, used), Error);
    }
}

// The literal p-value estimate over the literal statistics and swap step.
struct Literal {
    double less = 0, equal = 0, sum = 0, squares = 0;
    std::int64_t observed = 0;
};

Literal literalPValue(const PresenceMatrix& m, StatisticId id, std::int32_t n, Random& random) {
    auto x = reference::marginMatrix(m.rowSums(), m.colSums(), random);
    reference::reduce(x, m.rows(), m.cols(), random);
    PresenceMatrix work(m.rows(), m.cols());
    for (std::int32_t i = 1; i <= m.rows(); ++i)
        for (std::int32_t k = 1; k <= m.cols(); ++k) work.set(i, k, static_cast<std::uint8_t>(x[i][k]));
    Literal out;
    out.observed = reference::statistic(m, id);
    std::int64_t value = reference::statistic(work, id);
    for (std::int32_t t = 1; t <= n; ++t) {
        if (t > 1 && reference::swapStep(work, random)) value = reference::statistic(work, id);
        if (value == out.observed) out.equal += 1;
        else if (value < out.observed) out.less += 1;
        out.sum += static_cast<double>(value);
        out.squares += static_cast<double>(value) * static_cast<double>(value);
    }
    return out;
}

// Also N = 1: only the starting matrix is counted.
TEST(PValue, EqualsTheLiteralAlgorithmAndItsFormula) {
    Random shapes(12, 0);
    for (int n = 0; n < 40; ++n) {
        const std::int32_t R = shapes.draw(9) + 1, C = shapes.draw(9) + 1;
        const PresenceMatrix m = randomMatrix(R, C, shapes.draw(9) / 10.0, shapes);
        for (StatisticId id : kComputed) {
            for (const std::int32_t iterations : {1, 2000}) {
                Random a(n, 5), b(n, 5);
                const PValueResult r = PValue(m, id, iterations, a);
                const Literal e = literalPValue(m, id, iterations, b);
                ASSERT_EQ(r.observed, e.observed);
                ASSERT_EQ(r.less, e.less);
                ASSERT_EQ(r.equal, e.equal);
                ASSERT_EQ(r.simulatedSum, e.sum);
                ASSERT_EQ(r.simulatedSumOfSquares, e.squares);
                ASSERT_EQ(a.next(), b.next());
                ASSERT_LE(r.less + r.equal, iterations);
                const double expected = id == StatisticId::Combinations ? (r.less + r.equal) / iterations
                                                                        : (iterations - r.less) / iterations;
                ASSERT_EQ(r.pValue, expected);
                ASSERT_GE(r.pValue, 0.0);
                ASSERT_LE(r.pValue, 1.0);
            }
        }
    }
}

}  // namespace
}  // namespace kelpo
