#include "engine/power_analysis.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <numeric>

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/partitioner.h>

#include "core/error.h"
#include "core/numbers.h"
#include "core/p_value.h"
#include "core/random.h"
#include "engine/community.h"
#include "engine/null_membership.h"
#include "engine/streams.h"
#include "engine/worker_arena.h"

namespace kelpo {

namespace {

constexpr std::int32_t kDistributions = 12;
constexpr std::int32_t kProportions = 3;

std::array<bool, kProportions + 1> admissibleProportions(const AnalysisSettings& settings) {
    std::array<bool, kProportions + 1> admissible{false, true, true, true};  // index 0 unused
    if (settings.assumeInteractions) {
        const auto choice = static_cast<std::int32_t>(settings.interactionChoice);
        if (choice < 1 || choice > kProportions) {
            throw Error(ErrorKind::InvalidInput,
                        "The assumed proportion of interacting species must be 1, 2 or 3, not " +
                            std::to_string(choice) + ".");
        }
        admissible = {false, false, false, false};
        admissible[static_cast<std::size_t>(choice)] = true;
    }
    return admissible;
}

// Sites equivalent rules out the patterns that vary across sites (4, 5, 8-12);
// species equivalent those that vary across species (6, 7, 8-12).
std::array<bool, kDistributions + 1> admissibleDistributions(const AnalysisSettings& settings) {
    std::array<bool, kDistributions + 1> admissible{};
    for (std::int32_t d = 1; d <= kDistributions; ++d) {
        const bool variesAcrossSites = d == 4 || d == 5 || d >= 8;
        const bool variesAcrossSpecies = d == 6 || d == 7 || d >= 8;
        admissible[static_cast<std::size_t>(d)] = !(settings.assumeSitesEquivalent && variesAcrossSites) &&
                                                  !(settings.assumeSpeciesEquivalent && variesAcrossSpecies);
    }
    return admissible;
}

// One community: its step, its draw, its p-value, then the cancel check.
bool communityRejects(const PowerRowPlan& plan, std::int32_t communityIndex, const AnalysisSettings& settings,
                      const CommunityChainLength& length, RunControl& control) {
    control.stepBegun();
    Random random(settings.simulationSeed, streams::community(plan.tableRow, communityIndex));
    const PresenceMatrix community = DrawCommunity(plan.x, plan.y, plan.proportion, random);
    // Chains of a length found by the test's chains are read as those were.
    const ChainReading reading = settings.autoIterations ? ChainReading::NowAndThen : ChainReading::EveryStep;
    const double p = PValue(community, settings.statisticId, length.kept, random, settings.statisticRange,
                            control.cancelMonitor(), length.burnIn, settings.sampler, reading).pValue;
    // Throwing from the body cancels the task group, so no further community starts.
    if (control.cancelRequested()) throw Error(ErrorKind::Cancelled, "The analysis was cancelled.");
    return rejects(p);
}

}  // namespace

std::vector<std::int32_t> everyCommunity(std::span<const PowerRowPlan> plans, const AnalysisSettings& settings) {
    std::vector<std::int32_t> all(static_cast<std::size_t>(communityCount(plans, settings)));
    std::iota(all.begin(), all.end(), 0);
    return all;
}

std::vector<PowerRowPlan> powerRowPlans(const AnalysisSettings& settings) {
    const auto proportions = admissibleProportions(settings);
    const auto distributions = admissibleDistributions(settings);
    std::vector<PowerRowPlan> plans;
    for (std::int32_t d = 1; d <= kDistributions; ++d) {
        if (!distributions[static_cast<std::size_t>(d)]) continue;
        const ProbabilityMatrix x = Distribution(d, settings.speciesCount, settings.siteCount);
        const ConditionalTable y = InteractionTable(x, kInteractionStrength);
        for (std::int32_t k = 1; k <= kProportions; ++k) {
            if (!proportions[static_cast<std::size_t>(k)]) continue;
            PowerRow row;
            row.proportion = k;
            row.distribution = d;
            row.inNullHypothesis = MatchesInteraction(settings.nullHypothesis, k) &&
                                   MatchesEquivalence(settings.nullHypothesis, x);
            const auto tableRow = static_cast<std::int32_t>(plans.size()) + 1;
            plans.push_back(PowerRowPlan{row, tableRow, x, y, Proportion(k)});
        }
    }
    return plans;
}

std::int32_t TotalSteps(const AnalysisSettings& settings) {
    const auto distributions = admissibleDistributions(settings);
    std::int32_t count = 0;
    for (std::int32_t d = 1; d <= kDistributions; ++d) count += distributions[static_cast<std::size_t>(d)] ? 1 : 0;
    return settings.assumeInteractions ? count : checkedMultiply(count, kProportions, "the number of table rows");
}

CommunityChainLength communityChainLength(const AnalysisSettings& settings, const Mixing* foundByTest) {
    // Each community's chain runs as long as each of the test's chains needed to mix,
    // burn-in and kept half alike.
    if (foundByTest && foundByTest->autoLength) {
        return {foundByTest->iterationsRun - foundByTest->iterationsKept, foundByTest->iterationsKept};
    }
    return {0, checkedMultiply(10, settings.iterations, "ten times the number of iterations")};
}

std::int32_t communityCount(std::span<const PowerRowPlan> plans, const AnalysisSettings& settings) {
    const std::int32_t matrices = settings.matricesPerDistribution;
    if (matrices < 1) {
        throw Error(ErrorKind::InvalidInput, "The number of matrices per distribution must be at least 1, not " +
                                                 std::to_string(matrices) + ".");
    }
    return checkedMultiply(static_cast<std::int32_t>(plans.size()), matrices, "the number of simulated matrices");
}

std::vector<std::uint8_t> simulateCommunities(std::span<const PowerRowPlan> plans,
                                              std::span<const std::int32_t> communities,
                                              const AnalysisSettings& settings, int threads, RunControl& control,
                                              const CommunityChainLength& length) {
    const std::int32_t matrices = settings.matricesPerDistribution;
    const auto count = static_cast<std::int32_t>(communities.size());
    // One flag per community, each written by the task that simulated it; the counts
    // made of them are then the same whatever the thread count or the scheduling.
    std::vector<std::uint8_t> rejected(communities.size(), 0);
    tbb::task_arena arena = workerArena(threads);
    arena.execute([&] {
        // One community per task: each costs a whole p-value, so balance and a prompt
        // stop after a cancel matter more than the scheduling overhead.
        tbb::parallel_for(
            tbb::blocked_range<std::int32_t>(0, count, 1),
            [&](const tbb::blocked_range<std::int32_t>& range) {
                for (std::int32_t k = range.begin(); k != range.end(); ++k) {
                    const std::int32_t c = communities[static_cast<std::size_t>(k)];
                    const PowerRowPlan& plan = plans[static_cast<std::size_t>(c / matrices)];
                    rejected[static_cast<std::size_t>(k)] =
                        communityRejects(plan, c % matrices + 1, settings, length, control) ? 1 : 0;
                }
            },
            tbb::simple_partitioner());
    });
    return rejected;
}

PowerTable powerTableOf(std::span<const PowerRowPlan> plans, std::int32_t matrices,
                        std::span<const std::uint8_t> rejected) {
    PowerTable table;
    table.reserve(plans.size());
    for (std::size_t r = 0; r < plans.size(); ++r) {
        std::int32_t count = 0;
        for (std::int32_t m = 0; m < matrices; ++m) count += rejected[r * static_cast<std::size_t>(matrices) + m];
        table.push_back(plans[r].row);
        table.back().rejectionRate = static_cast<double>(count) / static_cast<double>(matrices);
    }
    return table;
}

double RejectionRate(const ProbabilityMatrix& x, const ConditionalTable& y, double proportion,
                     std::int32_t tableRow, const AnalysisSettings& settings, int threads, RunControl& control) {
    const PowerRowPlan plan{PowerRow{}, tableRow, x, y, proportion};
    const std::span<const PowerRowPlan> plans(&plan, 1);
    const std::vector<std::uint8_t> rejected = simulateCommunities(
        plans, everyCommunity(plans, settings), settings, threads, control, communityChainLength(settings));
    return powerTableOf(plans, settings.matricesPerDistribution, rejected).front().rejectionRate;
}

PowerTable PowerAnalysis(const AnalysisSettings& settings, int threads, RunControl& control,
                         const CommunityChainLength& length) {
    const std::vector<PowerRowPlan> plans = powerRowPlans(settings);
    const auto totalSteps = static_cast<std::int32_t>(plans.size());
    control.begin(totalSteps, stepTotal(totalSteps, settings.matricesPerDistribution));
    const std::vector<std::uint8_t> rejected =
        simulateCommunities(plans, everyCommunity(plans, settings), settings, threads, control, length);
    return powerTableOf(plans, settings.matricesPerDistribution, rejected);
}

}  // namespace kelpo
