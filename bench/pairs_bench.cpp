// The pairwise test of a 50 species x 18 sites matrix (1,225 pairs), 1,000 samples with
// the default burn-in and thinning: the target is under a second on one thread.
#include <benchmark/benchmark.h>

#include "core/random.h"
#include "engine/pairwise_test.h"

namespace {

void BM_PairwiseTest(benchmark::State& state) {
    kelpo::PresenceMatrix matrix(50, 18);
    kelpo::Random random(2024, 3);
    for (std::int32_t i = 1; i <= 50; ++i)
        for (std::int32_t k = 1; k <= 18; ++k) matrix.set(i, k, random.next() < 0.4f ? 1 : 0);
    kelpo::PairwiseSettings settings;
    settings.samples = 1000;
    settings.seed = 1;
    settings.threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        kelpo::RunControl control;
        benchmark::DoNotOptimize(kelpo::PairwiseTest(matrix, settings, control));
    }
}

BENCHMARK(BM_PairwiseTest)->ArgName("threads")->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
