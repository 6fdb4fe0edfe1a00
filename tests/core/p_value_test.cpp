// The p-value estimate, its edge cases, and the whole call against the
// straightforward reference version (tests/core/reference.h) fed the same random values.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "core/error.h"
#include "core/p_value.h"
#include "reference.h"

namespace kelpo {
namespace {

using reference::fromRows;
using reference::randomMatrix;

constexpr StatisticId kComputed[] = {StatisticId::CScore, StatisticId::Checkerboards, StatisticId::Combinations};

TEST(PValue, VRatioIsOneWithoutDrawingAndBadInputIsRefused) {
    Random used(3, 3), fresh(3, 3);
    const PresenceMatrix m = fromRows({{1, 0}, {0, 1}});
    const PValueResult r = PValue(m, StatisticId::VRatio, 10000, used);
    EXPECT_EQ(r.pValue, 1.0);
    EXPECT_EQ(r.less, 0.0);
    EXPECT_EQ(r.equal, 10000.0);
    EXPECT_EQ(used.next(), fresh.next());
    for (std::int32_t n : {0, -1}) {
        try {
            PValue(m, StatisticId::CScore, n, used);
            FAIL();
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), ErrorKind::InvalidInput);
            EXPECT_NE(std::string(e.what()).find("iterations"), std::string::npos);
        }
    }
    // A cell other than 0 or 1 is refused, also in a single row.
    PresenceMatrix bad(3, 4), row(1, 4);
    bad.set(2, 3, 7);
    row.set(1, 2, 2);
    for (StatisticId id : kComputed) {
        for (const PresenceMatrix* x : {&bad, &row}) {
            try {
                PValue(*x, id, 10, used);
                FAIL();
            } catch (const Error& e) {
                EXPECT_EQ(e.kind(), ErrorKind::InvalidInput);
            }
        }
    }
}

TEST(PValue, SingleArrangementGivesPOne) {
    Random fill(9, 9);
    const PresenceMatrix cases[] = {
        PresenceMatrix(4, 5),                                                // all zero
        fromRows({{1, 1, 1}, {1, 1, 1}}),                                    // all one
        fromRows({{1, 1, 1, 1}, {1, 1, 1, 0}, {1, 1, 0, 0}, {1, 0, 0, 0}}),  // nested rows
        fromRows({{1, 0, 1, 1, 0}}),                                         // one row
        fromRows({{1}, {0}, {1}}),                                           // one column
        PresenceMatrix(0, 3), PresenceMatrix(3, 0), PresenceMatrix(1, 1),
        randomMatrix(1, 300, 0.5, fill), randomMatrix(1, 70, 0.1, fill),    // rows and columns over
        randomMatrix(300, 1, 0.5, fill), randomMatrix(70, 1, 0.9, fill),    // several 64-bit words
    };
    for (const PresenceMatrix& m : cases) {
        for (StatisticId id : kComputed) {
            Random random(1, 2);
            const PValueResult r = PValue(m, id, 500, random);
            EXPECT_EQ(r.pValue, 1.0);
            EXPECT_EQ(r.less, 0.0);
            EXPECT_EQ(r.equal, 500.0);
            EXPECT_EQ(r.observed, reference::statistic(m, id));
            EXPECT_EQ(r.simulatedSum, 500.0 * r.observed);
            EXPECT_EQ(r.simulatedSumOfSquares, 500.0 * r.observed * r.observed);
        }
    }
    // One row or one column draws nothing.
    Random used(6, 6), fresh(6, 6);
    PValue(fromRows({{1, 0, 1, 1, 0}}), StatisticId::CScore, 100, used);
    PValue(fromRows({{1}, {0}, {1}}), StatisticId::Checkerboards, 100, used);
    EXPECT_EQ(used.next(), fresh.next());
}

// The p-value estimate written plainly, over the plain statistics and swap step.
struct Plain {
    double less = 0, equal = 0, sum = 0, squares = 0;
    std::int64_t observed = 0;
};

Plain plainPValue(const PresenceMatrix& m, StatisticId id, std::int32_t n, Random& random) {
    auto x = reference::marginMatrix(m.rowSums(), m.colSums(), random);
    reference::reduce(x, m.rows(), m.cols(), random);
    PresenceMatrix work(m.rows(), m.cols());
    for (std::int32_t i = 1; i <= m.rows(); ++i)
        for (std::int32_t k = 1; k <= m.cols(); ++k) work.set(i, k, static_cast<std::uint8_t>(x[i][k]));
    Plain out;
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
TEST(PValue, EqualsThePlainVersionAndItsFormula) {
    Random shapes(12, 0);
    for (int n = 0; n < 60; ++n) {
        const std::int32_t R = shapes.draw(9) + 1, C = shapes.draw(9) + 1;
        const PresenceMatrix m = randomMatrix(R, C, shapes.draw(9) / 10.0, shapes);
        for (StatisticId id : kComputed) {
            for (const std::int32_t iterations : {1, 2000}) {
                Random a(n, 5), b(n, 5);
                const PValueResult r = PValue(m, id, iterations, a);
                const Plain e = plainPValue(m, id, iterations, b);
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

// Many threads at once, each with its own Random, give exactly what one thread
// gives: no state is shared.
TEST(PValue, ConcurrentCallsMatchSequentialOnes) {
    Random fill(21, 0);
    const PresenceMatrix m = randomMatrix(25, 18, 0.4, fill);
    constexpr int kThreads = 4;
    auto runAll = [&m](int t, PValueResult* out) {
        for (int s = 0; s < 3; ++s) {
            Random random(t, static_cast<std::uint64_t>(s));
            out[s] = PValue(m, kComputed[s], 20000, random);
        }
    };
    std::vector<PValueResult> sequential(kThreads * 3), concurrent(kThreads * 3);
    for (int t = 0; t < kThreads; ++t) runAll(t, &sequential[t * 3]);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back(runAll, t, &concurrent[t * 3]);
    for (auto& thread : threads) thread.join();
    for (std::size_t i = 0; i < sequential.size(); ++i) {
        EXPECT_EQ(sequential[i].less, concurrent[i].less);
        EXPECT_EQ(sequential[i].equal, concurrent[i].equal);
        EXPECT_EQ(sequential[i].simulatedSumOfSquares, concurrent[i].simulatedSumOfSquares);
    }
}

}  // namespace
}  // namespace kelpo
