#include <benchmark/benchmark.h>

#include "core/random.h"

static void BM_FourDraws(benchmark::State& state) {
    kelpo::Random random(1, 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(random.draw(20) + random.draw(20) + random.draw(20) + random.draw(20));
    }
}
BENCHMARK(BM_FourDraws);
