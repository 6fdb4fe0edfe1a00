// An analysis as a user names it in text, the way kelpo-cli's options and the R
// package's arguments give it, and the settings it stands for.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/analysis_settings.h"
#include "engine/simulation_numbers.h"

namespace kelpo {

struct AnalysisChoices {
    std::string statistic = "cscore";  // cscore, checkerboards, combinations or vratio
    std::string nullHypothesis;        // interactions, sites or species; empty: none selected
    bool assumeSitesEquivalent = false;
    bool assumeSpeciesEquivalent = false;
    std::optional<int> assumeInteractionsPercent;  // 0, 50 or 100
    std::string iterations = "100000";             // the total the user sees, or "auto"
    std::string matrices = "100";
    std::string seed = "0";
    std::string maxSeconds = "600";  // with iterations "auto": no round begun that would end later
    std::string sampler = "swap";    // swap, curveball or auto (chosen for the matrix)
};

// How a front end spells its options in a refusal (kelpo-cli's by default).
struct ChoiceNames {
    std::string null = "--null";
    std::string assumeSites = "--assume-sites-equivalent";
    std::string assumeSpecies = "--assume-species-equivalent";
    std::string assumeInteractions = "--assume-interactions";
    std::string maxSeconds = "--max-seconds";
    NumberNames numbers;
};

// The choices as the main window and the options dialog would store them; the
// file's name and size are filled in by the caller. Throws kelpo::Error
// (InvalidInput) for an unknown name, a refused number or an assumption that the
// window would not offer with the chosen null hypothesis.
AnalysisSettings settingsFromChoices(const AnalysisChoices& choices,
                                     const std::function<void(std::string_view)>& warn,
                                     const ChoiceNames& names = {});

// The names the choices use, for output that scripts read back.
std::string statisticName(StatisticId id);
std::string nullHypothesisName(NullHypothesis hypothesis);  // "none" when none is selected
int interactionPercent(InteractionChoice choice);

}  // namespace kelpo
