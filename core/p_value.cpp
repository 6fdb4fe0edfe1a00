#include "core/p_value.h"

#include <algorithm>
#include <memory>
#include <type_traits>
#include <string>
#include <vector>
#include <utility>

#include "core/error.h"
#include "core/random_binary_matrix.h"
#include "core/sampler_chain.h"
#include "core/statistic_chain.h"
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

PValueResult finish(Tally& tally, StatisticId id, std::int64_t iterations) {
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
    const double n = static_cast<double>(iterations);
    result.less = static_cast<double>(less);
    result.equal = static_cast<double>(equal);
    result.pValue = id == StatisticId::Combinations ? (result.less + result.equal) / n : (n - result.less) / n;
    result.observed = tally.observed;
    result.values = iterations;
    result.simulatedSum = static_cast<double>(sum);
    result.simulatedSumOfSquares = static_cast<double>(sumOfSquares);
    result.trace = std::move(tally.trace);
    return result;
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

}  // namespace

// The chain behind a StatisticChain: its statistic and table layout are fixed at the start,
// so the steps inside next() have no dispatch at all.
class StatisticChain::Walk {
public:
    virtual ~Walk() = default;
    virtual PValueResult next(std::int64_t count, Random& random, const ChainMonitor& monitor) = 0;
    std::int64_t iterationsDone() const { return done_; }
    std::int64_t observed() const { return observed_; }
    std::int64_t stepsPerRead() const { return stepsPerRead_; }

protected:
    std::int64_t observed_ = 0;
    std::int64_t stepsPerRead_ = 1;
    std::int64_t done_ = 0;  // iterations tallied so far; the start is iteration 1
};

namespace {

// One row or one column (or none): the margins admit exactly one matrix, the observed
// one, and no step can pick two rows or two columns. Every simulated value is the
// observed one; nothing is drawn and no table is built.
class FixedWalk final : public StatisticChain::Walk {
public:
    FixedWalk(const PresenceMatrix& observed, StatisticId id) : id_(id) { observed_ = degenerateValue(observed, id); }

    PValueResult next(std::int64_t count, Random&, const ChainMonitor&) override {
        Tally tally{observed_};
        tally.add(observed_, count);
        const std::int64_t stride = traceStride(count);
        for (std::int64_t t = done_ + 1; t <= done_ + count; t += stride) tally.trace.push_back({t, observed_});
        done_ += count;
        return finish(tally, id_, count);
    }

private:
    StatisticId id_;
};

template <class Chain>
class ChainWalk final : public StatisticChain::Walk {
public:
    ChainWalk(const PresenceMatrix& observed, StatisticId id, Random& random, StatisticRange range, ChainUse use)
        : id_(id), range_(range) {
        constexpr bool species = Chain::Statistic::kSpeciesAreEntities;
        // The observed value first (it draws nothing, so taking it before the random
        // start changes no number and a C-score overflow stops the call at once).
        observed_ = chain_.statisticOf(featureLines(observed, species));
        checkRange(observed_, id, range);
        BitLines start;
        {
            MarginMatrix x = RandomMarginMatrix(observed.rowSums(), observed.colSums(), random);
            ReduceSumOfSquares(x, random);
            start = linesOf(x, species);
        }  // X (2 bytes a cell) is released before the chain allocates its byte cells
        if constexpr (kReadsNowAndThen) {
            value_ = chain_.start(std::move(start), SharedKernel::Automatic, use);
            readsNowAndThen_ = use == ChainUse::ValuesWhenRead;
            if (readsNowAndThen_) stepsPerRead_ = chain_.tradesPerRead();
        } else {
            value_ = chain_.start(std::move(start));
        }
        checkRange(value_, id, range);
    }

