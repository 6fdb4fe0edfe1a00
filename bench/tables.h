// The tables the benchmarks share: OTU-like sparse tables and dune.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/presence_matrix.h"
#include "core/random.h"

namespace kelpo::bench {

// Independent cells: taxon i's presence probability falls as a power of its rank,
// times a sample factor between 0.5 and 1.5, scaled to about presences in all.
inline PresenceMatrix otuTable(std::int32_t taxa, std::int32_t samples, double presences) {
    Random random(31, 7);
    std::vector<double> taxon(static_cast<std::size_t>(taxa)), sample(static_cast<std::size_t>(samples));
    for (std::int32_t i = 0; i < taxa; ++i) taxon[static_cast<std::size_t>(i)] = std::pow(i + 20.0, -0.7);
    for (double& s : sample) s = 0.5 + random.next();
    double taxonSum = 0, sampleSum = 0;
    for (double t : taxon) taxonSum += t;
    for (double s : sample) sampleSum += s;
    const double scale = presences / (taxonSum * sampleSum);
    PresenceMatrix m(taxa, samples);
    for (std::int32_t i = 1; i <= taxa; ++i)
        for (std::int32_t k = 1; k <= samples; ++k)
            m.set(i, k, random.next() < std::min(1.0, scale * taxon[i - 1] * sample[k - 1]) ? 1 : 0);
    return m;
}

// examples/dune.txt: a header line, then a name and 20 cells per species.
inline PresenceMatrix dune() {
    std::ifstream in(KELPO_SOURCE_DIR "/examples/dune.txt");
    std::string line, name;
    std::getline(in, line);
    std::vector<std::vector<int>> rows;
    while (std::getline(in, line)) {
        std::istringstream cells(line);
        cells >> name;
        rows.emplace_back();
        for (int v; cells >> v;) rows.back().push_back(v);
    }
    PresenceMatrix m(static_cast<std::int32_t>(rows.size()), rows.empty() ? 0 : static_cast<std::int32_t>(rows[0].size()));
    for (std::int32_t i = 1; i <= m.rows(); ++i)
        for (std::int32_t k = 1; k <= m.cols(); ++k) m.set(i, k, static_cast<std::uint8_t>(rows[i - 1][k - 1]));
    return m;
}

}  // namespace kelpo::bench
