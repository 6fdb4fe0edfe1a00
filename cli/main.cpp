// kelpo-cli: the whole analysis of a matrix file without a display.
#include <cstdio>

int main() {
    std::puts("kelpo-cli: not yet wired");
    return 0;
}
