#include "engine/run.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/variance_ratio.h"
#include "engine/hypothesis_test.h"
#include "engine/power_analysis.h"
#include "engine/sampler_choice.h"

namespace kelpo {

namespace {

// The simulated communities take the settings' size and the hypothesis test the
// matrix's own: a matrix file may hold cells beyond the sites its header names, and
// the test keeps them as the grid does.
void checkPreconditions(const AnalysisSettings& settings, const RunOptions& options) {
    if (settings.speciesCount < 0 || settings.siteCount < 0) {
        throw Error(ErrorKind::InvalidInput, "The numbers of species and sites cannot be negative.");
    }
    if (settings.iterations < 1) {
        throw Error(ErrorKind::InvalidInput,
                    "The number of iterations must be at least 1, not " + std::to_string(settings.iterations) + ".");
    }
    if (settings.matricesPerDistribution < 1) {
        throw Error(ErrorKind::InvalidInput, "The number of matrices per distribution must be at least 1, not " +
                                                 std::to_string(settings.matricesPerDistribution) + ".");
    }
    if (options.threads < 0) throw Error(ErrorKind::InvalidInput, "The number of threads cannot be negative.");
}

// The settings every chain of the run takes: a sampler left to the matrix is chosen here.
AnalysisSettings withSamplerChosen(const AnalysisSettings& settings, const PresenceMatrix& matrix) {
    AnalysisSettings chosen = settings;
    if (chosen.samplerForMatrix) {
        chosen.sampler = chooseSampler(matrix, settings.simulationSeed);
        chosen.samplerForMatrix = false;
    }
    return chosen;
}

void takeTest(AnalysisResults& results, const HypothesisTestOutcome& test) {
    results.test = test.result;
    results.observed = test.observed;
    results.simulatedMean = test.simulatedMean;
    results.simulatedSd = test.simulatedSd;
}

template <class Map>
const typename Map::mapped_type& unitOf(const Map& units, std::int32_t key, const char* what) {
    const auto found = units.find(key);
    if (found == units.end()) {
        throw Error(ErrorKind::InvalidInput,
                    std::string("The result of ") + what + " " + std::to_string(key) + " is missing.");
    }
    return found->second;
}

// Lengths found by the chains: the test runs first, on the user's matrix, and the
// simulated communities then run as long.
AnalysisResults autoLengthAnalysis(const PresenceMatrix& matrix, const AnalysisSettings& settings,
                                   const RunOptions& options, RunControl& control) {
    AnalysisResults results;
    results.sampler = settings.sampler;
    if (options.powerAnalysis) {
        control.begin(TotalSteps(settings), stepTotal(TotalSteps(settings), settings.matricesPerDistribution));
    } else {
        // No simulations: the test is the run's only step, so the display shows 1 of 1.
        control.begin(0, stepTotal(0, settings.matricesPerDistribution));
    }
    const HypothesisTestOutcome test = HypothesisTest(matrix, settings, options.threads, control, options.cancellableTest);
    if (options.powerAnalysis) {
        results.powerTable = PowerAnalysis(settings, options.threads, control,
                                           communityChainLength(settings, &test.result.mixing));
    }
    takeTest(results, test);
    if (settings.statisticId == StatisticId::VRatio) results.varianceRatio = varianceRatio(matrix);
    return results;
}

// The shard's communities, each a step of control, into units; returns how many the
// whole analysis simulates. Without them the test is the run's only step (1 of 1).
std::int32_t runCommunityShare(const AnalysisSettings& settings, const RunOptions& options, RunControl& control,
                               const Shard& shard, UnitResults& units) {
    if (!options.powerAnalysis) {
        control.begin(0, 1);
        return 0;
    }
    const std::vector<PowerRowPlan> plans = powerRowPlans(settings);
    const auto rows = static_cast<std::int32_t>(plans.size());
    stepTotal(rows, settings.matricesPerDistribution);  // its overflow refused before any work
    const CommunityChainLength length = communityChainLength(settings);
    const std::vector<std::int32_t> all = everyCommunity(plans, settings);
    std::vector<std::int32_t> communities;
    std::copy_if(all.begin(), all.end(), std::back_inserter(communities),
                 [&shard](std::int32_t c) { return shard.holds(c); });
    control.begin(rows, static_cast<std::int32_t>(communities.size()) + 1);
    const std::vector<std::uint8_t> rejected =
        simulateCommunities(plans, communities, settings, options.threads, control, length);
    for (std::size_t k = 0; k < communities.size(); ++k) units.rejected.emplace(communities[k], rejected[k]);
    return static_cast<std::int32_t>(all.size());
}

}  // namespace

std::int32_t communityUnits(const AnalysisSettings& settings, bool powerAnalysis) {
    return powerAnalysis ? communityCount(powerRowPlans(settings), settings) : 0;
}

UnitResults runUnits(const PresenceMatrix& matrix, const AnalysisSettings& chosen, const RunOptions& options,
                     RunControl& control, const Shard& shard) {
    checkPreconditions(chosen, options);
    const AnalysisSettings settings = withSamplerChosen(chosen, matrix);
    if (settings.autoIterations) {
        throw Error(ErrorKind::InvalidInput,
                    "An automatic length cannot be split: the chains find it only when all of them run together.");
    }
    UnitResults units;
    units.sampler = settings.sampler;
    const std::int32_t allCommunities = runCommunityShare(settings, options, control, shard, units);
    std::vector<std::int32_t> replicates;
    for (std::int32_t r = 1; r <= kReplicates; ++r)
        if (shard.holds(std::int64_t{allCommunities} + r - 1)) replicates.push_back(r);
    control.stepBegun();
    std::vector<PValueResult> tallies = runReplicates(matrix, settings, replicates, options.threads,
                                                      control.testMonitor(options.cancellableTest));
    for (std::size_t k = 0; k < replicates.size(); ++k) units.replicates.emplace(replicates[k], std::move(tallies[k]));
    if (settings.statisticId == StatisticId::VRatio) units.varianceRatio = varianceRatio(matrix);
    return units;
}

AnalysisResults assembleResults(const AnalysisSettings& settings, bool powerAnalysis, const UnitResults& units) {
    AnalysisResults results;
    if (powerAnalysis) {
        const std::vector<PowerRowPlan> plans = powerRowPlans(settings);
        std::vector<std::uint8_t> rejected;
        for (const std::int32_t c : everyCommunity(plans, settings))
            rejected.push_back(unitOf(units.rejected, c, "simulated community"));
        results.powerTable = powerTableOf(plans, settings.matricesPerDistribution, rejected);
    }
    std::vector<PValueResult> replicates;
    for (std::int32_t r = 1; r <= kReplicates; ++r)
        replicates.push_back(unitOf(units.replicates, r, "replicate"));
    takeTest(results, fixedLengthOutcome(replicates, settings));
    if (settings.statisticId == StatisticId::VRatio) results.varianceRatio = units.varianceRatio;
    results.sampler = units.sampler;
    return results;
}

AnalysisResults runAnalysis(const PresenceMatrix& matrix, const AnalysisSettings& settings,
                            const RunOptions& options, RunControl& control) {
    if (settings.autoIterations) {
        checkPreconditions(settings, options);
        return autoLengthAnalysis(matrix, withSamplerChosen(settings, matrix), options, control);
    }
    // One run is the one shard of one: it cannot differ from shards merged.
    return assembleResults(settings, options.powerAnalysis, runUnits(matrix, settings, options, control, Shard{}));
}

}  // namespace kelpo
