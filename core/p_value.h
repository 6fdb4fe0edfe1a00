// The p-value of a matrix's statistic against random matrices with the same margins.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "core/presence_matrix.h"
#include "core/random.h"
#include "core/sampler.h"
#include "core/simulated_values.h"
#include "core/statistic_id.h"

namespace kelpo {

struct PValueResult {
    double pValue = 1.0;
    double less = 0.0;   // simulated statistics below the observed value
    double equal = 0.0;  // simulated statistics equal to it
    // Beyond the three classic figures, for the machine-readable output:
    std::int64_t observed = 0;         // the statistic of the observed matrix (0 for V-Ratio)
    std::int64_t values = 0;           // simulated values tallied
    double simulatedSum = 0.0;         // sum of the simulated values
    double simulatedSumOfSquares = 0.0;
    std::vector<ValueCount> counts{};  // every simulated value with its frequency, ascending (empty for V-Ratio)
    std::vector<TracePoint> trace{};   // the value at iterations 1, 1 + s, ... (traceStride); empty for V-Ratio
};

// Lets another thread follow a long chain and stop it. Every kMonitorInterval swap
// steps the chain adds them to *stepsDone and, once *cancel is set, throws
// kelpo::Error (Cancelled). Null pointers are not looked at. Checking between blocks
// keeps the inner loop as it is, and 2^16 steps take well under a millisecond.
struct ChainMonitor {
    static constexpr std::int32_t kMonitorInterval = 1 << 16;
    const std::atomic<bool>* cancel = nullptr;
    std::atomic<std::int64_t>* stepsDone = nullptr;

    void passed(std::int64_t steps) const;
};

// N = iterations simulated statistics: a random start with the observed margins,
// then N - 1 sequential swap steps. Throws kelpo::Error (InvalidInput) for N < 1,
// (Overflow) under StatisticRange::Limited32 once the observed or a simulated C-score
// leaves the 32-bit range.
// With a burn-in, that many iterations come first and are not counted (the start among
// them), so the N values are iterations burnIn + 1 to burnIn + N of the chain.
// reading as StatisticChain's.
PValueResult PValue(const PresenceMatrix& observed, StatisticId id, std::int64_t iterations, Random& random,
                    StatisticRange range = StatisticRange::Full64, const ChainMonitor& monitor = {},
                    std::int64_t burnIn = 0, Sampler sampler = Sampler::Swap,
                    ChainReading reading = ChainReading::EveryStep);

}  // namespace kelpo
