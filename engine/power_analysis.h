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

// Simulates settings.matricesPerDistribution communities for each planned row on the
// arena's threads and returns the rejection rates in plan order. Community m of table
// row r draws from stream (r, m): its cells, then the draws of its p-value with
// length.kept statistics after length.burnIn. Calls control.stepBegun() as each community begins and
// throws kelpo::Error (Cancelled) after a community's p-value once a cancel is requested.
std::vector<double> rejectionRates(std::span<const PowerRowPlan> plans, const AnalysisSettings& settings,
                                   int threads, RunControl& control, const CommunityChainLength& length);

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
