#include "core/p_value.h"

#include <algorithm>
#include <string>
#include <vector>
#include <utility>

#include "core/error.h"
#include "core/random_binary_matrix.h"
#include "core/swap_chain.h"

namespace kelpo {

namespace {

// The dealt and reduced matrix (cells 0/1) straight into the chain's layout, without
// the intermediate 8-bit PresenceMatrix that RandomBinaryMatrix would return.
BitLines linesOf(const MarginMatrix& x, bool speciesAreEntities) {
    BitLines lines = speciesAreEntities ? BitLines(x.cols, x.rows) : BitLines(x.rows, x.cols);
    for (std::int32_t i = 0; i < x.rows; ++i) {
        const std::uint16_t* row = x.cells.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(x.cols);
        for (std::int32_t k = 0; k < x.cols; ++k) {
            if (!row[k]) continue;
            if (speciesAreEntities) lines.set(k, i);
            else lines.set(i, k);
        }
    }
    return lines;
}

// The N simulated values, counted by runs: the value changes only after a swap, so
// a refused proposal costs nothing here. Every figure (less, equal, the exact
// moments) is read from the frequency table at the end, so the histogram a chart draws
// and the counts the report prints cannot disagree.
struct Tally {
    std::int64_t observed;
    ValueTable table{};
    std::vector<TracePoint> trace{};

