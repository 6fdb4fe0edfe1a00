// What a front end tells the user about how the test's chains mixed: one line of figures,
// and a warning when they have not mixed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/analysis_results.h"

namespace kelpo {

// How a front end spells the options the warning names.
struct MixingOptionNames {
    std::string autoLength = "--iterations auto";
    std::string maxSeconds = "--max-seconds";
};

// "Mixing: R-hat 1.003, ESS 2417 (... ); 200000 iterations run, 100000 kept."
std::string mixingLine(const Mixing& mixing, std::string_view samplerName, int chains = 10);

// "Warning: the ten chains have not mixed (R-hat 137.4, ESS 12): the p-value is not
// reliable. ..." when R-hat is above 1.01 or the ESS below 400; nothing otherwise.
std::optional<std::string> mixingWarning(const Mixing& mixing, double maxSeconds,
                                         const MixingOptionNames& names = {});

// R-hat as the messages print it: four significant digits, "infinite" or "undefined".
std::string rhatText(double rhat);

}  // namespace kelpo
