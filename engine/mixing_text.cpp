#include "engine/mixing_text.h"

#include <cmath>
#include <cstdio>

#include "engine/mixing.h"

#include "core/numbers.h"

namespace kelpo {

namespace {

std::string essText(double ess) { return formatted("%.0f", std::floor(ess)); }

}  // namespace

std::string rhatText(double rhat) {
    if (std::isnan(rhat)) return "undefined";
    if (std::isinf(rhat)) return "infinite";
    return formatted(rhat < 10.0 ? "%.3f" : "%.1f", rhat);
}

std::string mixingLine(const Mixing& mixing, std::string_view samplerName, int chains) {
    std::string line = "Mixing: R-hat " + rhatText(mixing.rhat) + ", ESS " + essText(mixing.ess) + " (" +
                       std::string(samplerName) + ", " + std::to_string(chains) + " chains; ";
    line += std::to_string(mixing.iterationsRun * chains) + " iterations run, " +
            std::to_string(mixing.iterationsKept * chains) + " kept";
    if (mixing.stepsPerRead > 1) line += ", the statistic read every " + std::to_string(mixing.stepsPerRead);
    if (mixing.autoLength) line += mixing.timeLimitReached ? "; stopped by the time limit" : "; length found by the chains";
    return line + ").";
}

std::optional<std::string> mixingWarning(const Mixing& mixing, double maxSeconds, const MixingOptionNames& names) {
    if (chainsMixed({mixing.rhat, mixing.ess})) return std::nullopt;
    std::string text = "Warning: the ten chains have not mixed (R-hat " + rhatText(mixing.rhat) + ", ESS " +
                       essText(mixing.ess) + "): the p-value is not reliable.";
    if (mixing.timeLimitReached) {
        text += " The time limit of " + formatted("%g", maxSeconds) + " s was reached first; raise " +
                names.maxSeconds + " to let them run longer.";
    } else if (mixing.autoLength) {
        text += " The chains reached the longest length this run allows.";
    } else {
        text += " Use " + names.autoLength + " to run the chains until they have mixed.";
    }
    return text;
}

}  // namespace kelpo
