#include "core/simulated_values.h"

#include <algorithm>

namespace kelpo {

void ValueTable::addOutsideWindow(std::int64_t value, std::int64_t times) {
    if (window_.empty()) {
        // Centred on the first value: a chain wanders both ways from its start.
        window_.assign(256, 0);
        base_ = value - 128;
        window_[128] += times;
        return;
    }
    const std::int64_t low = std::min(base_, value);
    const std::int64_t high = std::max(base_ + static_cast<std::int64_t>(window_.size()) - 1, value);
    const auto needed = static_cast<std::size_t>(high - low + 1);
    if (needed > kMaxWindow) {
        pending_.push_back({value, times});
        // Batches as long as the merged list keep a merge's cost per value logarithmic.
        if (pending_.size() >= std::max<std::size_t>(4096, spilled_.size())) {
            spilled_ = pooledCounts({&spilled_, &pending_});
            pending_.clear();
        }
        return;
    }
    // Grow to twice what is needed (within the limit), leaving slack on the side that grew.
    const std::size_t size = std::min(kMaxWindow, 2 * needed);
    const std::int64_t slack = static_cast<std::int64_t>(size - needed);
    const std::int64_t newBase = value < base_ ? low - slack : low;
    std::vector<std::int64_t> grown(size, 0);
    std::copy(window_.begin(), window_.end(), grown.begin() + (base_ - newBase));
    window_ = std::move(grown);
    base_ = newBase;
    window_[static_cast<std::size_t>(value - base_)] += times;
}

std::vector<ValueCount> ValueTable::sorted() const {
    std::vector<ValueCount> table;
    for (std::size_t i = 0; i < window_.size(); ++i) {
        if (window_[i] != 0) table.push_back({base_ + static_cast<std::int64_t>(i), window_[i]});
    }
    if (spilled_.empty() && pending_.empty()) return table;
    return pooledCounts({&table, &spilled_, &pending_});
}

std::int64_t traceStride(std::int64_t iterations) {
    if (iterations <= kMaxTracePoints) return 1;
    return (iterations - 1 + kMaxTracePoints - 2) / (kMaxTracePoints - 1);  // ceil((N - 1) / 999)
}

std::vector<ValueCount> pooledCounts(const std::vector<const std::vector<ValueCount>*>& tables) {
    std::vector<ValueCount> all;
    for (const auto* table : tables) all.insert(all.end(), table->begin(), table->end());
    std::sort(all.begin(), all.end(), [](const ValueCount& a, const ValueCount& b) { return a.value < b.value; });
    std::vector<ValueCount> pooled;
    for (const ValueCount& entry : all) {
        if (!pooled.empty() && pooled.back().value == entry.value) pooled.back().count += entry.count;
        else pooled.push_back(entry);
    }
    return pooled;
}

}  // namespace kelpo
