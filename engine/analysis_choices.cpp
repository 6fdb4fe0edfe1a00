#include "engine/analysis_choices.h"

#include <map>

#include "core/error.h"

namespace kelpo {

namespace {

const std::map<std::string, StatisticId, std::less<>> kStatistics = {
    {"cscore", StatisticId::CScore},
    {"checkerboards", StatisticId::Checkerboards},
    {"combinations", StatisticId::Combinations},
    {"vratio", StatisticId::VRatio},
};

const std::map<std::string, NullHypothesis, std::less<>> kNullHypotheses = {
    {"interactions", NullHypothesis::NoInteractions},
    {"sites", NullHypothesis::SitesEquivalent},
    {"species", NullHypothesis::SpeciesEquivalent},
};

const std::map<std::string, Sampler, std::less<>> kSamplers = {
    {"swap", Sampler::Swap},
    {"curveball", Sampler::Curveball},
};

const std::map<int, InteractionChoice> kInteractionPercents = {
    {0, InteractionChoice::None},
    {50, InteractionChoice::Half},
    {100, InteractionChoice::All},
};

template <class Map>
auto lookUp(const Map& map, const typename Map::key_type& key, std::string_view what) {
    const auto found = map.find(key);
    if (found == map.end()) throw Error(ErrorKind::InvalidInput, "Unknown " + std::string(what) + ".");
    return found->second;
}

// The window enables an assumption only where the null hypothesis leaves it open.
void checkAssumptions(const AnalysisSettings& settings, const ChoiceNames& names) {
    const bool anyAssumption =
        settings.assumeSitesEquivalent || settings.assumeSpeciesEquivalent || settings.assumeInteractions;
    if (anyAssumption && settings.nullHypothesis == NullHypothesis::None) {
        throw Error(ErrorKind::InvalidInput, "The assumptions are available only with a null hypothesis: add " +
                                                 names.null + " interactions|sites|species.");
    }
    if (settings.assumeInteractions && settings.nullHypothesis == NullHypothesis::NoInteractions) {
        throw Error(ErrorKind::InvalidInput, names.assumeInteractions + " is not available with " + names.null +
                                                 " interactions: the null hypothesis is that species do not "
                                                 "interact.");
    }
    if (settings.assumeSitesEquivalent && settings.nullHypothesis == NullHypothesis::SitesEquivalent) {
        throw Error(ErrorKind::InvalidInput, names.assumeSites + " is not available with " + names.null +
                                                 " sites: it is the null hypothesis itself.");
    }
    if (settings.assumeSpeciesEquivalent && settings.nullHypothesis == NullHypothesis::SpeciesEquivalent) {
        throw Error(ErrorKind::InvalidInput, names.assumeSpecies + " is not available with " + names.null +
                                                 " species: it is the null hypothesis itself.");
    }
}

}  // namespace

AnalysisSettings settingsFromChoices(const AnalysisChoices& choices,
                                     const std::function<void(std::string_view)>& warn, const ChoiceNames& names) {
    AnalysisSettings settings;
    settings.statisticId = lookUp(kStatistics, choices.statistic, "statistic \"" + choices.statistic + "\"");
    if (!choices.nullHypothesis.empty()) {
        settings.nullHypothesis =
            lookUp(kNullHypotheses, choices.nullHypothesis, "null hypothesis \"" + choices.nullHypothesis + "\"");
    }
    settings.assumeSitesEquivalent = choices.assumeSitesEquivalent;
    settings.assumeSpeciesEquivalent = choices.assumeSpeciesEquivalent;
    if (choices.assumeInteractionsPercent) {
        settings.assumeInteractions = true;
        settings.interactionChoice = lookUp(kInteractionPercents, *choices.assumeInteractionsPercent,
                                            "percentage of interacting species (0, 50 or 100)");
    }
    checkAssumptions(settings, names);
    // "auto" lets the chains find their length: no count to check or warn about.
    settings.autoIterations = choices.iterations == "auto";
    const std::string_view iterations = settings.autoIterations ? "100000" : std::string_view(choices.iterations);
    const SimulationNumbers numbers =
        checkSimulationNumbers(choices.matrices, choices.seed, iterations, warn, names.numbers);
    settings.matricesPerDistribution = numbers.matricesPerDistribution;
    settings.simulationSeed = numbers.simulationSeed;
    settings.iterations = numbers.iterations;
    const std::optional<double> seconds = strictNumber(choices.maxSeconds);
    if (!seconds || !(*seconds > 0.0)) {
        throw Error(ErrorKind::InvalidInput, names.maxSeconds + " must be a number of seconds greater than 0 (got \"" +
                                                 choices.maxSeconds + "\").");
    }
    settings.maxSeconds = *seconds;
    settings.samplerForMatrix = choices.sampler == "auto";
    if (!settings.samplerForMatrix) {
        settings.sampler = lookUp(kSamplers, choices.sampler, "sampler \"" + choices.sampler + "\"");
    }
    return settings;
}

std::string statisticName(StatisticId id) {
    for (const auto& [name, statistic] : kStatistics) {
        if (statistic == id) return name;
    }
    return "unknown";
}

std::string nullHypothesisName(NullHypothesis hypothesis) {
    for (const auto& [name, value] : kNullHypotheses) {
        if (value == hypothesis) return name;
    }
    return "none";
}

int interactionPercent(InteractionChoice choice) {
    for (const auto& [percent, value] : kInteractionPercents) {
        if (value == choice) return percent;
    }
    return 0;
}

}  // namespace kelpo
