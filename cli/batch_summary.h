// The summary table of a batch: one CSV row per matrix, built from the JSON object
// a single run writes, so the two never disagree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace kelpo {

// The columns, in order.
const std::vector<std::string>& summaryColumns();

struct BatchEntry {
    std::string file;       // as listed
    std::int32_t seed = 0;  // the matrix's own
    // Present when the matrix ran: resultsJson's object and the matrix's presences.
    std::optional<nlohmann::ordered_json> results;
    std::int64_t presences = 0;
    std::string status = "ok";  // else "error: " and the message
};

// Fields as one CSV line ending in CR LF, quoted where RFC 4180 needs it.
std::string csvLine(const std::vector<std::string>& fields);

// The header line and a row, each ending in CR LF; fields quoted as RFC 4180
// wants, numbers exactly as the JSON writes them, a missing figure empty.
std::string summaryHeader();
std::string summaryRow(const BatchEntry& entry);

// The JSON line of an entry: "file", "seed" and "status", then the results' keys.
std::string jsonLine(const BatchEntry& entry);

}  // namespace kelpo
