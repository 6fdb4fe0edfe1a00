// The option a script needs: a hypothesis test that reports its chain steps and
// stops on a cancel request, where the desktop program's test runs to its end.
#include <gtest/gtest.h>

#include "core/error.h"
#include "engine/hypothesis_test.h"

namespace kelpo {
namespace {

PresenceMatrix checkerboard(std::int32_t side) {
    PresenceMatrix m(side, side);
    for (std::int32_t i = 1; i <= side; ++i)
        for (std::int32_t k = 1; k <= side; ++k) m.set(i, k, (i + k) % 2 ? 1 : 0);
    return m;
}

TEST(CancellableTest, CountsEverySwapStepAndStopsOnlyWhenAllowed) {
    AnalysisSettings settings;
    settings.iterations = 3 * ChainMonitor::kMonitorInterval + 7;  // more than one report per chain
    const PresenceMatrix matrix = checkerboard(6);

    RunControl counted;
    const HypothesisTestOutcome whole = HypothesisTest(matrix, settings, 2, counted, true);
    EXPECT_EQ(counted.testStepsDone(), std::int64_t{kReplicates} * (settings.iterations - 1));

    RunControl cancelled;
    cancelled.requestCancel();
    const HypothesisTestOutcome ignored = HypothesisTest(matrix, settings, 2, cancelled, false);
    EXPECT_EQ(ignored.result.pValue, whole.result.pValue);
    try {
        HypothesisTest(matrix, settings, 2, cancelled, true);
        FAIL() << "a cancellable test ran on after the request";
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::Cancelled);
    }
}

}  // namespace
}  // namespace kelpo