    // The hot loop: a refused proposal is four draws and four byte reads. It runs in
    // blocks that end at the trace's sampling iterations, so sampling costs one check
    // per block rather than one per step; the monitor hears of the steps every
    // kMonitorInterval or so, not per block, to keep its shared counter cold.
    PValueResult next(std::int64_t count, Random& random, const ChainMonitor& monitor) override {
        if constexpr (kReadsNowAndThen) {
            // A chain that reads keeps no value between reads, even one read every step.
            if (readsNowAndThen_) return nextReadNowAndThen(count, random, monitor);
        }
        Tally tally{observed_};
        const std::int64_t first = done_ + 1, last = done_ + count;
        const std::int64_t stride = traceStride(count);
        tally.trace.reserve(static_cast<std::size_t>((count - 1) / stride + 1));
        // Iteration 1 is the start itself; a later stretch begins with a step.
        if (first > 1 && chain_.refusedBeforeSwap(random, 1) == 0) moveTo(chain_.value());
        tally.trace.push_back({first, value_});
        std::int64_t unreported = first > 1 ? 1 : 0;
        std::int64_t runStart = first;
        for (std::int64_t blockStart = first + 1; blockStart <= last; blockStart += stride) {
            const std::int64_t blockEnd = std::min(blockStart + stride - 1, last);
            for (std::int64_t t = blockStart; t <= blockEnd; ++t) {
                t += chain_.refusedBeforeSwap(random, blockEnd - t + 1);
                if (t > blockEnd) break;
                // Step t swapped.
                const std::int64_t next = chain_.value();
                if (next != value_) {
                    tally.add(value_, t - runStart);
                    moveTo(next);
                    runStart = t;
                }
            }
            if (blockEnd == blockStart + stride - 1) tally.trace.push_back({blockEnd, value_});
            unreported += blockEnd - blockStart + 1;
            if (unreported >= ChainMonitor::kMonitorInterval) {
                monitor.passed(unreported);
                unreported = 0;
            }
        }
        monitor.passed(unreported);
        tally.add(value_, last + 1 - runStart);
        done_ = last;
        return finish(tally, id_, count);
    }

private:
    static constexpr bool kReadsNowAndThen = requires(Chain c) { c.read(); };
    bool readsNowAndThen_ = false;

    // Reads at the trace's points and every stepsPerRead_ steps between them, in equal
    // stretches; each read stands for the stretch it ends (the start for itself), so the
    // tally still counts every iteration and the trace holds values as read.
    PValueResult nextReadNowAndThen(std::int64_t count, Random& random, const ChainMonitor& monitor) {
        Tally tally{observed_};
        const std::int64_t first = done_ + 1, last = done_ + count;
        const std::int64_t stride = std::max(traceStride(count), stepsPerRead_);
        tally.trace.reserve(static_cast<std::size_t>((count - 1) / stride + 1));
        if (first > 1) {
            chain_.step(random);
            moveTo(chain_.read());
        }
        tally.add(value_, 1);
        tally.trace.push_back({first, value_});
        std::int64_t unreported = first > 1 ? 1 : 0;
        for (std::int64_t blockStart = first + 1; blockStart <= last; blockStart += stride) {
            const std::int64_t blockEnd = std::min(blockStart + stride - 1, last);
            const std::int64_t steps = blockEnd - blockStart + 1;
            const std::int64_t reads = (steps + stepsPerRead_ - 1) / stepsPerRead_;
            for (std::int64_t r = 0, done = 0; r < reads; ++r) {
                const std::int64_t stretch = (steps * (r + 1)) / reads - done;
                for (std::int64_t t = 0; t < stretch; ++t) chain_.step(random);
                moveTo(chain_.read());
                tally.add(value_, stretch);
                done += stretch;
            }
            if (blockEnd == blockStart + stride - 1) tally.trace.push_back({blockEnd, value_});
            unreported += steps;
            if (unreported >= ChainMonitor::kMonitorInterval) {
                monitor.passed(unreported);
                unreported = 0;
            }
        }
        monitor.passed(unreported);
        done_ = last;
        return finish(tally, id_, count);
    }

    void moveTo(std::int64_t value) {
        checkRange(value, id_, range_);
        value_ = value;
    }

