// What a chain's simulated values look like: how often each value occurred, and the
// value at evenly spaced iterations. Kept for the charts, the JSON output and R.
#pragma once

#include <cstdint>
#include <vector>

namespace kelpo {

struct ValueCount {
    std::int64_t value = 0;
    std::int64_t count = 0;
};

struct TracePoint {
    std::int64_t iteration = 0;
    std::int64_t value = 0;
};

// An exact frequency table of simulated values. The chain adds one entry per run of
// equal values, so adding must cost next to nothing: counts live in a dense window
// indexed by value - base (one increment, no hashing); values beyond a window of
// kMaxWindow entries spill into a list that is sorted and merged in batches, which
// keeps memory bounded by the number of distinct values whatever their spread. (A hash
// map there cost a curveball chain on a 1,000 x 500 table, whose C-score spreads over
// more than the window, 8 % of its time in cache misses.)
class ValueTable {
public:
    static constexpr std::size_t kMaxWindow = std::size_t{1} << 16;

    void add(std::int64_t value, std::int64_t times) {
        const auto index = static_cast<std::uint64_t>(value - base_);
        if (index < window_.size()) [[likely]] {
            window_[index] += times;
            return;
        }
        addOutsideWindow(value, times);
    }

    // Every value seen, ascending, with its count.
    std::vector<ValueCount> sorted() const;

private:
    void addOutsideWindow(std::int64_t value, std::int64_t times);

    std::int64_t base_ = 0;
    std::vector<std::int64_t> window_;
    std::vector<ValueCount> spilled_;  // sorted, distinct values
    std::vector<ValueCount> pending_;  // spilled since the last merge, as they came
};

// The iterations a trace samples: 1, 1 + s, 1 + 2s, ... up to `iterations`, with the
// stride s chosen so that there are at most kMaxTracePoints of them. Iteration 1 (the
// random start) is always among them, so a chart shows where the chain began.
inline constexpr std::int64_t kMaxTracePoints = 1000;
std::int64_t traceStride(std::int64_t iterations);

// Pools tables (each sorted by value) into one, sorted by value.
std::vector<ValueCount> pooledCounts(const std::vector<const std::vector<ValueCount>*>& tables);

}  // namespace kelpo
