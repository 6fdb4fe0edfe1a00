#include "engine/pair_pilot.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/random.h"
#include "core/sampler_chain.h"
#include "engine/mixing.h"
#include "engine/pair_chain.h"
#include "engine/streams.h"

namespace kelpo {

namespace {

constexpr std::size_t kPoints = 1024;
constexpr double kPilotEss = 100.0;  // enough points per autocorrelation time to measure it
// The longest pilot: about half a minute of swap steps, or of trades on a 1,000 x 500 table.
std::int64_t stepLimit(Sampler sampler) { return sampler == Sampler::Curveball ? std::int64_t{1} << 23 : std::int64_t{1} << 32; }

// Integrated autocorrelation time in steps of points taken `stride` steps apart: their number
// over their ESS. A series that never moved says nothing: infinite.
double tauOf(const std::vector<double>& points, std::int64_t stride) {
    if (std::all_of(points.begin(), points.end(), [&](double v) { return v == points.front(); })) {
        return std::numeric_limits<double>::infinity();
    }
    const MixingFigures figures = mixingFigures(std::span(&points, 1));
    return static_cast<double>(stride) * static_cast<double>(points.size()) / figures.ess;
}

// The 90th percentile: one pair's ESS among 1024 points is noisy, so the worst would
// mostly measure that noise; nine pairs in ten still get their time.
double pairsTau(const std::vector<std::vector<double>>& counts, std::int64_t stride) {
    if (counts.empty()) return 0.0;
    std::vector<double> taus;
    for (const auto& series : counts) taus.push_back(tauOf(series, stride));
    const std::size_t k = static_cast<std::size_t>(std::ceil(0.9 * static_cast<double>(taus.size()))) - 1;
    std::nth_element(taus.begin(), taus.begin() + static_cast<std::ptrdiff_t>(k), taus.end());
    return taus[k];
}

PilotLengths lengthsFor(double tau, std::int64_t steps, bool limitReached) {
    tau = std::max(tau, 1.0);
    PilotLengths out;
    out.autocorrelationSteps = tau;
    out.thin = static_cast<std::int32_t>(std::min(std::ceil(kThinPerTau * tau), 2147483647.0));
    out.burnIn = static_cast<std::int64_t>(std::ceil(kBurnInPerTau * tau));
    out.pilotSteps = steps;
    out.limitReached = limitReached;
    return out;
}

}  // namespace

std::vector<MonitoredPair> monitoredPairs(std::span<const std::int32_t> rowSums, std::int32_t sites) {
    const auto species = static_cast<std::int32_t>(rowSums.size());
    auto testable = [&](std::int32_t i) { return rowSums[static_cast<std::size_t>(i)] > 0 && rowSums[static_cast<std::size_t>(i)] < sites; };
    std::vector<MonitoredPair> candidates;
    for (std::int32_t x = 1; x < species; ++x)
        for (std::int32_t y = 0; y < x; ++y)
            if (testable(x) && testable(y) &&
                std::int64_t{rowSums[static_cast<std::size_t>(x)]} * rowSums[static_cast<std::size_t>(y)] >= sites) {
                candidates.push_back({x, y});
            }
    if (candidates.size() <= kMonitoredPairs) return candidates;
    std::vector<MonitoredPair> chosen;
    for (std::size_t k = 0; k < kMonitoredPairs; ++k) chosen.push_back(candidates[k * candidates.size() / kMonitoredPairs]);
    return chosen;
}

PilotLengths measurePairLengths(const PresenceMatrix& matrix, std::span<const MonitoredPair> pairs, Sampler sampler,
                                std::int32_t seed, const RunControl& control) {
    Random random(seed, streams::kPairPilot);
    return withSampler<CScoreStatistic>(sampler, matrix.rows(), matrix.cols(), [&](auto& chain) {
        pair_chain::start(chain, matrix, random);
        std::vector<double> cscore(kPoints);
        std::vector<std::vector<double>> counts(pairs.size(), std::vector<double>(kPoints));
        std::int64_t steps = 0;
        for (std::int64_t stride = 1;; stride *= 2) {
            for (std::size_t i = 0; i < kPoints; ++i) {
                pair_chain::advance(chain, random, stride, control);
                cscore[i] = static_cast<double>(chain.value());
                for (std::size_t p = 0; p < pairs.size(); ++p)
                    counts[p][i] = pair_chain::sharedCount(chain.statistic().table(), pairs[p].x, pairs[p].y);
            }
            const std::int64_t round = stride * static_cast<std::int64_t>(kPoints);
            steps += round;
            const double tau = std::max(tauOf(cscore, stride), pairsTau(counts, stride));
            if (tau * kPilotEss <= static_cast<double>(round)) return lengthsFor(tau, steps, false);
            // The next round walks twice this one's steps.
            if (steps + 2 * round > stepLimit(sampler)) {
                return lengthsFor(std::isfinite(tau) ? tau : static_cast<double>(round), steps, true);
            }
        }
    });
}

}  // namespace kelpo
