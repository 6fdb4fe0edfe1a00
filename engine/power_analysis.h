// The power analysis: how often the test rejects for simulated communities of known
// structure, for every admissible combination of distribution and proportion.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/analysis_results.h"
#include "engine/analysis_settings.h"
#include "engine/distribution.h"
#include "engine/interaction_table.h"
#include "engine/progress.h"

namespace kelpo {

// A p-value at or below this counts as a rejection.
inline constexpr double kRejectionLevel = 0.05;
constexpr bool rejects(double pValue) { return pValue <= kRejectionLevel; }
// The factor by which a partner's presence cuts a species' chance of presence.
inline constexpr double kInteractionStrength = 2.0;

// What one row of the power table simulates.
struct PowerRowPlan {
    PowerRow row;            // proportion, distribution and membership; rejection rate still 0
    std::int32_t tableRow;   // 1-based, names the random streams of its communities
    ProbabilityMatrix x;
    ConditionalTable y;
    double proportion;
};

// The admissible combinations in table order: by distribution, then by proportion.
// Throws kelpo::Error (InvalidInput) for an interaction choice outside 1..3 when assumed.
std::vector<PowerRowPlan> powerRowPlans(const AnalysisSettings& settings);

// Rows of the power table: admissible distributions, times 3 unless a proportion is assumed.
std::int32_t TotalSteps(const AnalysisSettings& settings);

// How long a simulated community's chain runs: burnIn iterations not counted, then kept.
struct CommunityChainLength {
    std::int64_t burnIn = 0;
    std::int64_t kept = 0;
};

// The settings' own length, 10 x iterations kept (the test's ten chains in one); or, after
// a test whose chains found their length, the burn-in and kept half of one of its chains.
// Throws kelpo::Error (Overflow) when ten times the iterations leaves 32 bits.
CommunityChainLength communityChainLength(const AnalysisSettings& settings, const Mixing* foundByTest = nullptr);

// The number of simulated communities: settings.matricesPerDistribution per planned row.
// Throws kelpo::Error (InvalidInput) for fewer than 1 matrix, (Overflow) beyond 32 bits.
std::int32_t communityCount(std::span<const PowerRowPlan> plans, const AnalysisSettings& settings);
// 0 .. communityCount - 1: the numbers of all of them, as simulateCommunities takes them.
std::vector<std::int32_t> everyCommunity(std::span<const PowerRowPlan> plans, const AnalysisSettings& settings);

// Simulates the listed communities on the arena's threads and returns, in list order, 1
// for each whose test rejects and 0 otherwise. Communities are numbered from 0 in plan
// order: c is community c % matrices + 1 of plan c / matrices, and it draws from stream
// (table row, community): its cells, then the draws of its p-value with length.kept
// statistics after length.burnIn. Calls control.stepBegun() as each community begins and
// throws kelpo::Error (Cancelled) after a community's p-value once a cancel is requested.
std::vector<std::uint8_t> simulateCommunities(std::span<const PowerRowPlan> plans,
                                              std::span<const std::int32_t> communities,
                                              const AnalysisSettings& settings, int threads, RunControl& control,
                                              const CommunityChainLength& length);

// The power table from every community's flag, in community order.
PowerTable powerTableOf(std::span<const PowerRowPlan> plans, std::int32_t matrices,
                        std::span<const std::uint8_t> rejected);

// The rejection rate of one combination (a one-row power analysis).
double RejectionRate(const ProbabilityMatrix& x, const ConditionalTable& y, double proportion,
                     std::int32_t tableRow, const AnalysisSettings& settings, int threads, RunControl& control);

// The whole power table. Calls control.begin(TotalSteps, S) when the simulations start.
PowerTable PowerAnalysis(const AnalysisSettings& settings, int threads, RunControl& control,
                         const CommunityChainLength& length);
inline PowerTable PowerAnalysis(const AnalysisSettings& settings, int threads, RunControl& control) {
    return PowerAnalysis(settings, threads, control, communityChainLength(settings));
}

}  // namespace kelpo