    void add(std::int64_t value, std::int64_t times) { table.add(value, times); }
};

// The desktop program's 32-bit rule: only the C-score can leave that range.
void checkRange(std::int64_t value, StatisticId id, StatisticRange range) {
    if (range == StatisticRange::Limited32 && id == StatisticId::CScore && value > INT32_MAX) [[unlikely]] {
        throw Error(ErrorKind::Overflow, "Overflow: the C-score (" + std::to_string(value) +
                                             ") exceeds the 32-bit range (at most 2147483647).");
    }
}

PValueResult finish(Tally& tally, StatisticId id, std::int32_t iterations) {
    PValueResult result;
    result.counts = tally.table.sorted();
    std::int64_t less = 0, equal = 0;
    // The sum is exact in 128 bits; squares of 64-bit values can outgrow even that, so
    // they add up in long double.
    __int128 sum = 0;
    long double sumOfSquares = 0;
    for (const ValueCount& entry : result.counts) {
        if (entry.value == tally.observed) equal += entry.count;
        else if (entry.value < tally.observed) less += entry.count;
        sum += static_cast<__int128>(entry.value) * entry.count;
        sumOfSquares += static_cast<long double>(entry.value) * static_cast<long double>(entry.value) *
                        static_cast<long double>(entry.count);
    }
    const double n = iterations;
    result.less = static_cast<double>(less);
    result.equal = static_cast<double>(equal);
    result.pValue = id == StatisticId::Combinations ? (result.less + result.equal) / n : (n - result.less) / n;
    result.observed = tally.observed;
    result.simulatedSum = static_cast<double>(sum);
    result.simulatedSumOfSquares = static_cast<double>(sumOfSquares);
    result.trace = std::move(tally.trace);
    return result;
}

// A chain that never moves (the margins admit one matrix): its trace is flat.
std::vector<TracePoint> flatTrace(std::int64_t value, std::int32_t iterations) {
    std::vector<TracePoint> trace;
    const std::int64_t stride = traceStride(iterations);
    for (std::int64_t t = 1; t <= iterations; t += stride) trace.push_back({t, value});
    return trace;
}

// The statistic of a matrix with one row or one column (or none), without tables:
// with one site, species i and j share a site only when both are present, so
// every C-score term has a zero factor and the checkerboard pairs are all pairs but
// those of two present species; with one species there is no pair, and the
// combinations are the distinct values of its row (a count of 1 with no site).
std::int64_t degenerateValue(const PresenceMatrix& m, StatisticId id) {
    const std::int64_t rows = m.rows(), cols = m.cols();
    std::int64_t ones = 0;
    bool seen[2] = {false, false};
    for (std::int32_t k = 1; k <= m.cols(); ++k) {
        const std::uint8_t* column = m.column(k);
        for (std::int32_t i = 0; i < m.rows(); ++i) {
            if (column[i] > 1) [[unlikely]] {
                featureLines(m, true);  // throws, naming the cell
                throw Error(ErrorKind::InvalidInput, "The presence-absence matrix holds a cell other than 0 or 1.");
            }
            ones += column[i];
            seen[column[i]] = true;
        }
    }
    switch (id) {
        case StatisticId::CScore: return 0;
        case StatisticId::Checkerboards: {
            const std::int64_t present = cols == 1 ? ones : 0;
            return rows * (rows - 1) / 2 - present * (present - 1) / 2;
        }
        default:
            if (rows == 0 || cols == 0) return 1;
            if (cols == 1) return 1;
            return seen[0] + seen[1];
    }
}

template <class Chain>
PValueResult runChain(Chain& chain, const PresenceMatrix& observed, StatisticId id, std::int32_t iterations,
                      Random& random, StatisticRange range, const ChainMonitor& monitor) {
    constexpr bool species = Chain::Statistic::kSpeciesAreEntities;
    // One row or one column (or none): the margins admit exactly one matrix, the
    // observed one, and the swap step cannot pick two rows or two columns. Every
    // simulated value is the observed one; nothing is drawn and no table is built.
    if (observed.rows() < 2 || observed.cols() < 2) {
        Tally tally{degenerateValue(observed, id)};
        tally.add(tally.observed, iterations);
        tally.trace = flatTrace(tally.observed, iterations);
        return finish(tally, id, iterations);
    }

    // The observed value first (it draws nothing, so taking it before
    // the random start changes no number and a C-score overflow stops the call at once).
    Tally tally{chain.statisticOf(featureLines(observed, species))};
    checkRange(tally.observed, id, range);

    BitLines start;
    {
        MarginMatrix x = RandomMarginMatrix(observed.rowSums(), observed.colSums(), random);
        ReduceSumOfSquares(x, random);
        start = linesOf(x, species);
    }  // X (2 bytes a cell) is released before the chain allocates its byte cells
    checkRange(chain.start(std::move(start)), id, range);

    // The hot loop: a refused proposal is four draws and four byte reads. It runs in
    // blocks that end at the trace's sampling iterations, so sampling costs one check
    // per block rather than one per step; the monitor hears of the steps every
    // kMonitorInterval or so, not per block, to keep its shared counter cold.
    const std::int64_t stride = traceStride(iterations);
    tally.trace.reserve(static_cast<std::size_t>((iterations - 1) / stride + 1));
    std::int64_t unreported = 0;
    std::int64_t value = chain.value();
    tally.trace.push_back({1, value});
    std::int64_t runStart = 1;
    for (std::int64_t blockStart = 2; blockStart <= iterations; blockStart += stride) {
        const std::int64_t blockEnd = std::min<std::int64_t>(blockStart + stride - 1, iterations);
        for (std::int64_t t = blockStart; t <= blockEnd; ++t) {
            t += chain.refusedBeforeSwap(random, blockEnd - t + 1);
            if (t > blockEnd) break;
            // Step t swapped.
            const std::int64_t next = chain.value();
            checkRange(next, id, range);
            if (next != value) {
                tally.add(value, t - runStart);
                value = next;
                runStart = t;
            }
        }
        if (blockEnd == blockStart + stride - 1) tally.trace.push_back({blockEnd, value});
        unreported += blockEnd - blockStart + 1;
        if (unreported >= ChainMonitor::kMonitorInterval) {
            monitor.passed(unreported);
            unreported = 0;
        }
    }
    monitor.passed(unreported);
    tally.add(value, std::int64_t{iterations} + 1 - runStart);
    return finish(tally, id, iterations);
}

template <template <TableLayout> class Stat>
PValueResult run(const PresenceMatrix& observed, StatisticId id, std::int32_t iterations, Random& random,
                 StatisticRange range, const ChainMonitor& monitor) {
    return withChain<Stat>(observed.rows(), observed.cols(), [&](auto& chain) {
        return runChain(chain, observed, id, iterations, random, range, monitor);
    });
}

}  // namespace

void ChainMonitor::passed(std::int64_t steps) const {
    if (stepsDone) stepsDone->fetch_add(steps, std::memory_order_relaxed);
    if (cancel && cancel->load(std::memory_order_relaxed)) throw Error(ErrorKind::Cancelled, "The analysis was cancelled.");
}

PValueResult PValue(const PresenceMatrix& observed, StatisticId id, std::int32_t iterations, Random& random,
                    StatisticRange range, const ChainMonitor& monitor) {
    if (iterations < 1) {
        throw Error(ErrorKind::InvalidInput,
                    "The number of iterations of a p-value must be at least 1 (got " + std::to_string(iterations) + ").");
    }
    switch (id) {
        case StatisticId::CScore: return run<CScoreStatistic>(observed, id, iterations, random, range, monitor);
        case StatisticId::Checkerboards:
            return run<CheckerboardsStatistic>(observed, id, iterations, random, range, monitor);
        case StatisticId::Combinations:
            return run<CombinationsStatistic>(observed, id, iterations, random, range, monitor);
        case StatisticId::VRatio: break;
        default:
            throw Error(ErrorKind::InvalidInput,
                        "Unknown statistic id " + std::to_string(static_cast<int>(id)) + " (1 to 4 are defined).");
    }
    // V-Ratio: every simulated value counts as equal to the observed one; nothing is drawn.
    PValueResult result;
    result.pValue = 1.0;
    result.less = 0.0;
    result.equal = iterations;
    return result;
}

}  // namespace kelpo
