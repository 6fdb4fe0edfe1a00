// The pairwise test's table as CSV text: the same bytes from kelpo-cli and the desktop.
#pragma once

#include <string>
#include <vector>

#include "engine/pairwise_test.h"

namespace kelpo {

inline constexpr const char* kPairsCsvHeader =
    "species_a,species_b,shared_observed,shared_expected,ses,p_lower,p_upper,p_adjusted,class";

// One line per pair after the header, LF line ends. names[i] names species i + 1; a name
// with a comma, quote or line break is quoted. A value that does not exist (the SES of a
// count that never varies, the p-values of an untestable pair) is an empty field.
std::string pairsCsv(const PairwiseResults& results, const std::vector<std::string>& names);

// The texts of the table's cells, shared with the window: expected and SES to 4 decimals,
// p-values to 6 significant digits, nothing for a missing value.
std::string expectedText(double value);
std::string sesText(const std::optional<double>& value);
std::string pText(const std::optional<double>& value);

}  // namespace kelpo
