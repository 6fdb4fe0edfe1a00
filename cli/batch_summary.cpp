#include "cli/batch_summary.h"

namespace kelpo {

namespace {

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string jsonText(const nlohmann::ordered_json& value) {
    if (value.is_null()) return {};
    if (value.is_string()) return value.get<std::string>();
    return value.dump();
}

// A key of the results; empty when they lack it (a key a later version adds shows
// up without a change here).
std::string figure(const nlohmann::ordered_json& results, const char* key) {
    return results.contains(key) ? jsonText(results.at(key)) : std::string();
}

}  // namespace

const std::vector<std::string>& summaryColumns() {
    static const std::vector<std::string> columns{
        "file", "species", "sites", "presences", "statistic", "observed", "simulated_mean", "simulated_sd", "ses",
        "p_lower", "p_upper", "p_value", "rhat", "ess", "iterations", "seed", "status"};
    return columns;
}

std::string csvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t k = 0; k < fields.size(); ++k) line += (k ? "," : "") + csvField(fields[k]);
    return line + "\r\n";
}

std::string summaryHeader() { return csvLine(summaryColumns()); }

std::string summaryRow(const BatchEntry& entry) {
    std::vector<std::string> fields(summaryColumns().size());
    fields.front() = entry.file;
    fields[fields.size() - 2] = std::to_string(entry.seed);
    fields.back() = entry.status;
    if (entry.results) {
        const nlohmann::ordered_json& r = *entry.results;
        fields[1] = figure(r, "species");
        fields[2] = figure(r, "sites");
        fields[3] = std::to_string(entry.presences);
        fields[4] = jsonText(r.at("settings").at("statistic"));
        const char* keys[] = {"observed", "simulated_mean", "simulated_sd", "ses", "p_lower", "p_upper",
                              "p_value", "rhat", "ess"};
        for (std::size_t k = 0; k < std::size(keys); ++k) fields[5 + k] = figure(r, keys[k]);
        // The length that ran where the run chose it, else the total asked for.
        fields[14] = r.contains("iterations_run") ? figure(r, "iterations_run")
                                                  : jsonText(r.at("settings").at("iterations_total"));
    }
    return csvLine(fields);
}

std::string jsonLine(const BatchEntry& entry) {
    nlohmann::ordered_json line = {{"file", entry.file}, {"seed", entry.seed}, {"status", entry.status}};
    if (entry.results) {
        line["presences"] = entry.presences;
        for (const auto& [key, value] : entry.results->items()) line[key] = value;
    }
    return line.dump() + "\n";
}

}  // namespace kelpo