    Chain chain_;
    StatisticId id_;
    StatisticRange range_;
    std::int64_t value_ = 0;
};

template <template <TableLayout> class Stat>
std::unique_ptr<StatisticChain::Walk> walkOf(const PresenceMatrix& observed, StatisticId id, Random& random,
                                             StatisticRange range, Sampler sampler, ChainUse use) {
    if (observed.rows() < 2 || observed.cols() < 2) return std::make_unique<FixedWalk>(observed, id);
    return withSampler<Stat>(sampler, observed.rows(), observed.cols(), [&](auto& chain) -> std::unique_ptr<StatisticChain::Walk> {
        using Chain = std::remove_reference_t<decltype(chain)>;
        return std::make_unique<ChainWalk<Chain>>(observed, id, random, range, use);
    });
}

std::unique_ptr<StatisticChain::Walk> walkOf(const PresenceMatrix& observed, StatisticId id, Random& random,
                                             StatisticRange range, Sampler sampler, StatisticChain::Reading reading) {
    const ChainUse use = reading == StatisticChain::Reading::NowAndThen ? ChainUse::ValuesWhenRead : ChainUse::Values;
    switch (id) {
        case StatisticId::CScore: return walkOf<CScoreStatistic>(observed, id, random, range, sampler, use);
        case StatisticId::Checkerboards: return walkOf<CheckerboardsStatistic>(observed, id, random, range, sampler, use);
        case StatisticId::Combinations: return walkOf<CombinationsStatistic>(observed, id, random, range, sampler, use);
        default:
            throw Error(ErrorKind::InvalidInput,
                        "Unknown statistic id " + std::to_string(static_cast<int>(id)) + " (1 to 3 walk a chain).");
    }
}

}  // namespace

void ChainMonitor::passed(std::int64_t steps) const {
    if (stepsDone) stepsDone->fetch_add(steps, std::memory_order_relaxed);
    if (cancel && cancel->load(std::memory_order_relaxed)) throw Error(ErrorKind::Cancelled, "The analysis was cancelled.");
}

StatisticChain::StatisticChain(const PresenceMatrix& observed, StatisticId id, Random& random, StatisticRange range,
                               Sampler sampler, Reading reading)
    : walk_(walkOf(observed, id, random, range, sampler, reading)) {}

StatisticChain::~StatisticChain() = default;
StatisticChain::StatisticChain(StatisticChain&&) noexcept = default;
StatisticChain& StatisticChain::operator=(StatisticChain&&) noexcept = default;

PValueResult StatisticChain::next(std::int64_t count, Random& random, const ChainMonitor& monitor) {
    if (count < 1) {
        throw Error(ErrorKind::InvalidInput,
                    "A stretch of a chain must hold at least 1 iteration (got " + std::to_string(count) + ").");
    }
    return walk_->next(count, random, monitor);
}

std::int64_t StatisticChain::iterationsDone() const { return walk_->iterationsDone(); }
std::int64_t StatisticChain::observed() const { return walk_->observed(); }
std::int64_t StatisticChain::stepsPerRead() const { return walk_->stepsPerRead(); }

PValueResult PValue(const PresenceMatrix& observed, StatisticId id, std::int64_t iterations, Random& random,
                    StatisticRange range, const ChainMonitor& monitor, std::int64_t burnIn, Sampler sampler,
                    ChainReading reading) {
    if (iterations < 1) {
        throw Error(ErrorKind::InvalidInput,
                    "The number of iterations of a p-value must be at least 1 (got " + std::to_string(iterations) + ").");
    }
    if (burnIn < 0) {
        throw Error(ErrorKind::InvalidInput, "The burn-in cannot be negative (got " + std::to_string(burnIn) + ").");
    }
    if (id == StatisticId::VRatio) {
        // Every simulated value counts as equal to the observed one; nothing is drawn.
        PValueResult result;
        result.pValue = 1.0;
        result.less = 0.0;
        result.equal = static_cast<double>(iterations);
        result.values = iterations;
        return result;
    }
    StatisticChain chain(observed, id, random, range, sampler, reading);
    if (burnIn > 0) chain.next(burnIn, random, monitor);
    return chain.next(iterations, random, monitor);
}

}  // namespace kelpo
