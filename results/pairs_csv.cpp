#include "results/pairs_csv.h"

#include <cstdio>

#include "core/numbers.h"

namespace kelpo {

namespace {

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string nameOf(const std::vector<std::string>& names, std::int32_t species) {
    const auto index = static_cast<std::size_t>(species - 1);
    return index < names.size() ? names[index] : std::to_string(species);
}

}  // namespace

std::string expectedText(double value) { return formatted("%.4f", value); }
std::string sesText(const std::optional<double>& value) { return value ? formatted("%.4f", *value) : std::string(); }
std::string pText(const std::optional<double>& value) { return value ? formatted("%.6g", *value) : std::string(); }

std::string pairsCsv(const PairwiseResults& results, const std::vector<std::string>& names) {
    std::string text = std::string(kPairsCsvHeader) + "\n";
    for (const PairResult& pair : results.pairs) {
        text += csvField(nameOf(names, pair.speciesA)) + ',' + csvField(nameOf(names, pair.speciesB)) + ',' +
                std::to_string(pair.sharedObserved) + ',' + expectedText(pair.sharedMean) + ',' + sesText(pair.ses) +
                ',' + pText(pair.pLower) + ',' + pText(pair.pUpper) + ',' + pText(pair.pAdjusted) + ',' +
                std::string(pairClassText(pair.pairClass)) + "\n";
    }
    return text;
}

}  // namespace kelpo
