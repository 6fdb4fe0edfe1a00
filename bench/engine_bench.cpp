// Whole analyses with the default settings: the power analysis dominates, and its
// communities spread over the threads.
#include <benchmark/benchmark.h>

#include "core/random.h"
#include "engine/run.h"

namespace {

// A size x size matrix with each cell present with probability 1/2.
kelpo::PresenceMatrix halfFilledMatrix(std::int32_t size) {
    kelpo::PresenceMatrix m(size, size);
    kelpo::Random random(2024, 1);
    for (std::int32_t i = 1; i <= size; ++i)
        for (std::int32_t j = 1; j <= size; ++j) m.set(i, j, random.next() < 0.5f ? 1 : 0);
    return m;
}

// 36 rows x 100 communities x p-values of 100000 statistics, then 10 x 10000.
void BM_DefaultAnalysis(benchmark::State& state, std::int32_t size) {
    const kelpo::PresenceMatrix matrix = halfFilledMatrix(size);
    kelpo::AnalysisSettings settings;
    settings.speciesCount = size;
    settings.siteCount = size;
    settings.statisticId = kelpo::StatisticId::CScore;
    settings.simulationSeed = 1;
    settings.nullHypothesis = kelpo::NullHypothesis::NoInteractions;
    settings.applyRunDefaults();
    const kelpo::RunOptions options{static_cast<int>(state.range(0)), true};
    for (auto _ : state) {
        kelpo::RunControl control;
        benchmark::DoNotOptimize(kelpo::runAnalysis(matrix, settings, options, control));
    }
}

BENCHMARK_CAPTURE(BM_DefaultAnalysis, 20x20, 20)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->UseRealTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace
