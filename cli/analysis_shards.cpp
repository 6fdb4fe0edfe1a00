#include "cli/analysis_shards.h"

#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/analysis_output.h"
#include "cli/batch_shards.h"
#include "cli/output_file.h"
#include "cli/plot_files.h"
#include "core/error.h"
#include "engine/hypothesis_test.h"

namespace kelpo {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kShardKey = "kelpo_analysis_shard";

[[noreturn]] void refuse(const std::string& message) { throw Error(ErrorKind::InvalidInput, message); }

template <class Enum>
int number(Enum value) {
    return static_cast<int>(value);
}

// Every field, so that the merge rebuilds the very settings the shards ran with.
Json settingsJson(const AnalysisSettings& s) {
    return {{"file_name", s.fileName}, {"species_count", s.speciesCount}, {"site_count", s.siteCount},
            {"statistic", number(s.statisticId)}, {"matrices_per_distribution", s.matricesPerDistribution},
            {"iterations", s.iterations}, {"simulation_seed", s.simulationSeed}, {"test_seed", s.testSeed},
            {"null_hypothesis", number(s.nullHypothesis)}, {"assume_sites_equivalent", s.assumeSitesEquivalent},
            {"assume_species_equivalent", s.assumeSpeciesEquivalent}, {"assume_interactions", s.assumeInteractions},
            {"interaction_choice", number(s.interactionChoice)}, {"statistic_range", number(s.statisticRange)},
            {"auto_iterations", s.autoIterations}, {"max_seconds", s.maxSeconds}, {"sampler", number(s.sampler)},
            {"sampler_for_matrix", s.samplerForMatrix}};
}

AnalysisSettings settingsOf(const Json& j) {
    AnalysisSettings s;
    s.fileName = j.at("file_name").get<std::string>();
    s.speciesCount = j.at("species_count").get<std::int32_t>();
    s.siteCount = j.at("site_count").get<std::int32_t>();
    s.statisticId = static_cast<StatisticId>(j.at("statistic").get<int>());
    s.matricesPerDistribution = j.at("matrices_per_distribution").get<std::int32_t>();
    s.iterations = j.at("iterations").get<std::int32_t>();
    s.simulationSeed = j.at("simulation_seed").get<std::int32_t>();
    s.testSeed = j.at("test_seed").get<std::int32_t>();
    s.nullHypothesis = static_cast<NullHypothesis>(j.at("null_hypothesis").get<int>());
    s.assumeSitesEquivalent = j.at("assume_sites_equivalent").get<bool>();
    s.assumeSpeciesEquivalent = j.at("assume_species_equivalent").get<bool>();
    s.assumeInteractions = j.at("assume_interactions").get<bool>();
    s.interactionChoice = static_cast<InteractionChoice>(j.at("interaction_choice").get<int>());
    s.statisticRange = static_cast<StatisticRange>(j.at("statistic_range").get<int>());
    s.autoIterations = j.at("auto_iterations").get<bool>();
    s.maxSeconds = j.at("max_seconds").get<double>();
    s.sampler = static_cast<Sampler>(j.at("sampler").get<int>());
    s.samplerForMatrix = j.at("sampler_for_matrix").get<bool>();
    return s;
}

// FNV-1a over the sides and the cells: parts of the same settings but another matrix differ.
std::string fingerprint(const PresenceMatrix& matrix) {
    std::uint64_t hash = 14695981039346656037ULL;
    const auto add = [&hash](std::uint64_t byte) { hash = (hash ^ byte) * 1099511628211ULL; };
    for (const std::int32_t side : {matrix.rows(), matrix.cols()})
        for (int shift = 0; shift < 32; shift += 8) add((static_cast<std::uint32_t>(side) >> shift) & 0xFF);
    for (std::int32_t k = 1; k <= matrix.cols(); ++k)
        for (std::int32_t i = 0; i < matrix.rows(); ++i) add(matrix.column(k)[i]);
    std::ostringstream text;
    text << std::hex << hash;
    return text.str();
}

// Doubles are written as the shortest text that reads back to the same bits, so the
// merge sums exactly what a single run sums.
Json replicateJson(std::int32_t replicate, const PValueResult& r) {
    Json counts = Json::array(), trace = Json::array();
    for (const ValueCount& c : r.counts) counts.push_back({c.value, c.count});
    for (const TracePoint& t : r.trace) trace.push_back({t.iteration, t.value});
    return {{"replicate", replicate}, {"p_value", r.pValue}, {"less", r.less}, {"equal", r.equal},
            {"observed", r.observed}, {"values", r.values}, {"sum", r.simulatedSum},
            {"sum_of_squares", r.simulatedSumOfSquares}, {"counts", counts}, {"trace", trace}};
}

PValueResult replicateOf(const Json& j) {
    PValueResult r;
    r.pValue = j.at("p_value").get<double>();
    r.less = j.at("less").get<double>();
    r.equal = j.at("equal").get<double>();
    r.observed = j.at("observed").get<std::int64_t>();
    r.values = j.at("values").get<std::int64_t>();
    r.simulatedSum = j.at("sum").get<double>();
    r.simulatedSumOfSquares = j.at("sum_of_squares").get<double>();
    for (const Json& c : j.at("counts")) r.counts.push_back({c.at(0).get<std::int64_t>(), c.at(1).get<std::int64_t>()});
    for (const Json& t : j.at("trace")) r.trace.push_back({t.at(0).get<std::int64_t>(), t.at(1).get<std::int64_t>()});
    return r;
}

struct Part {
    std::string name;
    Shard shard;
    Json analysis;  // equal in every part of one analysis
    UnitResults units;
    std::int32_t communities = 0;  // of the whole analysis
    bool power = true;
};

Json firstLine(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Error(ErrorKind::InputOutput, "Error 07: Error opening file. " + path.string());
    std::string text;
    std::getline(in, text);
    return Json::parse(text, nullptr, false);
}

Part readPart(const std::filesystem::path& path) {
    const Json json = firstLine(path);
    Part part{path.string(), {}, {}, {}};
    if (json.is_discarded() || !json.is_object() || !json.contains(kShardKey)) {
        refuse(part.name + " does not begin as a part written by kelpo-cli --shard does.");
    }
    try {
        part.shard = {json.at(kShardKey).get<int>(), json.at("shards").get<int>()};
        part.analysis = json.at("analysis");
        for (const Json& c : json.at("communities")) part.units.rejected[c.at(0).get<std::int32_t>()] = c.at(1).get<std::uint8_t>();
        for (const Json& r : json.at("replicates")) part.units.replicates[r.at("replicate").get<std::int32_t>()] = replicateOf(r);
        part.units.sampler = static_cast<Sampler>(json.at("sampler_used").get<int>());
        if (!json.at("variance_ratio").is_null()) part.units.varianceRatio = json["variance_ratio"].get<double>();
        settingsOf(part.analysis.at("settings"));
        part.communities = part.analysis.at("communities").get<std::int32_t>();
        part.power = part.analysis.at("power_analysis").get<bool>();
    } catch (const nlohmann::json::exception&) {
        refuse(part.name + " is damaged: not the part of an analysis that kelpo-cli --shard writes.");
    }
    return part;
}

// Exactly the units at the shard's positions: communities, then replicates 1..10.
bool holdsItsShare(const Part& part, std::int32_t communities) {
    std::size_t expected = 0;
    for (std::int64_t position = 0; position < std::int64_t{communities} + kReplicates; ++position)
        expected += part.shard.holds(position) ? 1 : 0;
    bool ok = part.units.rejected.size() + part.units.replicates.size() == expected;
    for (const auto& [c, flag] : part.units.rejected) ok = ok && c >= 0 && c < communities && part.shard.holds(c);
    for (const auto& [r, tallies] : part.units.replicates)
        ok = ok && r >= 1 && r <= kReplicates && part.shard.holds(std::int64_t{communities} + r - 1);
    return ok;
}

void checkParts(const std::vector<Part>& parts) {
    const Part& first = parts.front();
    std::vector<std::pair<Shard, std::string>> shards;
    for (const Part& part : parts) {
        if (part.shard.count != first.shard.count || part.analysis != first.analysis) {
            refuse(part.name + " is a part of another analysis than " + first.name +
                   " (other settings, matrix, seed or number of shards).");
        }
        shards.emplace_back(part.shard, part.name);
    }
    checkEveryShardOnce(shards);
    for (const Part& part : parts) {
        if (!holdsItsShare(part, part.communities)) {
            refuse(part.name + " does not hold the units of shard " + std::to_string(part.shard.index) + " of " +
                   std::to_string(part.shard.count) + ".");
        }
    }
}

}  // namespace

