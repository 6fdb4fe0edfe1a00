// Writes a random presence-absence matrix file of the given size and fill, in the
// form the program writes: header "Species S1 ... Sn", lines "SpN 0 1 ...", CR LF,
// one empty line at the end. Fast enough for 32767 x 32767 (about 2.1 GB).
//
//   make_matrix ROWS COLS FILL SEED > file.txt
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// splitmix64: one multiply-xorshift per cell keeps a billion cells to seconds.
struct SplitMix {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
};

void writeLine(const std::string& line) {
    if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size()) {
        std::perror("make_matrix");
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: make_matrix ROWS COLS FILL SEED\n");
        return 2;
    }
    const long rows = std::atol(argv[1]);
    const long cols = std::atol(argv[2]);
    const double fill = std::atof(argv[3]);
    SplitMix random{std::strtoull(argv[4], nullptr, 10)};
    // A cell is 1 when a uniform 64-bit draw falls below fill * 2^64.
    const auto threshold = static_cast<std::uint64_t>(fill * 18446744073709551616.0);

    std::string line = "Species";
    for (long col = 1; col <= cols; ++col) line += " S" + std::to_string(col);
    writeLine(line + "\r\n");
    for (long row = 1; row <= rows; ++row) {
        line = "Sp" + std::to_string(row);
        for (long col = 1; col <= cols; ++col) line += random.next() < threshold ? " 1" : " 0";
        writeLine(line + "\r\n");
    }
    writeLine("\r\n");
    return std::fflush(stdout) == 0 ? 0 : 1;
}
