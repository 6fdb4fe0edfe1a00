#include "engine/hypothesis_test.h"

#include <array>
#include <cmath>
#include <vector>

#include <tbb/parallel_for.h>

#include "engine/bootstrap.h"
#include "engine/streams.h"
#include "engine/worker_arena.h"

namespace kelpo {

MeanAndSd meanAndSd(double count, double sum, double sumOfSquares) {
    if (count < 1.0) return {};
    MeanAndSd spread;
    spread.mean = sum / count;
    if (count < 2.0) return spread;
    const double variance = (sumOfSquares - sum * spread.mean) / (count - 1.0);
    spread.sd = variance > 0.0 ? std::sqrt(variance) : 0.0;
    return spread;
}

HypothesisTestOutcome combineReplicates(std::span<const PValueResult> replicates, std::int32_t iterations,
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
    return outcome;
}

HypothesisTestOutcome HypothesisTest(const PresenceMatrix& matrix, const AnalysisSettings& settings, int threads,
                                     RunControl& control, bool cancellable) {
    control.stepBegun();
    const ChainMonitor monitor = control.testMonitor(cancellable);
    std::array<PValueResult, kReplicates> replicates{};
    tbb::task_arena arena = workerArena(threads);
    arena.execute([&] {
        tbb::parallel_for(0, kReplicates, [&](int r) {
            Random random(settings.simulationSeed, streams::replicate(r + 1));
            replicates[static_cast<std::size_t>(r)] =
                PValue(matrix, settings.statisticId, settings.iterations, random, monitor);
        });
    });
    Random bootstrap(settings.simulationSeed, streams::kBootstrap);
    return combineReplicates(replicates, settings.iterations, bootstrap);
}

}  // namespace kelpo