void checkAnalysisShard(const CommandLine& line, const AnalysisSettings& settings) {
    if (!line.json) refuse("--shard needs --json: the part's results go there.");
    if (line.output || line.plots) {
        refuse("--output and --plots belong to kelpo-cli merge: a shard writes only its part (--json).");
    }
    if (settings.autoIterations) {
        refuse("--shard needs a fixed --iterations: --iterations auto finds the chains' length only with all ten "
               "chains together.");
    }
}

std::string analysisPartText(const Shard& shard, const AnalysisSettings& settings, bool powerAnalysis,
                             const PresenceMatrix& matrix, const UnitResults& units) {
    const Json analysis = {{"settings", settingsJson(settings)}, {"power_analysis", powerAnalysis},
                           {"matrix", fingerprint(matrix)}, {"communities", communityUnits(settings, powerAnalysis)}};
    Json communities = Json::array(), replicates = Json::array();
    for (const auto& [c, flag] : units.rejected) communities.push_back({c, flag});
    for (const auto& [r, tallies] : units.replicates) replicates.push_back(replicateJson(r, tallies));
    const Json part = {{kShardKey, shard.index}, {"shards", shard.count}, {"analysis", analysis},
                       {"variance_ratio", units.varianceRatio ? Json(*units.varianceRatio) : Json(nullptr)},
                       {"sampler_used", number(units.sampler)},
                       {"communities", communities}, {"replicates", replicates}};
    return part.dump() + "\n";
}

bool isAnalysisPart(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    if (!in || !std::getline(in, text)) return false;
    const Json json = Json::parse(text, nullptr, false);
    return !json.is_discarded() && json.is_object() && json.contains(kShardKey);
}

int mergeAnalysisParts(const CommandLine& line) {
    if (line.output) checkOutputPath(*line.output);
    if (line.json) checkOutputPath(*line.json);
    if (line.plots) preparePlotFolder(*line.plots);
    std::vector<Part> parts;
    for (const std::filesystem::path& path : line.batchInputs) parts.push_back(readPart(path));
    checkParts(parts);
    UnitResults all;
    for (Part& part : parts) {
        all.rejected.merge(part.units.rejected);
        all.replicates.merge(part.units.replicates);
        if (part.units.varianceRatio) all.varianceRatio = part.units.varianceRatio;
        all.sampler = part.units.sampler;  // one matrix and seed: the same in every part
    }
    const AnalysisSettings settings = settingsOf(parts.front().analysis.at("settings"));
    const bool power = parts.front().power;
    writeAnalysisOutputs(assembleResults(settings, power, all), settings, power, line);
    return static_cast<int>(ExitCode::Success);
}

}  // namespace kelpo
