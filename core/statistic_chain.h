// A chain of simulated statistics that keeps its place between stretches, so that a
// caller can run it on in rounds and tally each round on its own.
#pragma once

#include <cstdint>
#include <memory>

#include "core/p_value.h"
#include "core/presence_matrix.h"
#include "core/random.h"
#include "core/sampler.h"
#include "core/statistic_id.h"

namespace kelpo {

class StatisticChain {
public:
    // The observed value, then the random start with the observed margins drawn from
    // random (the same draws PValue makes). id must not be the V-Ratio. Throws as PValue.
    // With Reading::NowAndThen a curveball chain reads the statistic every
    // tradesPerRead() trades (counted anew, each read standing for the trades since the
    // last) instead of following it through every trade; a swap chain ignores it.
    using Reading = ChainReading;
    StatisticChain(const PresenceMatrix& observed, StatisticId id, Random& random,
                   StatisticRange range = StatisticRange::Full64, Sampler sampler = Sampler::Swap,
                   Reading reading = Reading::EveryStep);
    ~StatisticChain();
    StatisticChain(StatisticChain&&) noexcept;
    StatisticChain& operator=(StatisticChain&&) noexcept;

    // The values of the next count iterations (count >= 1), tallied on their own: the
    // start is iteration 1, each later iteration one step of the chain. The trace samples
    // this stretch (its first iteration, then every traceStride(count)).
    PValueResult next(std::int64_t count, Random& random, const ChainMonitor& monitor = {});

    std::int64_t iterationsDone() const;
    // Steps between two reads of the statistic: 1 unless read now and then.
    std::int64_t stepsPerRead() const;
    std::int64_t observed() const;

    class Walk;  // the chain itself, of a statistic and a table layout fixed at the start

private:
    std::unique_ptr<Walk> walk_;
};

}  // namespace kelpo
