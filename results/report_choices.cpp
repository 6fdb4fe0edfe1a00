#include <string>

#include "results/report.h"

namespace kelpo {

namespace {

std::string captionOf(NullHypothesis hypothesis) {
    switch (hypothesis) {
        case NullHypothesis::NoInteractions: return "No Interactions Between Species";
        case NullHypothesis::SitesEquivalent: return "Sites Equivalent";
        case NullHypothesis::SpeciesEquivalent: return "Species Equivalent";
        case NullHypothesis::None: break;
    }
    return {};
}

std::string captionOf(InteractionChoice choice) {
    switch (choice) {
        case InteractionChoice::None: return "0%";
        case InteractionChoice::Half: return "50%";
        case InteractionChoice::All: return "100%";
    }
    return {};
}

}  // namespace

ReportChoices ReportChoices::fromSettings(const AnalysisSettings& settings) {
    ReportChoices choices;
    choices.nullHypothesisCaption = captionOf(settings.nullHypothesis);
    choices.interactionsChecked = settings.assumeInteractions;
    // Unchecking the interactions box deselects every proportion.
    if (settings.assumeInteractions) {
        choices.interactionProportionCaption = captionOf(settings.interactionChoice);
    }
    choices.sitesEquivalentChecked = settings.assumeSitesEquivalent;
    choices.speciesEquivalentChecked = settings.assumeSpeciesEquivalent;
    choices.statisticText = std::string(kelpo::statisticText(settings.statisticId));
    choices.rowsText = std::to_string(settings.speciesCount);
    choices.colsText = std::to_string(settings.siteCount);
    return choices;
}

}  // namespace kelpo
