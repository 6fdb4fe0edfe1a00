// Writes the sparse benchmark's OTU-like table (bench/tables.h) as a matrix file, so the
// command line can be timed on the same cells the benchmarks use (bench/mixing.sh).
//
//   kelpo-sparse-table [TAXA SAMPLES PRESENCES] > table.txt   (default 10000 1000 313000)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "../tables.h"

int main(int argc, char** argv) {
    const int taxa = argc > 3 ? std::atoi(argv[1]) : 10000;
    const int samples = argc > 3 ? std::atoi(argv[2]) : 1000;
    const double presences = argc > 3 ? std::atof(argv[3]) : 313000.0;
    if (taxa < 2 || samples < 2 || presences <= 0) {
        std::fprintf(stderr, "usage: kelpo-sparse-table [TAXA SAMPLES PRESENCES]\n");
        return 2;
    }
    const kelpo::PresenceMatrix m = kelpo::bench::otuTable(taxa, samples, presences);
    std::string line = "Species";
    for (int k = 1; k <= samples; ++k) line += " S" + std::to_string(k);
    std::puts(line.c_str());
    for (int i = 1; i <= taxa; ++i) {
        line = "Sp" + std::to_string(i);
        for (int k = 1; k <= samples; ++k) line += m(i, k) ? " 1" : " 0";
        if (std::puts(line.c_str()) < 0) {
            std::perror("kelpo-sparse-table");
            return 1;
        }
    }
    return 0;
}
