// The arena in which one run's parallel loops execute, sized by the caller's thread count.
#pragma once

#include <algorithm>

#include <tbb/info.h>
#include <tbb/task_arena.h>

#include "core/error.h"

namespace kelpo {

// threads 0: the default (all cores). More threads than cores are capped at the cores:
// they could not run at once anyway, and asking for them makes the library warn on
// standard error. Throws kelpo::Error (InvalidInput) for a negative count.
inline tbb::task_arena workerArena(int threads) {
    if (threads < 0) throw Error(ErrorKind::InvalidInput, "The number of threads cannot be negative.");
    const int cores = tbb::info::default_concurrency();
    return tbb::task_arena(threads == 0 ? cores : std::min(threads, cores));
}

}  // namespace kelpo
