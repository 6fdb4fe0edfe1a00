#include "engine/hypothesis_test.h"

#include <array>
#include <chrono>
#include <cmath>
#include <numeric>
#include <optional>
#include <vector>

#include <tbb/parallel_for.h>

#include "core/error.h"
#include "core/statistic_chain.h"
#include "engine/bootstrap.h"
#include "engine/mixing.h"
#include "engine/streams.h"
#include "engine/worker_arena.h"

namespace kelpo {

namespace {

using Clock = std::chrono::steady_clock;

// The first round of an automatic length: short enough to cost nothing on a small matrix,
// long enough that ten chains of it hold a thousand trace points between them.
constexpr std::int64_t kFirstRound = 1000;
// Doubling beyond this would leave 64 bits; no time limit lets a run come near it.
constexpr std::int64_t kLongestRound = std::int64_t{1} << 60;

std::vector<std::vector<double>> traceValues(std::span<const PValueResult> replicates) {
    std::vector<std::vector<double>> chains;
    for (const PValueResult& r : replicates) {
        std::vector<double>& chain = chains.emplace_back();
        for (const TracePoint& point : r.trace) chain.push_back(static_cast<double>(point.value));
    }
    return chains;
}

template <class Body>
void forEach(int count, int threads, Body&& body) {
    tbb::task_arena arena = workerArena(threads);
    arena.execute([&] { tbb::parallel_for(0, count, [&](int k) { body(static_cast<std::size_t>(k)); }); });
}

template <class Body>
void forEachReplicate(int threads, Body&& body) {
    forEach(kReplicates, threads, body);
}

// Ten chains run on in rounds. The first half of every chain is burn-in; each round runs
// as many iterations as all before it, so it is exactly the kept second half, and the
// tallies of a round are the test's whole result when its figures say the chains mixed.
HypothesisTestOutcome autoLengthTest(const PresenceMatrix& matrix, const AnalysisSettings& settings, int threads,
                                     const ChainMonitor& monitor) {
    const Clock::time_point begun = Clock::now();
    std::array<Random, kReplicates> randoms;
    std::array<std::optional<StatisticChain>, kReplicates> chains;
    std::array<PValueResult, kReplicates> kept{};
    forEachReplicate(threads, [&](std::size_t r) {
        randoms[r].seed(settings.simulationSeed, streams::replicate(static_cast<std::int32_t>(r) + 1));
        chains[r].emplace(matrix, settings.statisticId, randoms[r], settings.statisticRange, settings.sampler,
                          StatisticChain::Reading::NowAndThen);
        chains[r]->next(kFirstRound, randoms[r], monitor);  // the burn-in of the first round
    });
    std::int64_t round = kFirstRound;
    bool timedOut = false;
    for (;;) {
        const Clock::time_point roundBegun = Clock::now();
        forEachReplicate(threads, [&](std::size_t r) { kept[r] = chains[r]->next(round, randoms[r], monitor); });
        const auto chainValues = traceValues(kept);
        if (chainsMixed(mixingFigures(chainValues), kAutoTargetEss)) break;
        // The next round runs twice as long as this one: none is begun that the limit would cut.
        const std::chrono::duration<double> elapsed = Clock::now() - begun;
        const std::chrono::duration<double> thisRound = Clock::now() - roundBegun;
        if (elapsed.count() + 2.0 * thisRound.count() > settings.maxSeconds || 2 * round > kLongestRound) {
            timedOut = true;
            break;
        }
        round *= 2;
    }
    Random bootstrap(settings.simulationSeed, streams::kBootstrap);
    HypothesisTestOutcome outcome = combineReplicates(kept, round, bootstrap);
    outcome.result.mixing.iterationsRun = 2 * round;
    outcome.result.mixing.iterationsKept = round;
    outcome.result.mixing.autoLength = true;
    outcome.result.mixing.timeLimitReached = timedOut;
    outcome.result.mixing.stepsPerRead = chains.front()->stepsPerRead();
    return outcome;
}

}  // namespace

MeanAndSd meanAndSd(double count, double sum, double sumOfSquares) {
    if (count < 1.0) return {};
    MeanAndSd spread;
    spread.mean = sum / count;
    if (count < 2.0) return spread;
    const double variance = (sumOfSquares - sum * spread.mean) / (count - 1.0);
    spread.sd = variance > 0.0 ? std::sqrt(variance) : 0.0;
    return spread;
}

HypothesisTestOutcome combineReplicates(std::span<const PValueResult> replicates, std::int64_t iterations,
                                        Random& bootstrap) {
    HypothesisTestOutcome outcome;
    std::vector<double> pValues;
    pValues.reserve(replicates.size());
    double sum = 0.0;
    double sumOfSquares = 0.0;
    std::vector<const std::vector<ValueCount>*> tables;
    for (const PValueResult& r : replicates) {
        outcome.result.pValue += r.pValue;
        outcome.result.less += r.less;
        outcome.result.equal += r.equal;
        sum += r.simulatedSum;
        sumOfSquares += r.simulatedSumOfSquares;
        pValues.push_back(r.pValue);
        tables.push_back(&r.counts);
        outcome.result.traces.push_back(r.trace);
    }
    outcome.result.nullDistribution = pooledCounts(tables);
    if (replicates.empty()) return outcome;
    outcome.result.pValue /= static_cast<double>(replicates.size());
    const ConfidenceInterval interval = BootstrapInterval(pValues, bootstrap);
    outcome.result.ciLow = interval.low;
    outcome.result.ciHigh = interval.high;
    outcome.observed = replicates.front().observed;
    const double count = static_cast<double>(replicates.size()) * static_cast<double>(iterations);
    const MeanAndSd spread = meanAndSd(count, sum, sumOfSquares);
    outcome.simulatedMean = spread.mean;
    outcome.simulatedSd = spread.sd;
    outcome.result.tails = tailProbabilities(outcome.result.nullDistribution, outcome.observed);
    if (!outcome.result.nullDistribution.empty()) {
        const MixingFigures figures = mixingFigures(traceValues(replicates));
        outcome.result.mixing.rhat = figures.rhat;
        outcome.result.mixing.ess = figures.ess;
    }
    outcome.result.mixing.iterationsRun = iterations;
    outcome.result.mixing.iterationsKept = iterations;
    return outcome;
}

HypothesisTestOutcome HypothesisTest(const PresenceMatrix& matrix, const AnalysisSettings& settings, int threads,
                                     RunControl& control, bool cancellable) {
    control.stepBegun();
    const ChainMonitor monitor = control.testMonitor(cancellable);
    if (settings.autoIterations && settings.statisticId != StatisticId::VRatio) {
        return autoLengthTest(matrix, settings, threads, monitor);
    }
    std::vector<std::int32_t> all(kReplicates);
    std::iota(all.begin(), all.end(), 1);
    return fixedLengthOutcome(runReplicates(matrix, settings, all, threads, monitor), settings);
}

std::vector<PValueResult> runReplicates(const PresenceMatrix& matrix, const AnalysisSettings& settings,
                                        std::span<const std::int32_t> replicates, int threads,
                                        const ChainMonitor& monitor) {
    std::vector<PValueResult> results(replicates.size());
    forEach(static_cast<int>(replicates.size()), threads, [&](std::size_t k) {
        Random random(settings.simulationSeed, streams::replicate(replicates[k]));
        results[k] = PValue(matrix, settings.statisticId, settings.iterations, random, settings.statisticRange,
                            monitor, 0, settings.sampler);
    });
    return results;
}

HypothesisTestOutcome fixedLengthOutcome(std::span<const PValueResult> replicates, const AnalysisSettings& settings) {
    Random bootstrap(settings.simulationSeed, streams::kBootstrap);
    return combineReplicates(replicates, settings.iterations, bootstrap);
}

}  // namespace kelpo
