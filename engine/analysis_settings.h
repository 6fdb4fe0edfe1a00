// What the user chose for an analysis: one value, filled by the main window or the CLI.
#pragma once

#include <cstdint>
#include <string>

#include "core/sampler.h"
#include "core/statistic_id.h"

namespace kelpo {

enum class NullHypothesis : std::int32_t {
    None = 0,               // no option selected: every combination is in the null hypothesis
    NoInteractions = 1,     // "No Interactions Between Species"
    SitesEquivalent = 2,    // "Sites Equivalent"
    SpeciesEquivalent = 3,  // "Species Equivalent"
};

// Proportion of species interacting: 1 -> 0, 2 -> 0.5, 3 -> 1.0.
enum class InteractionChoice : std::int32_t { None = 1, Half = 2, All = 3 };

struct AnalysisSettings {
    std::string fileName;  // matrix file last opened or saved, without folder and ".txt"
    std::int32_t speciesCount = 0;
    std::int32_t siteCount = 0;
    StatisticId statisticId = StatisticId::CScore;
    std::int32_t matricesPerDistribution = 0;  // 0 means the default, 100
    std::int32_t iterations = 0;               // per replicate (a tenth of what the user sees); 0 means 10000
    std::int32_t simulationSeed = 0;
    std::int32_t testSeed = 0;  // shown by the options dialog only; the engine never reads it
    NullHypothesis nullHypothesis = NullHypothesis::None;
    bool assumeSitesEquivalent = false;
    bool assumeSpeciesEquivalent = false;
    bool assumeInteractions = false;
    InteractionChoice interactionChoice = InteractionChoice::None;  // read only with assumeInteractions
    // Not a user's choice: the desktop program keeps its 32-bit C-score, the CLI and R 64 bits.
    StatisticRange statisticRange = StatisticRange::Full64;
    // Beyond the desktop program's options (it keeps a fixed length and the swap): the
    // hypothesis test's chains run in rounds, each doubling their length, until they have
    // mixed or maxSeconds have passed; iterations is then ignored.
    bool autoIterations = false;
    double maxSeconds = 600.0;
    Sampler sampler = Sampler::Swap;
    // Auto: the run takes the sampler chosen for its matrix (engine/sampler_choice.h)
    // in place of sampler, before any chain runs.
    bool samplerForMatrix = false;

    static constexpr std::int32_t kDefaultMatricesPerDistribution = 100;
    static constexpr std::int32_t kDefaultIterations = 10000;

    // The zero-means-default rule applied at the start of every run.
    void applyRunDefaults() {
        if (matricesPerDistribution == 0) matricesPerDistribution = kDefaultMatricesPerDistribution;
        if (iterations == 0) iterations = kDefaultIterations;
    }
};

}  // namespace kelpo
